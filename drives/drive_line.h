#pragma once
// The device line: the ready drives of USB storage as "<volume> (<letter>:)" entries, in
// the order the source gives them, behind a count.

#include "drives/drive_source.h"

#include <string>
#include <vector>

namespace kv::drives {

inline constexpr wchar_t kNoDeviceCaption[] = L"No USB Storage device detected.";

// "<n> device(s) detected: <list>" or kNoDeviceCaption.
std::wstring DriveLineCaption(const std::vector<ListedDrive>& drives);

// One pass: the source's drives and their caption, or the error that ended the pass (the
// caller then leaves the caption as it was, so the line never shows a partly built list).
DriveResult<std::wstring> BuildDriveLine(DriveSource& source);

} // namespace kv::drives
