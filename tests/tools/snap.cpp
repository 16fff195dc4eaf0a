// snap.exe "<window title>" out.bmp [timeout-seconds]
// Waits for a top-level window with that title, lets it paint, and saves what the screen
// shows of it (frame included) as a 24-bit BMP. Used for screenshots under Wine, where
// PrintWindow on another process's window gives black.

#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: snap.exe \"<window title>\" out.bmp [timeout-seconds]\n", stderr);
        return 2;
    }
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const int timeout = argc > 3 ? _wtoi(argv[3]) : 30;
    HWND window = nullptr;
    for (int i = 0; i < timeout * 10 && !window; ++i) {
        window = ::FindWindowW(nullptr, argv[1]);
        if (!window || !::IsWindowVisible(window)) {
            window = nullptr;
            ::Sleep(100);
        }
    }
    if (!window) {
        std::fputs("snap: window not found\n", stderr);
        return 1;
    }
    ::Sleep(1500); // let it finish painting
    RECT rc{};
    ::GetWindowRect(window, &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;

    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = h; // bottom-up, as BMP files are
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();

    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(bmi.bmiHeader);
    file.bfSize = file.bfOffBits + imageSize;
    bool ok = false;
    if (FILE* out = _wfopen(argv[2], L"wb")) {
        ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
             std::fwrite(&bmi.bmiHeader, sizeof(bmi.bmiHeader), 1, out) == 1 &&
             std::fwrite(bits, imageSize, 1, out) == 1;
        ok = (std::fclose(out) == 0) && ok;
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (!ok) {
        std::fputs("snap: could not write the file\n", stderr);
        return 1;
    }
    return 0;
}
