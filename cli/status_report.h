#pragma once
// What `status` prints: the three states as the window shows them and the drives its
// drive line lists, for a person (the window's own words) or for a script (JSON).

#include "cli/command.h"
#include "drives/drive_line.h"

#include <string>
#include <vector>

namespace kv::cli {

// Each state as the window shows it. `autorun` is true when autorun is allowed (the window
// says "Enabled"); `usbLock` is true only when the window says "Locked".
struct SwitchStates {
    bool writeProtect = false;
    bool usbLock = false;
    bool autorun = false;

    bool operator==(const SwitchStates&) const = default;
};

struct StatusReport {
    SwitchStates states;
    std::vector<drives::ListedDrive> drives;
};

// One line per protection, then the drive line, each ending in "\n".
std::wstring StatusText(const StatusReport& report);

// The version of the JSON below: it changes only when a field changes its meaning or goes
// away; fields may be added within one version. docs/status.schema.json describes it.
inline constexpr int kStatusJsonVersion = 1;

// {"version": 1, "writeProtect": .., "usbLock": .., "autorun": .., "drives": [{"letter": ..,
// "label": ..}]} and "\n", in UTF-8. Valid JSON for any label.
std::string StatusJson(const StatusReport& report);

// The line StatusText gives for one protection, e.g. L"USB Device Lock: Locked".
std::wstring StateLine(Switch name, bool on);

} // namespace kv::cli
