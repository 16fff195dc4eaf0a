#pragma once
// One pass of the device line: the ready removable drives as "<volume> (<letter>:)"
// entries, in the order the source yields them, behind a count.

#include "drives/drive_source.h"

#include <string>
#include <vector>

namespace kv::drives {

inline constexpr wchar_t kNoDeviceCaption[] = L"No USB Storage device detected.";

// Goes through the whole collection once, from an empty list, and returns the caption for
// the device line: "<n> device(s) detected: <list>" or kNoDeviceCaption. A failed read ends
// the pass where it happens and returns that error instead; the caller then leaves the
// caption as it was, so the line never shows a partly built list.
//
// Per drive it asks IsReady, then Type, then VolumeName and Letter, and stops asking as soon
// as the drive is out (not ready, or not removable). A source may answer cheaply where that
// gives the same list (see drive_source_win.h).
DriveResult<std::wstring> BuildDriveLine(DriveSource& source);

// One drive of the line: its letter alone (L"E") and its volume label, possibly empty.
struct ListedDrive {
    std::wstring letter;
    std::wstring label;
    bool operator==(const ListedDrive&) const = default;
};

// The pass of BuildDriveLine without the caption: the drives it would list, in its order.
// The window and the command line both list drives through this one pass.
DriveResult<std::vector<ListedDrive>> ListReadyRemovableDrives(DriveSource& source);
// The caption for drives listed by that pass.
std::wstring DriveLineCaption(const std::vector<ListedDrive>& drives);

} // namespace kv::drives
