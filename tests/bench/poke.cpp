// poke: presses a button or closes a window of another program, for scripts that take
// screenshots of every window of Kelvane.
//   poke click "<window title>" "<button caption>"   (caption as shown, "&" included)
//   poke close "<window title>"
// The click is posted as the button's notification to its parent, so poke returns at once
// even when the click opens a modal window. Waits up to 30 s for the window to appear.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HWND WaitForWindow(const wchar_t* title) {
    for (int i = 0; i < 300; ++i) {
        HWND hwnd = ::FindWindowW(nullptr, title);
        if (hwnd && ::IsWindowVisible(hwnd)) {
            return hwnd;
        }
        ::Sleep(100);
    }
    return nullptr;
}

HWND FindChildByText(HWND parent, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t buffer[256] = {};
            ::GetWindowTextW(hwnd, buffer, 256);
            if (*s->text == buffer) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 2 ? argv[1] : L"";
    if (!((verb == L"click" && argc == 4) || (verb == L"close" && argc == 3))) {
        std::fputs("usage: poke click \"<window title>\" \"<button caption>\"\n"
                   "       poke close \"<window title>\"\n",
                   stderr);
        return 2;
    }
    HWND window = WaitForWindow(argv[2]);
    if (!window) {
        std::fputs("poke: window not found\n", stderr);
        return 1;
    }
    if (verb == L"close") {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    HWND button = FindChildByText(window, argv[3]);
    if (!button) {
        std::fputs("poke: button not found\n", stderr);
        return 1;
    }
    ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    return 0;
}
