#pragma once
// The password gate at start-up, as one call: the main window's load step runs it before
// anything else and goes on only when it lets the user in.

#include "audit/audit_trail.h"
#include "password/settings_store_win.h"

#include <functional>
#include <string>

namespace kv::password {

// Reads the stored password and hands `showMarker` the text for the scratch box, which
// says only whether a password is set, never what it is. Without a password the gate is
// open; with one, the login dialog is shown modally and the gate opens only when the
// right password was entered there. An unreadable store lets nobody in. Each wrong entry
// is recorded through `audit`.
[[nodiscard]] bool PassStartupGate(const std::function<void(const std::wstring&)>& showMarker,
                                   const SettingsLocation& where = {}, audit::Sink audit = {});

} // namespace kv::password
