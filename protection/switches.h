#pragma once
// The three protection switches of the main window. Each has a read, which shows what the
// registry holds, and a toggle, which writes the value the button's caption asks for and
// reads again. The main window passes the view of the switch's own block.

#include "protection/switch_view.h"

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

} // namespace kv::protection
