#pragma once
// Modal message boxes, owned by the active form.

#include <windows.h>

#include <string_view>

namespace kv::ui {

enum class MessageIcon { Information, Question, Exclamation, Error };
enum class MessageButtons { Ok, YesNo };

// Returns the button pressed (IDOK, IDYES, IDNO). Owned by the active window of ours.
int ShowMessage(std::wstring_view title, std::wstring_view text, MessageIcon icon,
                MessageButtons buttons);

} // namespace kv::ui
