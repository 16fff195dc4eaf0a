#pragma once
// What `status` prints: the three states as the window shows them and the drives its
// drive line lists, for a person (the window's own words) or for a script (JSON).

#include "cli/command.h"
#include "drives/drive_line.h"

#include <optional>
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

// The administrator's own Removable Storage Access policy for removable disks, as Windows
// acts on it: true or false when the value is set, nullopt when it is not (or unreadable).
struct WindowsPolicy {
    std::optional<bool> denyAll;   // Deny_All on the policy's root key
    std::optional<bool> denyWrite; // Deny_Write for the removable-disk class
    std::optional<bool> denyRead;  // Deny_Read for the removable-disk class
};

struct StatusReport {
    SwitchStates states;
    std::vector<drives::ListedDrive> drives;
    WindowsPolicy windowsPolicy;
};

// One line per protection, the drive line, then one line per protection that is on and
// does not hold for a listed drive (the window's words); each ends in "\n".
std::wstring StatusText(const StatusReport& report);

// One JSON object and "\n", in UTF-8; valid JSON for any label:
// {"writeProtect": bool, "usbLock": bool, "autorun": bool,
//  "drives": [{"letter": "E", "label": "DATA", "readOnly": bool, "bus": "usb",
//              "driver": "USBSTOR" or null,
//              "protections": {"writeProtect": {"holds": bool, "whyNot": WHY or null},
//                              "usbLock": {...}}}],
//  "windowsPolicy": {"Deny_All": bool or null, "Deny_Write": ..., "Deny_Read": ...}}
// "protections" names only the protections that are on; WHY is "attachedBefore",
// "notCovered" or "unknown".
std::string StatusJson(const StatusReport& report);

// The line StatusText gives for one protection, e.g. L"USB Device Lock: Locked".
std::wstring StateLine(Switch name, bool on);

} // namespace kv::cli
