#pragma once
// The three protection switches of the main window. Each has a read, which shows what the
// registry holds, and a click, which writes the value the button's caption asks for and
// reads again. The main window passes the view of the switch's own block.

#include "protection/switch_view.h"

namespace kv::protection {

// Write protection: "WriteProtect", 1 on, 0 off.
void GetPStat(SwitchView& view);
void cmdApply_Click(SwitchView& view);

// USB storage lock: the storage driver's "Start", 4 locked, 3 unlocked.
void GetBStat(SwitchView& view);
void cmdLock_Click(SwitchView& view);

// Autorun: "NoDriveTypeAutoRun" machine-wide and per-user, 255 disabled, 0 enabled.
// The read never throws: a failing step is skipped and the next one runs.
void GetAutorunStat(SwitchView& view);
void cmdUSBAutorunControl_Click(SwitchView& view);

} // namespace kv::protection
