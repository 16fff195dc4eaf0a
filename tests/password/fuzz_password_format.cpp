// libFuzzer target: the stored-password parser and the text helpers it rests on must take
// any input without fault, and what they accept must be canonical.
//   first byte even: the rest is text, one byte per character
//   first byte odd:  the rest is UTF-16 code units, little-endian

#include "password/password_check.h"
#include "password/password_format.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

class FixedDeriver : public kv::password::KeyDeriver {
public:
    bool Derive(std::string_view, std::span<const std::uint8_t>, std::uint32_t iterations,
                std::span<std::uint8_t> key) override {
        Require(iterations >= 1 && iterations <= kv::password::kMaxIterations);
        Require(key.size() == kv::password::kKeyBytes);
        for (auto& b : key)
            b = 0x5A;
        return true;
    }
};

std::wstring ToWide(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    if (size == 0)
        return text;
    if (data[0] % 2 == 0) {
        for (std::size_t i = 1; i < size; ++i)
            text += static_cast<wchar_t>(data[i]);
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = ToWide(data, size);

    const auto parsed = kv::password::ParseStoredPassword(text);
    const kv::password::StoredKind kind = kv::password::ClassifyStoredPassword(text);
    if (parsed) {
        Require(kind == kv::password::StoredKind::Hashed);
        Require(parsed->iterations >= 1 && parsed->iterations <= kv::password::kMaxIterations);
        Require(kv::password::ComposeStoredPassword(*parsed) == text); // one text per value
    } else {
        using kv::password::StoredKind;
        Require(kind == (text.empty()                                  ? StoredKind::NoPassword
                         : text.starts_with(kv::password::kHashPrefix) ? StoredKind::Damaged
                                                                       : StoredKind::Legacy));
    }

    FixedDeriver deriver;
    const bool self = kv::password::PasswordMatches(text, text, deriver);
    Require(kind != kv::password::StoredKind::Legacy || self);
    Require(kind != kv::password::StoredKind::NoPassword || !self);
    Require(kind != kv::password::StoredKind::Damaged || !self);

    const std::string utf8 = kv::password::WideToUtf8(text);
    Require(utf8.size() <= text.size() * 4);
    Require(utf8.size() >= text.size() || sizeof(wchar_t) == 4);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (const auto decoded = kv::password::DecodeBase64(bytes))
        Require(kv::password::EncodeBase64(*decoded) == bytes);
    const std::span<const std::uint8_t> raw(data, size);
    const auto round = kv::password::DecodeBase64(kv::password::EncodeBase64(raw));
    Require(round && round->size() == size && std::equal(round->begin(), round->end(), data));
    return 0;
}
