#include "win32/shell.h"

#include "win32/system_library.h"
#include "win32/unique_handle.h"

namespace kv::win32 {

bool ShellExecuteExNow(SHELLEXECUTEINFOW& info) {
    using Execute = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    const auto execute = SystemFunction<Execute>(L"shell32.dll", "ShellExecuteExW");
    if (!execute) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        info.hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
        return false;
    }
    info.fMask |= SEE_MASK_NOASYNC;
    BOOL started = FALSE;
    DWORD error = ERROR_SUCCESS;
    {
        // The call waits until the start is complete, so COM can end with it.
        const ComScope com;
        started = execute(&info);
        error = ::GetLastError();
    }
    // Why it failed (a declined elevation prompt, say) outlives the end of COM.
    ::SetLastError(error);
    return started != FALSE;
}

HINSTANCE ShellExecuteNow(HWND owner, const wchar_t* verb, const wchar_t* file,
                          const wchar_t* parameters, const wchar_t* directory, int show) {
    SHELLEXECUTEINFOW run{sizeof(run)};
    run.fMask = SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner;
    run.lpVerb = verb;
    run.lpFile = file;
    run.lpParameters = parameters;
    run.lpDirectory = directory;
    run.nShow = show;
    ShellExecuteExNow(run);
    return run.hInstApp;
}

wchar_t** CommandLineToArgv(const wchar_t* commandLine, int* count) {
    using Split = LPWSTR*(WINAPI*)(LPCWSTR, int*);
    const auto split = SystemFunction<Split>(L"shell32.dll", "CommandLineToArgvW");
    return split ? split(commandLine, count) : nullptr;
}

} // namespace kv::win32
