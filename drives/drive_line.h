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

} // namespace kv::drives
