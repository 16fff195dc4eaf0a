#pragma once
// How a drive hangs on the machine, asked of Windows without touching the media (Windows
// only): the volume is opened with zero desired access, which reads nothing from the disk
// and never prompts for a medium.

#include "drives/attachment.h"
#include "drives/drive_source.h"

#include <optional>

namespace kv::drives {

// The bus of the drive at `letter`; Bus::Unknown when the storage stack does not answer.
Bus QueryBus(wchar_t letter);

// Whether Windows itself runs from a drive on a USB, SD, MMC or 1394 bus (the system
// volume's bus, asked as for listed drives); nullopt when the storage stack does not say.
std::optional<bool> SystemOnHotPlugBus();

// Bus, driver and coverage of the drive at `letter`. The driver is the service of the
// parent of the disk whose device number is the volume's, found through the present disk
// interfaces (cfgmgr32, loaded from the system folder on first use). Anything Windows
// cannot say (cfgmgr32's device functions are stubs under Wine) leaves it unknown.
Attachment QueryAttachment(wchar_t letter, Bus bus);

} // namespace kv::drives
