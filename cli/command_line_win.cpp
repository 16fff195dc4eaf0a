#include "cli/command_line_win.h"

#include "audit/event_log_win.h"
#include "cli/command.h"
#include "cli/console_win.h"
#include "cli/run.h"
#include "cli/utf8.h"
#include "drives/drive_facts_win.h"
#include "drives/drive_source_win.h"
#include "password/pbkdf2_win.h"
#include "password/rehash_win.h"
#include "password/settings_store_win.h"
#include "protection/policy_refresh_win.h"
#include "win32/program_path.h"
#include "win32/shell.h"
#include "win32/shell_unelevated.h"
#include "win32/system_message.h"
#include "win32/unique_handle.h"

#include <windows.h>

namespace kv::cli {
namespace {

// CommandLineToArgvW hands out one LocalAlloc block.
using UniqueArguments = win32::UniqueHandle<win32::NullTraits<LPWSTR*, win32::FreeLocal>>;

// "Access is denied (error 5)": the system's words, trimmed to end where the caller's
// sentence goes on, and the code for a search.
std::wstring ErrorText(long code) {
    return win32::ErrorReason(static_cast<DWORD>(code));
}

} // namespace

std::vector<std::wstring> ProcessArguments() {
    const wchar_t* line = ::GetCommandLineW();
    if (!HasArguments(line)) {
        return {}; // the window's start: no need to load the shell to split the line
    }
    int count = 0;
    const UniqueArguments arguments(win32::CommandLineToArgv(line, &count));
    std::vector<std::wstring> list;
    for (int i = 1; arguments && i < count; ++i) {
        list.emplace_back(arguments.get()[i]);
    }
    return list;
}

int RunWindowsCommandLine(const std::vector<std::wstring>& arguments, reg::RegistryApi& registry) {
    // A script waits for the exit code: a crash must end the process, not wait for someone
    // to close a dialog.
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    try {
        StdConsole console;
        const auto drives = drives::MakeWindowsDriveSource();
        password::CngKeyDeriver deriver;
        Services services{registry,
                          *drives,
                          [] { return password::ReadStoredPassword(); },
                          deriver,
                          [](const std::wstring& checked, std::wstring_view entered) {
                              password::RewriteHashed(checked, entered);
                          },
                          ErrorText,
                          {drives::SystemOnHotPlugBus, protection::ApplyMachinePolicyNow,
                           protection::FileTimeNow},
                          [] { return win32::IsProcessElevated(); },
                          audit::WindowsEventLog()};
        return RunCommandLine(arguments, services, console);
    } catch (...) {
        return kFailed; // out of memory before the streams were set up: nowhere to say it
    }
}

int OpenWindow() {
    std::wstring path = win32::ThisProgramPath();
    path.erase(path.find_last_of(L'\\') + 1);
    path += L"kelvane.exe";
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        const DWORD error = ::GetLastError();
        StdConsole console;
        console.Err(ToUtf8(L"kelvane: the window could not be opened: " + path + L": " +
                           ErrorText(static_cast<long>(error)) + L".\n"));
        return kFailed;
    }
    const win32::UniqueKernelHandle thread(process.hThread);
    const win32::UniqueKernelHandle started(process.hProcess);
    return kDone;
}

} // namespace kv::cli
