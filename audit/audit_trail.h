#pragma once
// The record of changes kept in the Windows event log: every change of a protection, of
// Windows' removable-storage policy layer and of the password, and every password check
// that failed. Reads are never recorded. Callers say what happened; the events' ids,
// levels and inserts are decided here once, for the window and the command line alike.
// Portable: the events go to a Sink, which the program points at the event log
// (audit/event_log_win.h) and tests at a recorder.

#include "protection/switches.h"
#include "protection/windows_policy.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::audit {

// The numbers in the message table (audit/messages.mc) and in Event Viewer.
enum class EventId : unsigned {
    ProtectionChanged = 1001,
    ProtectionRefused = 1002,
    ProtectionFailed = 1003,
    PolicyLayerAdded = 1011,
    PolicyLayerRemoved = 1012,
    PolicyLayerRefused = 1013,
    PolicyLayerFailed = 1014,
    PasswordSet = 1021,
    PasswordChanged = 1022,
    PasswordRemoved = 1023,
    PasswordChangeFailed = 1024,
    PasswordCheckFailed = 1031,
};

// The message table's categories (their texts are messages 1 and 2).
enum class Category : unsigned short { Protection = 1, Password = 2 };

enum class Level { Information, Warning, Error };

struct Event {
    EventId id;
    Level level;
    Category category;
    std::vector<std::wstring> inserts; // %1, %2, ... of the event's message
};

// Where events go: 0 when written, otherwise the system's error code.
using Sink = std::function<long(const Event&)>;

enum class Origin { Window, CommandLine };
// Done: Windows took the change. Refused: Windows denied it (access denied). Failed: any
// other failure.
enum class Outcome { Done, Refused, Failed };
enum class LayerChange { Added, Removed };

// A switch's write by the one rule for a refusal (WriteResult::Refused): refused when
// Windows denied a value, failed when a value was not stored for another reason.
Outcome OutcomeOf(const protection::WriteResult& written);
enum class PasswordChange { Set, Changed, Removed };

// One front end's record: every event it writes says where the change was made. Writing
// never throws and never blocks a change; the caller gets the code to mention or ignore.
class AuditTrail {
public:
    AuditTrail(Sink sink, Origin origin) : sink_(std::move(sink)), origin_(origin) {}

    // `from` is nothing when the state before could not be read; `why` is the system's
    // words for a refusal or failure, empty when done.
    long ProtectionChange(protection::Switch which, std::optional<protection::OnOff> from,
                          protection::OnOff to, Outcome outcome,
                          std::wstring_view why = {}) const noexcept;
    // `what` replaces the plain "Add" or "Remove" (the protection and its values).
    long PolicyLayer(LayerChange change, Outcome outcome, std::wstring_view why = {},
                     std::wstring_view what = {}) const noexcept;
    // What the second layer's Add or Remove came to; nothing is written when there was
    // nothing to change. `why` is the system's words for a failed registry call.
    long Layer(protection::Switch which, const protection::LayerChange& change, bool adding,
               std::wstring_view why = {}) const noexcept;
    // `done` false: the store could not be written (why says so).
    long Password(PasswordChange change, bool done, std::wstring_view why = {}) const noexcept;
    long PasswordCheckFailed() const noexcept;

private:
    long Write(Event event) const noexcept;

    Sink sink_;
    Origin origin_;
};

} // namespace kv::audit
