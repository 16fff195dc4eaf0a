#pragma once
// Whether a protection that is on holds for a listed drive, through what, or why not; and
// the window's words for it.
//
// Write protection holds for a drive whose volume is read-only, or that Windows does not let
// the user write to; the lock, for a drive that Windows does not let the user read. Windows'
// answer is its own (an access list that its removable-storage policy puts on the volume
// when it arrives). Where neither holds: with Windows' policy for that protection set, the
// drive either came before the policy (it will hold once re-attached) or Windows did not
// apply it; without, Kelvane's own switch did not reach it: attached before the change
// (USBSTOR), not covered (another driver), or not known. Autorun has nothing per drive.

#include "drives/drive_source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::drives {

// The two protections that act on drives.
enum class DriveProtection { WriteProtect, Lock };

// What the registry says of Windows' removable-storage policy for one protection; the
// caller fills it. The default is "no policy".
struct WindowsPolicyFacts {
    bool set = false;                  // Windows' policy denies what this protection needs
    bool setByKelvane = false;         // and Kelvane added it
    std::optional<std::int64_t> setAt; // when, UTC FILETIME ticks, if known

    bool operator==(const WindowsPolicyFacts&) const = default;
};

struct WindowsPolicies {
    WindowsPolicyFacts writeProtect;
    WindowsPolicyFacts lock;

    const WindowsPolicyFacts& For(DriveProtection protection) const {
        return protection == DriveProtection::WriteProtect ? writeProtect : lock;
    }
};

// One protection on one drive: the first two hold, the rest say why not.
enum class Verdict {
    ReadOnlyVolume,   // holds: the volume is mounted read-only
    DeniedByWindows,  // holds: Windows denies the user what the protection stops
    AttachedBefore,   // USBSTOR drive attached before Kelvane's change
    NotCovered,       // another driver than the one Kelvane's switch acts through
    Unknown,          // Windows did not say how it is attached
    UntilReattached,  // Windows' policy is set, the drive came before it (or when is unknown)
    PolicyNotApplied, // Windows' policy is set, the drive came after it and still escapes
};

constexpr bool Holds(Verdict verdict) {
    return verdict == Verdict::ReadOnlyVolume || verdict == Verdict::DeniedByWindows;
}

// The verdict for a protection that is on.
Verdict VerdictFor(DriveProtection protection, const ListedDrive& drive,
                   const WindowsPolicyFacts& policy = {});

// Which protections are on now.
struct ProtectionsOn {
    bool writeProtect = false;
    bool lock = false;
};

// One protection's verdict on one drive; in a shortfall, never one that holds.
struct Shortfall {
    DriveProtection protection;
    Verdict why;
    ListedDrive drive;
    bool operator==(const Shortfall&) const = default;
};

// Every protection that is on, for every drive, by drive letter, write protection first:
// its verdict (holding or not).
std::vector<Shortfall> Verdicts(const std::vector<ListedDrive>& drives, ProtectionsOn on,
                                const WindowsPolicies& policies = {});

// Every protection that is on and does not hold, in the same order.
std::vector<Shortfall> Shortfalls(const std::vector<ListedDrive>& drives, ProtectionsOn on,
                                  const WindowsPolicies& policies = {});

// One protection's verdict on one drive in the window's words, one sentence or two; for a
// protection that holds through Windows, whose policy it was.
std::wstring VerdictText(DriveProtection protection, Verdict verdict, const ListedDrive& drive,
                         const WindowsPolicyFacts& policy = {});
std::wstring ShortfallText(const Shortfall& shortfall);

// What the notice line says instead of its design text: the first shortfall and how many
// more; empty when there is none.
std::wstring ShortfallNotice(const std::vector<Shortfall>& shortfalls);

// Every shortfall, one to a line (for the notice's tooltip); empty when there is none.
std::wstring ShortfallList(const std::vector<Shortfall>& shortfalls);

} // namespace kv::drives
