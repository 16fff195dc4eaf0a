#pragma once
// How a drive is named to the user: "<label> (<letter>:)".
//
// A volume label is text from the device, chosen by whoever formatted it. Shown raw, a line
// break in it would split the window's notice so that its reason falls out of view, and a
// line or paragraph separator (or C1's NEL) would forge whole lines of `status` text.
// Everything that names a drive to a person goes through here; JSON keeps the label as
// Windows gives it.

#include "drives/drive_source.h"

#include <string>
#include <string_view>

namespace kv::drives {

// `text` safe to show on one line: control characters (C0, DEL, C1) and the line and
// paragraph separators become spaces; the bidirectional controls, which would reorder the
// words around them, are dropped.
std::wstring OneLine(std::wstring_view text);

// "DATA (E:)", from the drive's label and letter made safe by OneLine.
std::wstring DriveName(const ListedDrive& drive);

} // namespace kv::drives
