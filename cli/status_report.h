#pragma once
// What `status` prints: the three states as the window shows them and the drives its
// drive line lists, for a person (the window's own words) or for a script (JSON).

#include "cli/command.h"
#include "drives/drive_line.h"
#include "drives/holds.h"
#include "protection/switches.h"
#include "protection/windows_policy.h"

#include <optional>
#include <string>
#include <string_view>
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

// What the policy means for the drives' protections: write protection's when it denies
// writes to removable disks, the lock's when it denies reading them.
drives::WindowsPolicies DrivePolicies(const WindowsPolicy& policy);

struct StatusReport {
    SwitchStates states;
    std::vector<drives::ListedDrive> drives;
    WindowsPolicy windowsPolicy;
};

// One line per protection, the drive line, then for every listed drive one line per
// protection that is on: through what it holds or why not (the window's words), then one
// line per protection whose second layer has a value set; each ends in "\n". An unknown
// state reads "unknown" with its reason.
std::wstring StatusText(const StatusReport& report);

// The version of the JSON below: it changes only when a field changes its meaning or goes
// away; fields may be added within one version. docs/status.schema.json describes it.
inline constexpr int kStatusJsonVersion = 1;

// One JSON object and "\n", in UTF-8; valid JSON for any label:
// {"version": 1, "writeProtect": bool or null, "usbLock": ..., "autorun": ...,
//  "drives": [{"letter": "E", "label": "DATA", "readOnly": bool, "bus": "usb",
//              "driver": "USBSTOR" or null,
//              "windowsAccess": {"write": ANSWER, "read": ANSWER},
//              "writeProtect": {"holds": true, "through": HOW, "windowsPolicy": WHOSE}
//                           or {"holds": false, "reason": WHY}, "usbLock": {...}}],
//  "windowsPolicy": {"Deny_All": bool, "Deny_Write": bool, "Deny_Read": bool,
//                    "layer": {"writeProtect": LAYER, "usbLock": LAYER}}}
// LAYER: {"set": bool, "byKelvane": bool, "since": "2026-12-09T16:48:03Z",
//         "values": [{"key": "{53f5630d-...}", "name": "Deny_Write", "set": bool or null,
//                     "byKelvane": bool}]}
// ("set": the removable-disk values hold, or Deny_All; "since" only when Kelvane set it;
// "values" lists the values that exist, "set" true for 1, null when it cannot be read).
// null is an unknown state. ANSWER is Windows' answer for the current user: "allowed",
// "denied" or "unknown". A drive names only the protections that are on; HOW is
// "readOnlyVolume" or "deniedByWindows" (only the latter with WHOSE: "kelvane", "outside" or
// "none"), WHY is "attachedBefore", "notCovered", "unknown", "untilReattached" or
// "policyNotApplied". A policy value that is not set is left out.
// `moreFields` (", \"name\": value", ...) goes after the last field, for commands that
// print this object with more to say.
std::string StatusJson(const StatusReport& report, std::string_view moreFields = {});

// `text` as a JSON string, quotes included, escaped so that any label stays valid JSON.
void AppendJsonString(std::string& out, std::wstring_view text);

// The line StatusText gives for one protection, e.g. L"USB Device Lock: Locked".
std::wstring StateLine(Switch name, protection::OnOff protection);
std::wstring StateLine(Switch name, const ReportedState& state);

} // namespace kv::cli
