// bare_window: the yardstick of the start-up and footprint benchmarks. One empty window
// with the main window's frame, client size and DPI handling, and nothing else: no
// controls, pictures, fonts, registry reads or timers.
//
// Built a second time as bare_window_libs, with the program's manifest, it also starts
// the system library Kelvane starts before its first window (common controls 6), so
// that what it costs can be told apart from what
// Kelvane's own work costs.
//
// Built a third time as bare_window_controls, it also creates as many plain child controls
// as the main window has (7 buttons, a list box, 42 statics, one font) before it shows:
// under Wine every child window costs a round trip to the wineserver, so this yardstick
// holds that cost, which is Wine's rather than Kelvane's.

#include <windows.h>

#ifdef KELVANE_BENCH_LIBRARIES
#include <commctrl.h>
#endif

namespace {

// The main window's client area in twips, as its design gives it.
constexpr int kClientWidthTwips = 7215;
constexpr int kClientHeightTwips = 8865;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

#ifdef KELVANE_BENCH_CONTROLS
void CreateControls(HWND parent, HINSTANCE instance, int dpi) {
    // One font for all, as a form makes per face and size.
    LOGFONTW face{};
    face.lfHeight = -::MulDiv(8, dpi, 72);
    face.lfWeight = FW_NORMAL;
    lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
    HFONT font = ::CreateFontIndirectW(&face); // lives as long as the process
    struct Kind {
        const wchar_t* className;
        DWORD style;
        int count;
    };
    constexpr Kind kKinds[] = {
        {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 7},
        {L"LISTBOX", LBS_NOTIFY | WS_VSCROLL, 1},
        {L"STATIC", SS_LEFT, 42},
    };
    int row = 0;
    for (const Kind& kind : kKinds) {
        for (int i = 0; i < kind.count; ++i, ++row) {
            const int x = ::MulDiv(10 + (row % 5) * 90, dpi, 96);
            const int y = ::MulDiv(10 + (row / 5) * 30, dpi, 96);
            HWND child = ::CreateWindowExW(
                0, kind.className, L"Control", WS_CHILD | WS_VISIBLE | kind.style, x, y,
                ::MulDiv(80, dpi, 96), ::MulDiv(24, dpi, 96), parent, nullptr, instance, nullptr);
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
}
#endif

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Kelvane declares this in its manifest; a bare program has none.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
#ifdef KELVANE_BENCH_LIBRARIES
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
#endif

    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"KelvaneBenchBareWindow";
    if (!::RegisterClassExW(&wc)) {
        return 1;
    }
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    HWND hwnd = ::CreateWindowExW(kExStyle, wc.lpszClassName, L"Bare window", kStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        return 1;
    }
    const int dpi = static_cast<int>(::GetDpiForWindow(hwnd));
    RECT frame{0, 0, ::MulDiv(kClientWidthTwips, dpi, 1440),
               ::MulDiv(kClientHeightTwips, dpi, 1440)};
    ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi));
    ::SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
#ifdef KELVANE_BENCH_CONTROLS
    CreateControls(hwnd, instance, dpi);
#endif
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
