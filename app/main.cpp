// Kelvane starts by loading its main window; it ends when the last window is unloaded.

#include "app/frm_Main.h"
#include "win32/report.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // No "insert a disk" dialogs when a drive without its medium is probed.
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    // The pictures are decoded through COM (WIC).
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    int exitCode = 0;
    {
        kv::app::frm_Main main;
        kv::win32::Guard(L"start-up", [&] { main.Show(); });
        exitCode = kv::ui::Form::RunMessageLoop();
    }
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return exitCode;
}
