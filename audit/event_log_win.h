#pragma once
// The program's audit trail: events to the Application log under the source "Kelvane",
// the same source for kelvane.exe and kelvane.com.

#include "audit/audit_trail.h"

namespace kv::audit {

inline constexpr wchar_t kEventSource[] = L"Kelvane";

// The sink that writes to the event log.
Sink WindowsEventLog();

// The trail of one front end over the event log.
inline AuditTrail WindowsAuditTrail(Origin origin) {
    return AuditTrail(WindowsEventLog(), origin);
}

} // namespace kv::audit
