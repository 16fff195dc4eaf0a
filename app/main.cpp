// Kelvane starts by loading its main window; it ends when the last window is unloaded.
// With arguments it runs one command of the command line instead and shows no window.

#include "app/frm_Main.h"
#include "app/startup.h"
#include "cli/command_line_win.h"
#include "registry/reg_win.h"
#include "win32/unique_handle.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // DLLs already come from the system folder only, never from beside the exe: a TLS
    // callback narrowed the search before the run-time's start-up (dll_search_first.cpp).
    // No "insert a disk" dialogs when a drive without its medium is probed.
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    if (const auto arguments = kv::cli::ProcessArguments(); !arguments.empty()) {
        return kv::cli::RunWindowsCommandLine(arguments, kv::reg::WindowsRegistry());
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    kv::app::frm_Main main(kv::reg::WindowsRegistry());
    return kv::app::RunMainWindow(main);
}
