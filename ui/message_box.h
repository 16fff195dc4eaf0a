#pragma once
// Modal message boxes with the application's title.

#include <windows.h>

#include <string_view>

namespace kv::ui {

inline constexpr wchar_t kAppTitle[] = L"Kelvane";

enum class MessageIcon { Information, Question, Exclamation };
enum class MessageButtons { Ok, YesNo };

// Returns the button pressed (IDOK, IDYES, IDNO). Owned by the active window of ours.
int ShowMessage(std::wstring_view text, MessageIcon icon, MessageButtons buttons);

} // namespace kv::ui
