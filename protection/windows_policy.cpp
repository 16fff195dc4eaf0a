#include "protection/windows_policy.h"

#include "registry/mdl_RegFunctions.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

namespace kv::protection {
namespace {

namespace mdl = reg::mdl_RegFunctions;
using Outcome = LayerChange::Outcome;
using reg::kNotFound;

// FILETIME of 1970-01-01, in 100 ns steps since 1601-01-01.
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;
constexpr std::int64_t kFileTimePerSecond = 10000000;

// Removable disks first: the drives Kelvane lists are disks, and their value decides.
constexpr std::array<PolicyValue, 3> kWriteLayer{{
    {kRemovableDiskClass, "Deny_Write"},
    {kWpdDeviceClass, "Deny_Write"},
    {kWpdClass, "Deny_Write"},
}};
constexpr std::array<PolicyValue, 6> kLockLayer{{
    {kRemovableDiskClass, "Deny_Read"},
    {kRemovableDiskClass, "Deny_Write"},
    {kWpdDeviceClass, "Deny_Read"},
    {kWpdDeviceClass, "Deny_Write"},
    {kWpdClass, "Deny_Read"},
    {kWpdClass, "Deny_Write"},
}};

constexpr std::array<Switch, 2> kLayered{Switch::WriteProtect, Switch::UsbLock};

std::string RecordName(Switch which, const PolicyValue& value) {
    return std::string(which == Switch::WriteProtect ? "WriteProtect" : "UsbLock") + " " +
           std::string(value.deviceClass) + " " + std::string(value.name);
}

std::string Name(const PolicyValue& value) {
    return std::string(value.name);
}

bool IsDisk(const PolicyValue& value) {
    return value.deviceClass == kRemovableDiskClass;
}

// A registry step that failed, as a write of the switches: the window lists it, and an
// access-denied code makes it a refusal.
ValueWrite FailedStep(mdl::RegResult why) {
    return {{}, std::move(why)};
}

} // namespace

std::string PolicyValue::KeyPath() const {
    return std::string(kRemovableStoragePolicyKey) + "\\" + std::string(deviceClass);
}

std::span<const PolicyValue> LayerValues(Switch which) {
    switch (which) {
    case Switch::WriteProtect:
        return kWriteLayer;
    case Switch::UsbLock:
        return kLockLayer;
    case Switch::Autorun:
        break;
    }
    return {};
}

DiskPolicyValues ReadDiskPolicy(reg::RegistryApi& registry) {
    const auto read = [&](const std::string& key, const char* name) -> std::optional<bool> {
        const auto value = mdl::GetDWordValue(registry, key, name);
        if (value.form() != mdl::RegReadResult::Form::Number) {
            return std::nullopt;
        }
        return value.number() != 0;
    };
    const std::string disks = PolicyValue{kRemovableDiskClass, "Deny_Write"}.KeyPath();
    return {.denyAll = read(kRemovableStoragePolicyKey, "Deny_All"),
            .denyWrite = read(disks, "Deny_Write"),
            .denyRead = read(disks, "Deny_Read")};
}

std::int64_t FileTimeNow() {
    using namespace std::chrono;
    const auto since1970 = duration_cast<duration<std::int64_t, std::ratio<1, kFileTimePerSecond>>>(
        system_clock::now().time_since_epoch());
    return since1970.count() + kUnixEpochAsFileTime;
}

std::string Iso8601Utc(std::int64_t fileTime) {
    using namespace std::chrono;
    const std::int64_t unixSeconds = (fileTime - kUnixEpochAsFileTime) / kFileTimePerSecond;
    const sys_seconds at{seconds{unixSeconds}};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

LayerFacts LayerState::Facts() const {
    LayerFacts facts;
    bool anyDisk = false;
    bool allSet = true;
    bool allKelvane = true;
    for (const PolicyValueState& state : values) {
        if (!IsDisk(state.value)) {
            continue;
        }
        anyDisk = true;
        allSet = allSet && state.set;
        allKelvane = allKelvane && state.byKelvane;
        if (state.byKelvane && state.at && (!facts.setAt || *state.at > *facts.setAt)) {
            facts.setAt = state.at; // the layer holds from when its last value was added
        }
    }
    facts.set = denyAll || (anyDisk && allSet);
    // Deny_All is never Kelvane's: an administrator's policy then decides for every class.
    facts.setByKelvane = anyDisk && allSet && allKelvane && !denyAll;
    if (!facts.setByKelvane) {
        facts.setAt.reset();
    }
    return facts;
}

std::optional<std::int64_t> WindowsPolicyLayer::RecordedAt(Switch which,
                                                           const PolicyValue& value) const {
    return mdl::GetQWordValue(registry_, kLayerRecordKey, RecordName(which, value));
}

bool WindowsPolicyLayer::Recorded(Switch which, const PolicyValue& value) const {
    return RecordedAt(which, value).has_value();
}

bool WindowsPolicyLayer::RecordedByOther(Switch which, const PolicyValue& value) const {
    return std::ranges::any_of(kLayered, [&](Switch other) {
        if (other == which) {
            return false;
        }
        const auto values = LayerValues(other);
        return std::ranges::find(values, value) != values.end() && Recorded(other, value);
    });
}

LayerState WindowsPolicyLayer::Read(Switch which) const {
    LayerState state;
    const auto all = mdl::GetDWordValue(registry_, kRemovableStoragePolicyKey, "Deny_All");
    state.denyAll = all.form() == mdl::RegReadResult::Form::Number && all.number() == 1;
    for (const PolicyValue& value : LayerValues(which)) {
        PolicyValueState one{value};
        const auto read = mdl::GetDWordValue(registry_, value.KeyPath(), Name(value));
        one.set = read.form() == mdl::RegReadResult::Form::Number && read.number() == 1;
        one.readFailed =
            read.form() != mdl::RegReadResult::Form::Number && read.result().code != kNotFound;
        one.present = read.form() == mdl::RegReadResult::Form::Number || one.readFailed;
        if (one.set) {
            // Kelvane's when either protection recorded it: the earliest record is when
            // Kelvane set it.
            for (Switch layered : kLayered) {
                const auto values = LayerValues(layered);
                if (std::ranges::find(values, value) == values.end()) {
                    continue;
                }
                if (const auto at = RecordedAt(layered, value)) {
                    one.byKelvane = true;
                    one.at = one.at ? std::min(*one.at, *at) : *at;
                }
            }
        }
        state.values.push_back(one);
    }
    return state;
}

LayerChange WindowsPolicyLayer::Add(Switch which) {
    LayerChange change;
    // Denying reads of removable disks to a Windows that runs from one would lock the
    // machine out of itself.
    if (system_.systemOnHotPlugBus && system_.systemOnHotPlugBus().value_or(false)) {
        change.outcome = Outcome::SystemOnHotPlug;
        return change;
    }
    const std::int64_t now = system_.now ? system_.now() : FileTimeNow();
    for (const PolicyValue& value : LayerValues(which)) {
        const std::string key = value.KeyPath();
        const auto read = mdl::GetDWordValue(registry_, key, Name(value));
        const bool isNumber = read.form() == mdl::RegReadResult::Form::Number;
        if (!isNumber && read.result().code != kNotFound) {
            change.writes.values.push_back(FailedStep(read.result()));
            change.outcome = Outcome::Failed;
            change.problem = value;
            break;
        }
        const bool ours = Recorded(which, value) || RecordedByOther(which, value);
        if (isNumber && read.number() == 1) {
            if (!ours) {
                change.leftOutside.push_back(value);
                continue;
            }
            if (!Recorded(which, value)) {
                // Kept for the other protection already; now kept for this one too.
                const auto recorded =
                    mdl::SetQWordValue(registry_, kLayerRecordKey, RecordName(which, value), now);
                change.writes.values.push_back(
                    {mdl::CreateKey(registry_, kLayerRecordKey), recorded});
                if (!recorded.ok()) {
                    change.outcome = Outcome::Failed;
                    change.problem = value;
                    break;
                }
            }
            continue;
        }
        if (isNumber && !ours) {
            // An administrator's policy says something else here (0: allowed); it is theirs.
            change.outcome = Outcome::OverridesOutside;
            change.problem = value;
            break;
        }
        ValueWrite write;
        write.created = mdl::CreateKey(registry_, key);
        write.stored = mdl::SetDWordValue(registry_, key, Name(value), 1);
        change.writes.values.push_back(write);
        if (!write.Done()) {
            change.outcome = Outcome::Failed;
            change.problem = value;
            break;
        }
        const auto back = mdl::GetDWordValue(registry_, key, Name(value));
        if (back.form() != mdl::RegReadResult::Form::Number || back.number() != 1) {
            // Written by Kelvane just now but not confirmed: it goes rather than stay unrecorded.
            change.writes.values.push_back(
                FailedStep(mdl::DeleteValue(registry_, key, Name(value))));
            change.outcome = Outcome::NotReadBack;
            change.problem = value;
            break;
        }
        ValueWrite record;
        record.created = mdl::CreateKey(registry_, kLayerRecordKey);
        record.stored =
            mdl::SetQWordValue(registry_, kLayerRecordKey, RecordName(which, value), now);
        change.writes.values.push_back(record);
        if (!record.Done() || !Recorded(which, value)) {
            // Unrecorded, the value would never be taken away again: it goes now.
            change.writes.values.push_back(
                FailedStep(mdl::DeleteValue(registry_, key, Name(value))));
            change.outcome = record.Done() ? Outcome::NotReadBack : Outcome::Failed;
            change.problem = value;
            break;
        }
        change.added.push_back(value);
    }
    ApplyIfChanged(change);
    return change;
}

LayerChange WindowsPolicyLayer::Remove(Switch which) {
    LayerChange change;
    for (const PolicyValue& value : LayerValues(which)) {
        if (!Recorded(which, value)) {
            continue; // nothing of Kelvane's for this protection
        }
        if (!RecordedByOther(which, value)) {
            const std::string key = value.KeyPath();
            const auto read = mdl::GetDWordValue(registry_, key, Name(value));
            // Changed since Kelvane set it: no longer Kelvane's to take away.
            if (read.form() == mdl::RegReadResult::Form::Number && read.number() == 1) {
                const auto deleted = mdl::DeleteValue(registry_, key, Name(value));
                change.writes.values.push_back(FailedStep(deleted));
                if (!deleted.ok()) {
                    change.outcome = Outcome::Failed;
                    change.problem = value;
                    break;
                }
                change.removed.push_back(value);
            }
        }
        const auto forgotten =
            mdl::DeleteValue(registry_, kLayerRecordKey, RecordName(which, value));
        change.writes.values.push_back(FailedStep(forgotten));
        if (!forgotten.ok()) {
            change.outcome = Outcome::Failed;
            change.problem = value;
            break;
        }
    }
    ApplyIfChanged(change);
    return change;
}

void WindowsPolicyLayer::ApplyIfChanged(LayerChange& change) const {
    if (change.Changed() && system_.applyPolicyNow) {
        change.applied = system_.applyPolicyNow();
    }
}

} // namespace kv::protection
