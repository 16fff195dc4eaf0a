#pragma once
// What `status` prints: the three states as the window shows them and the drives its
// drive line lists, for a person (the window's own words) or for a script (JSON).

#include "cli/command.h"
#include "drives/drive_line.h"
#include "protection/switches.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::cli {

// The command line's "on" for a protection: write protection and the lock are on when
// they protect, autorun is on when it is allowed (the window's "Enabled").
bool CommandLineOn(Switch name, protection::Protection protection);
protection::Protection ProtectionFor(Switch name, bool commandLineOn);

// One protection as status reports it: the window's state, or unknown when a value that
// exists could not be read (a missing value is a state: the window's).
struct ReportedState {
    std::optional<protection::Protection> protection; // nothing: unknown
    std::wstring unknownBecause;                      // the reason, when unknown

    bool operator==(const ReportedState&) const = default;
};

struct SwitchStates {
    ReportedState writeProtect;
    ReportedState usbLock;
    ReportedState autorun;

    bool operator==(const SwitchStates&) const = default;
};

struct StatusReport {
    SwitchStates states;
    std::vector<drives::ListedDrive> drives;
};

// One line per protection, then the drive line, each ending in "\n". An unknown state
// reads "unknown" with its reason.
std::wstring StatusText(const StatusReport& report);

// The version of the JSON below: it changes only when a field changes its meaning or goes
// away; fields may be added within one version. docs/status.schema.json describes it.
inline constexpr int kStatusJsonVersion = 1;

// {"version": 1, "writeProtect": .., "usbLock": .., "autorun": .., "drives": [{"letter": ..,
// "label": ..}]} and "\n", in UTF-8: true, false, or null for an unknown state. Valid JSON
// for any label.
std::string StatusJson(const StatusReport& report);

// The line StatusText gives for one protection, e.g. L"USB Device Lock: Locked".
std::wstring StateLine(Switch name, protection::Protection protection);
std::wstring StateLine(Switch name, const ReportedState& state);

} // namespace kv::cli
