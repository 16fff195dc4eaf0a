#include "ui/control_style_win.h"

#include <utility>

namespace kv::ui {
namespace {

// Each flag with its Windows bits. A static's or a button's type (SS_LEFT, SS_OWNERDRAW,
// BS_PUSHBUTTON...) is a value, not a bit, and a control has exactly one of them.
template <std::size_t N>
DWORD Bits(std::uint32_t flags, const std::pair<std::uint32_t, DWORD> (&table)[N]) {
    DWORD bits = 0;
    for (const auto& [flag, win32] : table) {
        if (flags & flag) {
            bits |= win32;
        }
    }
    return bits;
}

} // namespace

DWORD Win32Style(const ControlStyle& s) {
    static constexpr std::pair<std::uint32_t, DWORD> kTable[] = {
        {style::kChild, WS_CHILD},
        {style::kVisible, WS_VISIBLE},
        {style::kClipSiblings, WS_CLIPSIBLINGS},
        {style::kClipChildren, WS_CLIPCHILDREN},
        {style::kWindowBorder, WS_BORDER},
        {style::kVScroll, WS_VSCROLL},
        {style::kTabStop, WS_TABSTOP},
        {style::kStaticLeft, SS_LEFT},
        {style::kStaticRight, SS_RIGHT},
        {style::kStaticOwnerDraw, SS_OWNERDRAW},
        {style::kStaticNoWrap, SS_LEFTNOWORDWRAP},
        {style::kStaticNoPrefix, SS_NOPREFIX},
        {style::kStaticNotify, SS_NOTIFY},
        {style::kStaticEndEllipsis, SS_ENDELLIPSIS},
        {style::kPushButton, BS_PUSHBUTTON},
        {style::kDefPushButton, BS_DEFPUSHBUTTON},
        {style::kButtonNotify, BS_NOTIFY},
        {style::kEditAutoHScroll, ES_AUTOHSCROLL},
        {style::kEditPassword, ES_PASSWORD},
        {style::kListNoIntegralHeight, LBS_NOINTEGRALHEIGHT},
    };
    return Bits(s.style, kTable);
}

DWORD Win32ExStyle(const ControlStyle& s) {
    static constexpr std::pair<std::uint32_t, DWORD> kTable[] = {
        {style::kExClientEdge, WS_EX_CLIENTEDGE},
        {style::kExControlParent, WS_EX_CONTROLPARENT},
    };
    return Bits(s.exStyle, kTable);
}

} // namespace kv::ui
