#pragma once
// What `check` answers: are these protections on, and do they hold for every listed drive?
// One verdict from the same report `status` prints, for scripts and device management.

#include "cli/status_report.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::cli {

// One reason a check fails, in the window's words; `drive` names the drive it is about.
struct CheckReason {
    Switch protection;
    std::wstring drive; // empty: the protection itself is off
    std::wstring text;

    bool operator==(const CheckReason&) const = default;
};

struct CheckVerdict {
    std::vector<Switch> checked;   // what was asked of the report, in the window's order
    std::optional<bool> compliant; // nothing: a state it needs could not be read
    std::vector<CheckReason> reasons;
    std::wstring unknown; // why compliance cannot be told, when it cannot

    bool operator==(const CheckVerdict&) const = default;
};

// `named` empty: the protections that are on (for autorun: suppressed). A named protection
// must be on and hold for every listed drive; autorun has nothing per drive. Only the
// states a check needs decide it: with no name, all three.
CheckVerdict Judge(const StatusReport& report, const std::vector<Switch>& named);

// The lines for a person, each ending in "\n": the reasons (or the states that were found
// on), then "Compliant." or "Not compliant."; nothing when compliance is unknown.
std::wstring CheckText(const CheckVerdict& verdict);

// The object `status --json` prints, with "checked", "compliant" (null when unknown) and
// "reasons" added.
std::string CheckJson(const StatusReport& report, const CheckVerdict& verdict);

} // namespace kv::cli
