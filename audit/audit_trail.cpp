#include "audit/audit_trail.h"

#include "protection/switch_facts.h"

#include <utility>

namespace kv::audit {
namespace {

// ERROR_NOT_ENOUGH_MEMORY, the only way building an event can fail.
constexpr long kOutOfMemory = 8;

std::wstring Where(Origin origin) {
    return origin == Origin::Window ? L"Kelvane window" : L"Kelvane command line";
}

std::wstring Result(Outcome outcome, std::wstring_view why) {
    std::wstring result = outcome == Outcome::Done      ? L"Done"
                          : outcome == Outcome::Refused ? L"Refused by Windows"
                                                        : L"Failed";
    if (outcome != Outcome::Done && !why.empty()) {
        result += L": ";
        result += why;
    }
    return result;
}

Level LevelOf(Outcome outcome) {
    return outcome == Outcome::Done      ? Level::Information
           : outcome == Outcome::Refused ? Level::Warning
                                         : Level::Error;
}

} // namespace

Outcome OutcomeOf(const protection::WriteResult& written) {
    return written.Done() ? Outcome::Done : written.Refused() ? Outcome::Refused : Outcome::Failed;
}

long AuditTrail::Write(Event event) const noexcept {
    if (!sink_) {
        return 0;
    }
    try {
        return sink_(event);
    } catch (...) {
        return kOutOfMemory;
    }
}

long AuditTrail::ProtectionChange(protection::Switch which, std::optional<protection::OnOff> from,
                                  protection::OnOff to, Outcome outcome,
                                  std::wstring_view why) const noexcept {
    try {
        const protection::SwitchWords& words = protection::WordsOf(which);
        static constexpr EventId kIds[] = {EventId::ProtectionChanged, EventId::ProtectionRefused,
                                           EventId::ProtectionFailed};
        return Write({kIds[static_cast<int>(outcome)],
                      LevelOf(outcome),
                      Category::Protection,
                      {words.heading, from ? words.For(*from) : L"Unknown", words.For(to),
                       Where(origin_), Result(outcome, why)}});
    } catch (...) {
        return kOutOfMemory;
    }
}

long AuditTrail::PolicyLayer(LayerChange change, Outcome outcome, std::wstring_view why,
                             std::wstring_view what) const noexcept {
    try {
        const bool added = change == LayerChange::Added;
        const EventId id = outcome == Outcome::Done
                               ? (added ? EventId::PolicyLayerAdded : EventId::PolicyLayerRemoved)
                           : outcome == Outcome::Refused ? EventId::PolicyLayerRefused
                                                         : EventId::PolicyLayerFailed;
        return Write({id,
                      LevelOf(outcome),
                      Category::Protection,
                      {what.empty() ? std::wstring(added ? L"Add" : L"Remove") : std::wstring(what),
                       Where(origin_), Result(outcome, why)}});
    } catch (...) {
        return kOutOfMemory;
    }
}

long AuditTrail::Password(PasswordChange change, bool done, std::wstring_view why) const noexcept {
    try {
        static constexpr EventId kIds[] = {EventId::PasswordSet, EventId::PasswordChanged,
                                           EventId::PasswordRemoved};
        static constexpr const wchar_t* kWords[] = {L"Set", L"Change", L"Remove"};
        const int index = static_cast<int>(change);
        return Write(
            {done ? kIds[index] : EventId::PasswordChangeFailed,
             done ? Level::Information : Level::Error,
             Category::Password,
             {kWords[index], Where(origin_), Result(done ? Outcome::Done : Outcome::Failed, why)}});
    } catch (...) {
        return kOutOfMemory;
    }
}

long AuditTrail::PasswordCheckFailed() const noexcept {
    try {
        return Write(
            {EventId::PasswordCheckFailed, Level::Warning, Category::Password, {Where(origin_)}});
    } catch (...) {
        return kOutOfMemory;
    }
}

} // namespace kv::audit

namespace kv::audit {

long AuditTrail::Layer(protection::Switch which, const protection::LayerChange& change, bool adding,
                       std::wstring_view why) const noexcept {
    if (change.Done() && !change.Changed()) {
        return 0; // nothing was there to add or take away
    }
    try {
        using Why = protection::LayerChange::Outcome;
        std::wstring what = std::wstring(adding ? L"Add for " : L"Remove for ") +
                            protection::WordsOf(which).heading;
        const auto& values = adding ? change.added : change.removed;
        for (std::size_t i = 0; i < values.size(); ++i) {
            what += i == 0 ? L": " : L", ";
            what.append(values[i].deviceClass.begin(), values[i].deviceClass.end());
            what += L'\\';
            what.append(values[i].name.begin(), values[i].name.end());
        }
        std::wstring reason(why);
        if (reason.empty()) {
            reason = change.outcome == Why::SystemOnHotPlug
                         ? L"Windows runs from a USB, SD, MMC or 1394 drive"
                     : change.outcome == Why::OverridesOutside
                         ? L"a value is set otherwise outside Kelvane"
                     : change.outcome == Why::NotReadBack ? L"a value did not read back"
                                                          : L"";
        }
        const Outcome outcome = change.Done()      ? Outcome::Done
                                : change.Refused() ? Outcome::Refused
                                                   : Outcome::Failed;
        return PolicyLayer(adding ? LayerChange::Added : LayerChange::Removed, outcome, reason,
                           what);
    } catch (...) {
        return kOutOfMemory;
    }
}

} // namespace kv::audit
