#include "app/elevation.h"

#include "win32/program_path.h"
#include "win32/report.h"
#include "win32/shell.h"
#include "win32/shell_unelevated.h"

#include <string>

namespace kv::app {
namespace {

std::wstring WorkingFolder() {
    const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    const DWORD copied = n ? ::GetCurrentDirectoryW(n, folder.data()) : 0;
    folder.resize(copied < n ? copied : 0);
    return folder;
}

class WindowsElevation final : public Elevation {
public:
    // Unknown counts as elevated: no shield rather than a false one.
    bool IsElevated() override { return win32::IsProcessElevated(); }

    DWORD RestartAsAdministrator(HWND owner) override {
        const std::wstring program = win32::ThisProgramPath();
        if (program.empty()) {
            return ::GetLastError();
        }
        const std::wstring folder = WorkingFolder();
        SHELLEXECUTEINFOW run{sizeof(run)};
        run.hwnd = owner;
        run.lpVerb = L"runas";
        run.lpFile = program.c_str();
        run.lpDirectory = folder.empty() ? nullptr : folder.c_str();
        run.nShow = SW_SHOWNORMAL;
        if (!win32::ShellExecuteExNow(run)) {
            return ::GetLastError();
        }
        return ERROR_SUCCESS;
    }
};

} // namespace

std::unique_ptr<Elevation> MakeWindowsElevation() {
    return std::make_unique<WindowsElevation>();
}

} // namespace kv::app
