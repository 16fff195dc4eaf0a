#pragma once
// The machine's drives through the Windows drive functions (Windows only).
//
// Drives in letter order A to Z as GetLogicalDrives reports them; GetDriveTypeW first, so
// network and optical drives are never touched (no network time-outs, no spinning up, no
// frozen window). A removable drive is listed when GetVolumeInformationW reads its volume
// (ready), which also gives its label, serial number and read-only flag; a fixed one only
// when its bus, asked on the volume opened without access, is one of USB storage.
// Critical-error dialogs ("insert a disk") are off for the calling thread while a volume
// is read. The only failure is GetLogicalDrives itself failing.
//
// Bus, driver and Windows' answer on access change only when a drive arrives: they are
// looked up once per letter and volume serial number, and again after DevicesChanged (the
// answer also after AccessChanged). A pass re-reads only the volume.

#include "drives/drive_source.h"

#include <memory>

namespace kv::drives {

std::unique_ptr<DriveSource> MakeWindowsDriveSource();

} // namespace kv::drives
