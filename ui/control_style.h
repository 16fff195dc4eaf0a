#pragma once
// How a design row becomes a window: which control class, which styles, and in which
// order the controls are created. Pure, so it builds and is tested without Windows; the
// style bits are Windows' own values (form.cpp checks them against the system headers).

#include "ui/design.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kv::ui {

namespace style {
inline constexpr std::uint32_t kChild = 0x40000000;            // WS_CHILD
inline constexpr std::uint32_t kVisible = 0x10000000;          // WS_VISIBLE
inline constexpr std::uint32_t kClipSiblings = 0x04000000;     // WS_CLIPSIBLINGS
inline constexpr std::uint32_t kClipChildren = 0x02000000;     // WS_CLIPCHILDREN
inline constexpr std::uint32_t kWindowBorder = 0x00800000;     // WS_BORDER
inline constexpr std::uint32_t kVScroll = 0x00200000;          // WS_VSCROLL
inline constexpr std::uint32_t kTabStop = 0x00010000;          // WS_TABSTOP
inline constexpr std::uint32_t kStaticLeft = 0x0000;           // SS_LEFT
inline constexpr std::uint32_t kStaticRight = 0x0002;          // SS_RIGHT
inline constexpr std::uint32_t kStaticOwnerDraw = 0x000D;      // SS_OWNERDRAW
inline constexpr std::uint32_t kStaticNoWrap = 0x000C;         // SS_LEFTNOWORDWRAP
inline constexpr std::uint32_t kStaticNoPrefix = 0x0080;       // SS_NOPREFIX
inline constexpr std::uint32_t kStaticNotify = 0x0100;         // SS_NOTIFY
inline constexpr std::uint32_t kStaticEndEllipsis = 0x4000;    // SS_ENDELLIPSIS
inline constexpr std::uint32_t kPushButton = 0x0000;           // BS_PUSHBUTTON
inline constexpr std::uint32_t kDefPushButton = 0x0001;        // BS_DEFPUSHBUTTON
inline constexpr std::uint32_t kButtonNotify = 0x4000;         // BS_NOTIFY
inline constexpr std::uint32_t kEditAutoHScroll = 0x0080;      // ES_AUTOHSCROLL
inline constexpr std::uint32_t kEditPassword = 0x0020;         // ES_PASSWORD
inline constexpr std::uint32_t kListNoIntegralHeight = 0x0100; // LBS_NOINTEGRALHEIGHT
inline constexpr std::uint32_t kExClientEdge = 0x00000200;     // WS_EX_CLIENTEDGE
inline constexpr std::uint32_t kExControlParent = 0x00010000;  // WS_EX_CONTROLPARENT
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
