#pragma once
// Windows' own removable-storage policy as a second layer under write protection and the
// lock. Windows enforces it by device class, whatever driver a drive uses: removable disks,
// and phones and cameras. Kelvane adds it only when asked, records each value it added
// under its own machine key, and takes away only what it recorded: a value that an
// administrator set beforehand (Group Policy, Intune) is never touched. Portable logic over
// the registry module's layer; what must be asked of Windows itself comes in as functions.

#include "protection/switches.h"
#include "registry/reg_api.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <vector>

namespace kv::protection {

inline constexpr char kRemovableStoragePolicyKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
// Kelvane's record of the values it added: one REG_QWORD per protection and value, holding
// when it was added (a UTC FILETIME).
inline constexpr char kLayerRecordKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelvane\\WindowsPolicy";

inline constexpr char kRemovableDiskClass[] = "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
inline constexpr char kWpdDeviceClass[] = "{6AC27878-A6FA-4155-BA85-F98F491D4F33}";
inline constexpr char kWpdClass[] = "{F33FDC04-D1AC-4E8E-9A30-19BBD4B108AE}";

// One value of the policy: a device class's key under the policy root, and the value set
// to 1 there.
struct PolicyValue {
    std::string_view deviceClass;
    std::string_view name; // "Deny_Write" or "Deny_Read"

    std::string KeyPath() const;
    bool operator==(const PolicyValue&) const = default;
};

// The values a protection's layer sets, removable disks first. None for autorun.
std::span<const PolicyValue> LayerValues(Switch which);

// One value as it stands now.
struct PolicyValueState {
    PolicyValue value;
    bool present = false;           // the value exists (whatever it holds)
    bool set = false;               // it holds 1
    bool readFailed = false;        // it exists but could not be read
    bool byKelvane = false;         // set, and Kelvane recorded it as its own
    std::optional<std::int64_t> at; // when Kelvane added it (FILETIME, UTC)

    bool operator==(const PolicyValueState&) const = default;
};

// What the drive verdicts need of one protection's layer: whether Windows' policy for
// removable disks is set, whether Kelvane set it, and since when.
struct LayerFacts {
    bool set = false;
    bool setByKelvane = false;
    std::optional<std::int64_t> setAt; // FILETIME, UTC; only when Kelvane set it

    bool operator==(const LayerFacts&) const = default;
};

struct LayerState {
    std::vector<PolicyValueState> values; // in the order of LayerValues
    bool denyAll = false;                 // Deny_All = 1 on the policy root: every class denied

    // For the drives: the removable-disk values only (drives are disks).
    LayerFacts Facts() const;
};

// What Add or Remove came to, for the window, the command line and the event log alike.
struct LayerChange {
    enum class Outcome {
        Done,
        Failed,           // a registry call failed (see `writes`; Refused() for rights)
        NotReadBack,      // a value was written but did not read back as 1
        OverridesOutside, // a value set to something else outside Kelvane: left alone
        SystemOnHotPlug,  // Windows runs from a USB, SD, MMC or 1394 drive: nothing added
    };
    Outcome outcome = Outcome::Done;
    std::vector<PolicyValue> added;       // written and recorded now
    std::vector<PolicyValue> removed;     // taken away now
    std::vector<PolicyValue> leftOutside; // set outside Kelvane: left as it is
    std::optional<PolicyValue> problem;   // the value the outcome is about
    WriteResult writes;                   // every registry change tried, in order
    bool applied = false;                 // Windows was asked to apply its policy now

    bool Done() const { return outcome == Outcome::Done; }
    bool Refused() const { return outcome == Outcome::Failed && writes.Refused(); }
    bool Changed() const { return !added.empty() || !removed.empty(); }
};

// What the layer asks of Windows itself.
struct LayerSystem {
    // Whether Windows runs from a drive on a USB, SD, MMC or 1394 bus; nullopt when the bus
    // of the system volume cannot be learned.
    std::function<std::optional<bool>()> systemOnHotPlugBus;
    // Asks Windows to apply its policy now; false when it could not be asked.
    std::function<bool()> applyPolicyNow;
    // Now, as a UTC FILETIME.
    std::function<std::int64_t()> now;
};

// The Removable Storage Access values for removable disks as an administrator may have set
// them: true or false when set, nullopt when not set (or unreadable: Windows acts on the
// policy, Kelvane only mentions it).
struct DiskPolicyValues {
    std::optional<bool> denyAll;   // Deny_All on the policy's root key
    std::optional<bool> denyWrite; // Deny_Write for the removable-disk class
    std::optional<bool> denyRead;  // Deny_Read for the removable-disk class
};
DiskPolicyValues ReadDiskPolicy(reg::RegistryApi& registry);

// Now as a FILETIME (100 ns since 1601-01-01 UTC), from the standard clock.
std::int64_t FileTimeNow();
// "2026-12-09T16:48:03Z" for a FILETIME.
std::string Iso8601Utc(std::int64_t fileTime);

class WindowsPolicyLayer {
public:
    WindowsPolicyLayer(reg::RegistryApi& registry, LayerSystem system)
        : registry_(registry), system_(std::move(system)) {}

    // Reads the policy values of the protection and Kelvane's record. Writes nothing.
    [[nodiscard]] LayerState Read(Switch which) const;

    // Sets each value of the protection's layer that is not set yet, reads it back and
    // records it; a value already set by Kelvane for the other protection is recorded for
    // this one too. Stops at the first failure: what was added before it stays recorded.
    [[nodiscard]] LayerChange Add(Switch which);

    // Takes away what Kelvane recorded for this protection: a value goes only when no
    // other protection's record keeps it, and only while it still holds 1.
    [[nodiscard]] LayerChange Remove(Switch which);

private:
    bool Recorded(Switch which, const PolicyValue& value) const;
    std::optional<std::int64_t> RecordedAt(Switch which, const PolicyValue& value) const;
    bool RecordedByOther(Switch which, const PolicyValue& value) const;
    void ApplyIfChanged(LayerChange& change) const;

    reg::RegistryApi& registry_;
    LayerSystem system_;
};

} // namespace kv::protection
