#pragma once
// Two small rules for text that every layer needs, without a Windows header so that portable
// code shares them: the program's own narrow texts made wide, and names compared as Windows
// compares them.

#include <algorithm>
#include <cwctype>
#include <string>
#include <string_view>

namespace kv::win32 {

// The narrow texts the program makes itself (the registry module's lines, an exception's
// what()) are ASCII. A byte outside ASCII belongs to some code page this cannot know: it
// becomes U+FFFD, never a wrong letter or a control character of another range.
inline std::wstring Widened(std::string_view narrow) {
    std::wstring wide;
    wide.reserve(narrow.size());
    for (const char c : narrow) {
        const auto byte = static_cast<unsigned char>(c);
        wide.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : L'\xFFFD');
    }
    return wide;
}

// Service, driver and enumerator names are case-insensitive in Windows ("UASPStor",
// "uaspstor").
inline bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) {
        return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
    });
}

} // namespace kv::win32
