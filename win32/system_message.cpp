#include "win32/system_message.h"

namespace kv::win32 {

std::wstring SystemMessage(DWORD code) {
    wchar_t* description = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&description), 0, nullptr);
    std::wstring text;
    if (length > 0 && description) {
        text.assign(description, length);
    }
    if (description) {
        ::LocalFree(description);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

} // namespace kv::win32
