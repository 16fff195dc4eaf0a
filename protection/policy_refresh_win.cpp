#include "protection/policy_refresh_win.h"

#include "win32/report.h"
#include "win32/system_library.h"

#include <windows.h>

namespace kv::protection {
namespace {

using RefreshPolicyExFunction = BOOL(WINAPI*)(BOOL machine, DWORD options);
constexpr DWORD kForce = 1; // RP_FORCE: apply every policy again, changed or not

} // namespace

bool ApplyMachinePolicyNow() {
    // Rarely needed: userenv is loaded only when the layer changes.
    const auto refresh =
        win32::SystemFunction<RefreshPolicyExFunction>(L"userenv.dll", "RefreshPolicyEx");
    if (refresh == nullptr) {
        win32::ReportWin32(L"RefreshPolicyEx", ::GetLastError());
        return false;
    }
    if (!refresh(TRUE, kForce)) {
        win32::ReportWin32(L"RefreshPolicyEx", ::GetLastError());
        return false;
    }
    return true;
}

} // namespace kv::protection
