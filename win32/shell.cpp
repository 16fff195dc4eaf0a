#include "win32/shell.h"

#include <objbase.h>

namespace kv::win32 {
namespace {

// A function of a system library, loaded from the system folder on first use and kept
// for the rest of the run; nullptr when either cannot be found.
template <typename Function> Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = ::GetModuleHandleW(library);
    if (!module) {
        module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                  : nullptr;
}

// COM on this thread for one shell call (a single-threaded apartment, as the shell's
// extensions expect), ended only when it was started.
class ShellCom {
public:
    ShellCom() {
        using Init = HRESULT(WINAPI*)(void*, DWORD);
        if (const auto init = SystemFunction<Init>(L"ole32.dll", "CoInitializeEx")) {
            started_ = SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        }
    }
    ShellCom(const ShellCom&) = delete;
    ShellCom& operator=(const ShellCom&) = delete;
    ~ShellCom() {
        using Uninit = void(WINAPI*)();
        if (started_) {
            if (const auto uninit = SystemFunction<Uninit>(L"ole32.dll", "CoUninitialize")) {
                uninit();
            }
        }
    }

private:
    bool started_ = false;
};

} // namespace

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
        const ShellCom com;
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
