#pragma once
// What `status` prints: the three states as the window shows them and the drives its
// drive line lists, for a person (the window's own words) or for a script (JSON).

#include "cli/command.h"
#include "drives/drive_line.h"
#include "protection/switches.h"
#include "protection/windows_policy.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::cli {

// The command line's "on" for a protection: write protection and the lock are on when
// they protect, autorun is on when it is allowed (the window's "Enabled").
bool CommandLineOn(Switch name, protection::OnOff protection);
protection::OnOff ProtectionFor(Switch name, bool commandLineOn);

// One protection as status reports it: the window's state, or unknown when a value that
// exists could not be read (a missing value is a state: the window's).
struct ReportedState {
    std::optional<protection::OnOff> protection; // nothing: unknown
    std::wstring unknownBecause;                 // the reason, when unknown

    bool operator==(const ReportedState&) const = default;
};

struct SwitchStates {
    ReportedState writeProtect;
    ReportedState usbLock;
    ReportedState autorun;

    bool operator==(const SwitchStates&) const = default;
};

// The administrator's own Removable Storage Access policy for removable disks, as Windows
// acts on it: true or false when the value is set, nullopt when it is not (or unreadable).
struct WindowsPolicy {
    std::optional<bool> denyAll;   // Deny_All on the policy's root key
    std::optional<bool> denyWrite; // Deny_Write for the removable-disk class
    std::optional<bool> denyRead;  // Deny_Read for the removable-disk class
    // The second layer of each protection: its values, and which of them Kelvane added.
    protection::LayerState writeProtectLayer;
    protection::LayerState usbLockLayer;
};

struct StatusReport {
    SwitchStates states;
    std::vector<drives::ListedDrive> drives;
    WindowsPolicy windowsPolicy;
};

// One line per protection, the drive line, then one line per protection that is on and
// does not hold for a listed drive (the window's words), then one line per protection
// whose second layer has a value set; each ends in "\n". An unknown
// state reads "unknown" with its reason.
std::wstring StatusText(const StatusReport& report);

// The version of the JSON below: it changes only when a field changes its meaning or goes
// away; fields may be added within one version. docs/status.schema.json describes it.
inline constexpr int kStatusJsonVersion = 1;

// One JSON object and "\n", in UTF-8; valid JSON for any label:
// {"version": 1, "writeProtect": bool or null, "usbLock": ..., "autorun": ...,
//  "drives": [{"letter": "E", "label": "DATA", "readOnly": bool, "bus": "usb",
//              "driver": "USBSTOR" or null,
//              "writeProtect": {"holds": bool, "reason": WHY}, "usbLock": {...}}],
//  "windowsPolicy": {"Deny_All": bool, "Deny_Write": bool, "Deny_Read": bool,
//                    "layer": {"writeProtect": LAYER, "usbLock": LAYER}}}
// LAYER: {"set": bool, "byKelvane": bool, "since": "2026-12-09T16:48:03Z",
//         "values": [{"key": "{53f5630d-...}", "name": "Deny_Write", "set": bool or null,
//                     "byKelvane": bool}]}
// ("set": the removable-disk values hold, or Deny_All; "since" only when Kelvane set it;
// "values" lists the values that exist, "set" true for 1, null when it cannot be read).
// null is an unknown state. A drive names only the protections that are on, and "reason"
// (WHY: "attachedBefore", "notCovered" or "unknown") only where one does not hold; a
// policy value that is not set is left out.
std::string StatusJson(const StatusReport& report);

// The line StatusText gives for one protection, e.g. L"USB Device Lock: Locked".
std::wstring StateLine(Switch name, protection::OnOff protection);
std::wstring StateLine(Switch name, const ReportedState& state);

} // namespace kv::cli
