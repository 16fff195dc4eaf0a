#pragma once
// Whether a protection that is on holds for a listed drive, and the window's words when it
// does not.
//
// Write protection holds for a drive whose volume is read-only. A writable one was attached
// before the change (USBSTOR: its volume was mounted writable), is not covered (another
// driver), or cannot be told apart. The lock never holds for a drive that is still listed:
// it stays usable until removed (USBSTOR) or is not covered (another driver). Autorun has
// nothing per drive.

#include "drives/drive_source.h"

#include <optional>
#include <string>
#include <vector>

namespace kv::drives {

enum class Protection { WriteProtect, Lock };

enum class WhyNot { AttachedBefore, NotCovered, Unknown };

// nullopt: the protection holds for the drive (asked only while the protection is on).
std::optional<WhyNot> WhyNotHeld(Protection protection, const ListedDrive& drive);

// Which protections are on now.
struct ProtectionsOn {
    bool writeProtect = false;
    bool lock = false;
};

struct Shortfall {
    Protection protection;
    WhyNot why;
    ListedDrive drive;
    bool operator==(const Shortfall&) const = default;
};

// Every protection that is on and does not hold, by drive letter, write protection first.
std::vector<Shortfall> Shortfalls(const std::vector<ListedDrive>& drives, ProtectionsOn on);

// One shortfall in the window's words, one sentence or two.
std::wstring ShortfallText(const Shortfall& shortfall);

// What the notice line says instead of its design text: the first shortfall and how many
// more; empty when there is none.
std::wstring ShortfallNotice(const std::vector<Shortfall>& shortfalls);

// Every shortfall, one to a line (for the notice's tooltip); empty when there is none.
std::wstring ShortfallList(const std::vector<Shortfall>& shortfalls);

} // namespace kv::drives
