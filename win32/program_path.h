#pragma once
// The full path of this program's own file, of any length.

#include <string>

namespace kv::win32 {

// Empty when Windows cannot say.
std::wstring ThisProgramPath();

} // namespace kv::win32
