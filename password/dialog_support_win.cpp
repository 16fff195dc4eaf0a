#include "password/dialog_support_win.h"

#include <string_view>

namespace kv::password {

void ReadSecretText(HWND edit, SecretText& out) {
    const int length = ::GetWindowTextLengthW(edit);
    if (length <= 0) {
        out.Wipe();
        return;
    }
    wchar_t* buffer = out.Resize(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(edit, buffer, length + 1);
    // Only what was copied counts (the text may have shrunk in between).
    out.Truncate(static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void AllowAnyLength(HWND edit) {
    ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
}

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() {
    ::SetCursor(previous_);
}

std::wstring SaveFailedMessage(long error) {
    std::wstring text = kSaveFailedText;
    if (error == 0) {
        return text;
    }
    wchar_t* description = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&description), 0,
        nullptr);
    if (length > 0 && description) {
        std::wstring_view line(description, length);
        while (!line.empty() &&
               (line.back() == L'\n' || line.back() == L'\r' || line.back() == L' '))
            line.remove_suffix(1);
        if (!line.empty()) {
            text += L"\r\n";
            text += line;
        }
    }
    if (description) {
        ::LocalFree(description);
    }
    return text;
}

} // namespace kv::password
