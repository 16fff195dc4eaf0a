#include "cli/utf8.h"

#include "password/password_format.h"

namespace kv::cli {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendWide(std::wstring& out, char32_t c) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(c));
    }
}

} // namespace

std::string ToUtf8(std::wstring_view text) {
    std::wstring valid(text);
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const auto c = static_cast<char32_t>(valid[i]);
        if (IsHighSurrogate(c) && i + 1 < valid.size() &&
            IsLowSurrogate(static_cast<char32_t>(valid[i + 1]))) {
            ++i; // a pair: one character
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            valid[i] = static_cast<wchar_t>(kReplacement);
        }
    }
    return password::WideToUtf8(valid);
}

std::optional<std::wstring> FromUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t least = 0; // the smallest value that needs this many bytes
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07;
            least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (bytes.size() - i < length) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            return std::nullopt;
        }
        AppendWide(out, c);
        i += length;
    }
    return out;
}

std::optional<unsigned> LegacyInputCodePage(unsigned consoleInputCodePage, unsigned oemCodePage) {
    constexpr unsigned kUtf8CodePage = 65001;
    const unsigned codePage = consoleInputCodePage != 0 ? consoleInputCodePage : oemCodePage;
    if (codePage == 0 || codePage == kUtf8CodePage) {
        return std::nullopt;
    }
    return codePage;
}

std::optional<std::wstring> DecodeInputLine(std::string_view line, unsigned consoleInputCodePage,
                                            unsigned oemCodePage, CodePageDecoder decode) {
    if (auto text = FromUtf8(line)) {
        return text;
    }
    const auto codePage = LegacyInputCodePage(consoleInputCodePage, oemCodePage);
    if (!codePage || decode == nullptr) {
        return std::nullopt;
    }
    return decode(*codePage, line);
}

std::string_view FirstLine(std::string_view input) {
    if (input.starts_with("\xEF\xBB\xBF")) {
        input.remove_prefix(3);
    }
    if (const auto end = input.find('\n'); end != std::string_view::npos) {
        input = input.substr(0, end);
    }
    if (input.ends_with('\r')) {
        input.remove_suffix(1);
    }
    return input;
}

} // namespace kv::cli
