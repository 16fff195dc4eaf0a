#pragma once
// The stored form of a password and the small helpers around it:
//   pbkdf2-sha256$<iterations>$<salt>$<key>
// PBKDF2-HMAC-SHA256 over the UTF-8 bytes of the typed text, salt and key in standard
// Base64 with padding, iterations in decimal. Portable: no Windows headers here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv::password {

inline constexpr std::wstring_view kHashPrefix = L"pbkdf2-sha256$";
inline constexpr std::uint32_t kDefaultIterations = 600000;
// A stored count above this would freeze the login for minutes; no version writes one.
inline constexpr std::uint32_t kMaxIterations = 10'000'000;
// The longest password that may be set or entered, in characters (UTF-16 code units, as a
// text box counts them), the same in the windows and on the command line. Ample for any
// passphrase, and it bounds what a pasted text or a stream costs to derive.
inline constexpr std::size_t kMaxPasswordLength = 1024;
inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kKeyBytes = 32;

struct HashedPassword {
    std::uint32_t iterations = kDefaultIterations;
    std::array<std::uint8_t, kSaltBytes> salt{};
    std::array<std::uint8_t, kKeyBytes> key{};
};

enum class StoredKind {
    NoPassword, // the empty text
    Legacy,     // text without the kHashPrefix: an older plain password, compared exactly
    Hashed,     // a valid pbkdf2-sha256 form
    Damaged,    // starts with kHashPrefix but is not a valid form: unreadable, matches nothing
};

// Standard alphabet with "=" padding.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
// Strict: canonical padded input only (length a multiple of 4, padding only at the end,
// unused bits zero, no blanks); anything else is nullopt.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

std::wstring ComposeStoredPassword(const HashedPassword& hashed);
// Strict and total: any text that is not exactly what ComposeStoredPassword produces for
// some iteration count in [1, kMaxIterations] gives nullopt.
std::optional<HashedPassword> ParseStoredPassword(std::wstring_view stored);
StoredKind ClassifyStoredPassword(std::wstring_view stored);

// Runs in time that depends only on the lengths; different lengths never match.
bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// Each wchar_t is a UTF-16 code unit (on Windows) or a code point (where wchar_t is
// 32 bits wide); surrogate pairs become one 4-byte sequence. An unpaired surrogate is
// encoded by itself as a 3-byte sequence (ED A0 80..ED BF BF) rather than replaced, so
// two different texts never give the same bytes and no key changes meaning later. Values
// above U+10FFFF (possible only with a 32-bit wchar_t) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// Overwrites memory that held a secret in a way the optimiser keeps.
void WipeBytes(void* data, std::size_t size) noexcept;

} // namespace kv::password
