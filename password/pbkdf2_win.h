#pragma once
// PBKDF2-HMAC-SHA256 and random salts from Windows CNG.

#include "password/password_check.h"
#include "password/password_format.h"

#include <optional>
#include <string>
#include <string_view>

namespace kv::password {

class CngKeyDeriver final : public KeyDeriver {
public:
    [[nodiscard]] bool Derive(std::string_view password, std::span<const std::uint8_t> salt,
                              std::uint32_t iterations, std::span<std::uint8_t> key) override;
};

// The stored form of a new password: a fresh random salt and the derived key. nullopt for
// the empty text (which is stored as is and means no password), for an iteration count
// outside [1, kMaxIterations], and when CNG fails.
[[nodiscard]] std::optional<std::wstring>
HashNewPassword(std::wstring_view text, std::uint32_t iterations = kDefaultIterations);

// PasswordMatches with the CNG derivation.
[[nodiscard]] bool VerifyPassword(std::wstring_view stored, std::wstring_view entered);

} // namespace kv::password
