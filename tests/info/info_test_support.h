#pragma once
// What the About and Help tests share: reading back sizes, fonts and the set of windows
// on the screen from Windows itself.

#include "ui/form.h"
#include "tests/support/ui_driver.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kv::test {

inline SIZE ClientSize(HWND hwnd) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    return {rc.right, rc.bottom};
}

// The font a control draws with.
inline LOGFONTW FontOf(HWND control) {
    LOGFONTW lf{};
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ::GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

// Height in pixels of a font of hundredthsPt at dpi, as Windows asks for it.
inline LONG FontHeight(int hundredthsPt, unsigned dpi) {
    return -::MulDiv(hundredthsPt, static_cast<int>(dpi), 7200);
}

// Every visible top-level window on the desktop, whatever process it belongs to.
inline std::set<HWND> VisibleTopLevels() {
    std::set<HWND> windows;
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (::IsWindowVisible(hwnd)) {
                reinterpret_cast<std::set<HWND>*>(param)->insert(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

inline bool HasStyle(HWND hwnd, LONG_PTR style) {
    return (::GetWindowLongPtrW(hwnd, GWL_STYLE) & style) == style;
}

inline bool HasExStyle(HWND hwnd, LONG_PTR style) {
    return (::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & style) == style;
}

// Presses `key` in an open window; true when that closed it.
inline bool KeyCloses(HWND w, UINT key) {
    PressKey(key);
    return PumpUntil([w] { return !::IsWindow(w); }, 500);
}

// Destroys a window that a test left open, so that its modal showing returns even when
// the test fails.
inline void CloseIfOpen(HWND w) {
    if (::IsWindow(w)) {
        ::DestroyWindow(w);
    }
}

// The form behind a window of ours, as its own class.
template <typename T> T* FormOf(HWND hwnd) {
    return dynamic_cast<T*>(ui::Form::FromHwnd(hwnd));
}

} // namespace kv::test
