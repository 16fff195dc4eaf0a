#include "win32/system_message.h"

#include "win32/unique_handle.h"

namespace kv::win32 {

std::wstring SystemMessage(DWORD code) {
    UniqueLocalText description;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(description.put()), 0, nullptr);
    std::wstring text;
    if (length > 0 && description) {
        text.assign(description.get(), length);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

std::wstring ErrorReason(DWORD code) {
    std::wstring text = SystemMessage(code);
    while (!text.empty() && (text.back() == L'.' || text.back() == L' ')) {
        text.pop_back();
    }
    const std::wstring number = L"error " + std::to_wstring(code);
    return text.empty() ? number : text + L" (" + number + L")";
}

} // namespace kv::win32
