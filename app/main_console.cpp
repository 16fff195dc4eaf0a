// kelvane.com, the console twin of kelvane.exe. Prompts find it first (PATHEXT lists .COM
// before .EXE), so `kelvane status` typed at cmd or PowerShell runs here: the prompt waits
// for it, its output goes to that console and its exit code to %ERRORLEVEL%. It holds the
// command line only; the window stays kelvane.exe's.

#include "cli/command_line_win.h"
#include "registry/reg_win.h"

#include <windows.h>

int wmain() {
    // As kelvane.exe: no "insert a disk" dialogs. DLL loads are kept to the system folder
    // before this runs (dll_search_first.cpp).
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    // Split as kelvane.exe splits its line, so one command line means the same to both.
    if (const auto arguments = kv::cli::ProcessArguments(); !arguments.empty()) {
        return kv::cli::RunWindowsCommandLine(arguments, kv::reg::WindowsRegistry());
    }
    // `kelvane` alone opens the window, as kelvane.exe alone does from the Start menu.
    return kv::cli::OpenWindow();
}
