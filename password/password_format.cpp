#include "password/password_format.h"

#include "win32/text.h"

namespace kv::password {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of one Base64 character, or -1.
int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Canonical decimal: digits only, no sign, no leading zero, within [1, kMaxIterations].
std::optional<std::uint32_t> ParseIterations(std::string_view text) {
    if (text.empty() || text.size() > 8 || text.front() == '0')
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value > kMaxIterations)
        return std::nullopt;
    return value;
}

template <std::size_t N> bool DecodeExact(std::string_view text, std::array<std::uint8_t, N>& out) {
    auto bytes = DecodeBase64(text);
    if (!bytes || bytes->size() != N)
        return false;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = (*bytes)[i];
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 1) {
        const std::uint32_t v = bytes[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text.size() >= 2 && text[text.size() - 2] == '=' ? 2 : 1;

    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t used = last ? 4 - padding : 4;
        std::uint32_t v = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            int d = 0;
            if (j < used) {
                d = Base64Value(text[i + j]);
                if (d < 0)
                    return std::nullopt;
            }
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (used >= 3)
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        if (used == 4)
            out.push_back(static_cast<std::uint8_t>(v));
        // Bits that no byte uses must be zero, or two texts would decode alike.
        if ((used == 2 && (v & 0xFFFF) != 0) || (used == 3 && (v & 0xFF) != 0))
            return std::nullopt;
    }
    return out;
}

std::wstring ComposeStoredPassword(const HashedPassword& hashed) {
    std::string text = std::to_string(hashed.iterations) + "$" + EncodeBase64(hashed.salt) + "$" +
                       EncodeBase64(hashed.key);
    return std::wstring(kHashPrefix) + win32::Widened(text);
}

std::optional<HashedPassword> ParseStoredPassword(std::wstring_view stored) {
    // prefix, iterations, 24 + 44 Base64 characters, three separators: anything much
    // longer is not ours, and the bound keeps the work small for odd inputs.
    if (!stored.starts_with(kHashPrefix) || stored.size() > kHashPrefix.size() + 80)
        return std::nullopt;
    std::string rest;
    for (wchar_t c : stored.substr(kHashPrefix.size())) {
        if (c < 0x21 || c > 0x7E)
            return std::nullopt;
        rest += static_cast<char>(c);
    }
    const std::size_t first = rest.find('$');
    if (first == std::string::npos)
        return std::nullopt;
    const std::size_t second = rest.find('$', first + 1);
    if (second == std::string::npos || rest.find('$', second + 1) != std::string::npos)
        return std::nullopt;

    const std::string_view all(rest);
    HashedPassword out;
    const auto iterations = ParseIterations(all.substr(0, first));
    if (!iterations || !DecodeExact(all.substr(first + 1, second - first - 1), out.salt) ||
        !DecodeExact(all.substr(second + 1), out.key))
        return std::nullopt;
    out.iterations = *iterations;
    return out;
}

StoredKind ClassifyStoredPassword(std::wstring_view stored) {
    if (stored.empty())
        return StoredKind::NoPassword;
    if (ParseStoredPassword(stored))
        return StoredKind::Hashed;
    // No version ever wrote a plain password with the prefix: such a text is a hashed form
    // gone wrong, and reading it as plain text would make the text itself the password.
    return stored.starts_with(kHashPrefix) ? StoredKind::Damaged : StoredKind::Legacy;
}

bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() != b.size())
        return false;
    volatile std::uint8_t diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff = diff | (a[i] ^ b[i]);
    return diff == 0;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    // Reserving the worst case keeps the secret in one buffer that the caller can wipe.
    out.reserve(text.size() * (sizeof(wchar_t) == 2 ? 3 : 4));
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const auto low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c > 0x10FFFF)
            c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

void WipeBytes(void* data, std::size_t size) noexcept {
    auto* p = static_cast<volatile std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
}

} // namespace kv::password
