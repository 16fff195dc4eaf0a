#pragma once
// The machine's drives through the Windows drive functions (Windows only).
//
// The collection is the drives that GetDriveTypeW calls removable, in letter order A to Z
// as GetLogicalDrives reports them. Asking the type first means fixed, network and optical
// drives are never touched: no network time-outs, no spinning up, no frozen window. Such a
// source answers the device line's questions in a different order than it asks them
// (readiness first), yet gives the same line: a drive of another type is never listed
// whether or not it is ready, so leaving it out of the collection changes nothing.
//
// IsReady reads the volume with GetVolumeInformationW and keeps the label for VolumeName;
// any failure there (no medium, an unformatted or vanished volume) means "not ready", not
// an error. Critical-error dialogs ("insert a disk") are off for the calling thread while
// a volume is read. The only failure is GetLogicalDrives itself failing.

#include "drives/drive_source.h"

#include <memory>

namespace kv::drives {

std::unique_ptr<DriveSource> MakeWindowsDriveSource();

} // namespace kv::drives
