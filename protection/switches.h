#pragma once
// The three protection switches of the main window. Each has a read, which shows what the
// registry holds, and a toggle, which writes the value the button's caption asks for and
// reads again. The main window passes the view of the switch's own block.

#include "protection/switch_view.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace kv::protection {

enum class Switch {
    WriteProtect, // "WriteProtect" of the storage-device policies: 1 on, 0 off
    UsbLock,      // "Start" of the USB storage driver: 4 locked, 3 unlocked
    Autorun,      // "NoDriveTypeAutoRun" machine-wide and per-user: 255 disabled, 0 enabled
};

// Shows what the registry holds for the switch. The autorun read never throws: a failing
// step is skipped and the next one runs; the other two let a failure reach the caller.
void ReadSwitch(Switch which, SwitchView& view);

// Writes the value that the switch's button caption asks for, then reads again.
void ToggleSwitch(Switch which, SwitchView& view);

// The same switches without a window (the command line). "On" is the state the block
// names first: write protection "Enabled", storage "Locked", autorun "Enabled" (allowed).

// The heading of the switch's block: "USB Device Write Protection", ...
[[nodiscard]] std::wstring_view SwitchHeading(Switch which);

// The word the block's status label shows for the state: "Enabled", "Locked", ...
[[nodiscard]] std::wstring_view StateWord(Switch which, bool on);

// Whether the block would show the switch on, by the same rules as ReadSwitch. Creates no
// key and writes nothing.
[[nodiscard]] bool IsSwitchOn(Switch which);

// Stores what the switch's button stores to reach `on`, as the window would: the
// write-protection and lock keys created first when the window's read would create them,
// the autorun keys before each write. Returns the failure codes of the writes (5 when
// refused for lack of rights), oldest first; the caller reads the state back.
[[nodiscard]] std::vector<std::int32_t> SetSwitch(Switch which, bool on);

} // namespace kv::protection
