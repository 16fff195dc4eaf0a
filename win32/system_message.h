#pragma once
// The system's own description of an error code, in the user's language.

#include <windows.h>

#include <string>

namespace kv::win32 {

// The description of `code` without its trailing line break and blanks; empty when the
// system has none.
std::wstring SystemMessage(DWORD code);

} // namespace kv::win32
