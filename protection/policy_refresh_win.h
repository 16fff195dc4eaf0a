#pragma once
// Asking Windows to apply its policy now, after the removable-storage layer changed, so
// that drives attached from now on get it at once (Windows only).

namespace kv::protection {

// RefreshPolicyEx(TRUE, RP_FORCE) from userenv.dll, loaded from the system folder at use;
// false when it cannot be found or Windows refuses.
bool ApplyMachinePolicyNow();

} // namespace kv::protection
