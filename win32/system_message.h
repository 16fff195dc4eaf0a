#pragma once
// The system's own description of an error code, in the user's language.

#include <windows.h>

#include <string>

namespace kv::win32 {

// The description of `code` without its trailing line break and blanks; empty when the
// system has none.
std::wstring SystemMessage(DWORD code);

// "Access is denied (error 5)": the description without its closing full stop, so a
// sentence can go on after it, and the code for a search; "error N" alone without one.
std::wstring ErrorReason(DWORD code);

} // namespace kv::win32
