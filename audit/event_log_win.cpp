#include "audit/event_log_win.h"

#include "win32/event_log_win.h"

namespace kv::audit {
namespace {

WORD TypeOf(Level level) {
    switch (level) {
    case Level::Warning:
        return EVENTLOG_WARNING_TYPE;
    case Level::Error:
        return EVENTLOG_ERROR_TYPE;
    case Level::Information:
        break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

} // namespace

Sink WindowsEventLog() {
    return [](const Event& event) -> long {
        return static_cast<long>(win32::ReportToApplicationLog(
            kEventSource, {TypeOf(event.level), static_cast<WORD>(event.category),
                           static_cast<DWORD>(event.id), event.inserts}));
    };
}

} // namespace kv::audit
