#pragma once
// One pass of the device line: the ready removable drives as "<volume> (<letter>:)"
// entries, in the order the source yields them, behind a count.

#include "drives/drive_source.h"

#include <string>

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

} // namespace kv::drives
