#pragma once
// How a design row becomes a window: which control class, which styles, and in which
// order the controls are created. Pure, so it builds and is tested without Windows; the
// styles are the layer's own flags, which control_style_win.h turns into Windows' bits.

#include "ui/design.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kv::ui {

namespace style {
inline constexpr std::uint32_t kChild = 1u << 0;
inline constexpr std::uint32_t kVisible = 1u << 1;
inline constexpr std::uint32_t kClipSiblings = 1u << 2;
inline constexpr std::uint32_t kClipChildren = 1u << 3;
inline constexpr std::uint32_t kWindowBorder = 1u << 4;
inline constexpr std::uint32_t kVScroll = 1u << 5;
inline constexpr std::uint32_t kTabStop = 1u << 6;
inline constexpr std::uint32_t kStaticLeft = 1u << 7;
inline constexpr std::uint32_t kStaticRight = 1u << 8;
inline constexpr std::uint32_t kStaticOwnerDraw = 1u << 9;
inline constexpr std::uint32_t kStaticNoWrap = 1u << 10;
inline constexpr std::uint32_t kStaticNoPrefix = 1u << 11;
inline constexpr std::uint32_t kStaticNotify = 1u << 12;
inline constexpr std::uint32_t kStaticEndEllipsis = 1u << 13;
inline constexpr std::uint32_t kPushButton = 1u << 14;
inline constexpr std::uint32_t kDefPushButton = 1u << 15;
inline constexpr std::uint32_t kButtonNotify = 1u << 16;
inline constexpr std::uint32_t kEditAutoHScroll = 1u << 17;
inline constexpr std::uint32_t kEditPassword = 1u << 18;
inline constexpr std::uint32_t kListNoIntegralHeight = 1u << 19;
inline constexpr std::uint32_t kExClientEdge = 1u << 20;
inline constexpr std::uint32_t kExControlParent = 1u << 21;
} // namespace style

enum class ControlClass : std::uint8_t { None, Static, Button, Edit, ListBox, PictureBox };

struct ControlStyle {
    ControlClass windowClass = ControlClass::None; // None: a line, drawn by its container
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    bool textIsName = false; // the window text is the control's name (what a reader says)
    bool operator==(const ControlStyle&) const = default;
};

// Whether the control takes the focus (it has a place in the tab order).
constexpr bool IsFocusable(const ControlDesign& d) {
    return d.tabIndex >= 0;
}

// A push button, plain or with a picture: Enter presses the focused one, which then looks
// like the default button.
constexpr bool IsPushButton(const ControlDesign& d) {
    return d.kind == Kind::Button || d.kind == Kind::PictureButton;
}

// The window class of a picture box (the form registers it).
inline constexpr wchar_t kPictureBoxClass[] = L"KelvanePictureBox";

// The window of `d`, one of `all` (its siblings decide whether it clips them).
ControlStyle StyleFor(const ControlDesign& d, std::span<const ControlDesign> all);

// Picture boxes first (they hold other controls), then the focusable controls in tab
// order (the dialog manager tabs in creation order), then everything else as designed.
std::vector<const ControlDesign*> CreationOrder(std::span<const ControlDesign> all);

} // namespace kv::ui
