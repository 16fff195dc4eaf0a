#pragma once
// Whether an entered password matches the stored one, and what the start-up gate makes
// of a read of the store. The key derivation is passed in, so this logic runs anywhere;
// on Windows it is CngKeyDeriver (pbkdf2_win.h).

#include "password/settings_store.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace kv::password {

class KeyDeriver {
public:
    virtual ~KeyDeriver() = default;
    // PBKDF2-HMAC-SHA256 of the password bytes into all of `key`; false when it failed.
    [[nodiscard]] virtual bool Derive(std::string_view password, std::span<const std::uint8_t> salt,
                                      std::uint32_t iterations, std::span<std::uint8_t> key) = 0;
};

// stored empty: false for every entry (no password is set, so the login dialog is never
//   shown; if it is, nothing passes rather than everything).
// stored legacy text (without the hashed form's prefix): exact comparison, case and blanks
//   and all.
// stored damaged (the prefix, but not a valid hashed form): false for every entry.
// stored hashed: the entry's UTF-8 bytes are derived with the stored salt and count and
//   the keys compared in constant time. An empty entry never matches, and a failed
//   derivation does not either.
[[nodiscard]] bool PasswordMatches(std::wstring_view stored, std::wstring_view entered,
                                   KeyDeriver& deriver);

// The gate asks for a password when one is stored and also when the store could not be
// read: an unreadable store must never let anyone in.
[[nodiscard]] bool LoginRequired(const StoredPasswordRead& read);
// Whether the login dialog accepts `entered`. A failed read accepts nothing, the empty
// entry included.
[[nodiscard]] bool LoginAccepted(const StoredPasswordRead& read, std::wstring_view entered,
                                 KeyDeriver& deriver);

} // namespace kv::password
