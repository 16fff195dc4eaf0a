#pragma once
// The few calls the program makes into the shell. shell32 (and what it brings along) is
// loaded on the first of them, and COM is started for a ShellExecute call alone: a start
// of the window makes none of these calls and pays for neither.

#include <windows.h>
#include <shellapi.h>

namespace kv::win32 {

// ShellExecuteW's contract (a value above 32 when the shell started something); a failure
// shows nothing to the user.
HINSTANCE ShellExecuteNow(HWND owner, const wchar_t* verb, const wchar_t* file,
                          const wchar_t* parameters, const wchar_t* directory, int show);

// ShellExecuteExW; it returns once the start is complete (SEE_MASK_NOASYNC is added), with
// the call's own last error when it fails.
bool ShellExecuteExNow(SHELLEXECUTEINFOW& info);

// CommandLineToArgvW: one LocalAlloc block for LocalFree, or nullptr.
wchar_t** CommandLineToArgv(const wchar_t* commandLine, int* count);

} // namespace kv::win32
