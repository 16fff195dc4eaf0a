#pragma once
// The per-user store of the password: HKEY_CURRENT_USER\Software\kelvane\settings,
// value "p", REG_SZ, through the W functions so Unicode text is kept exactly. Each call
// opens and closes its key; nothing stays open.

#include "password/settings_store.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace kv::password {

// Where the store lives; tests point it at a scratch key.
struct SettingsLocation {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring sub_key = L"Software\\kelvane\\settings";
    std::wstring value_name = L"p";
};

struct StoreWriteResult {
    bool ok = false;
    long error = 0; // the Win32 error code when !ok
};

// Missing when the key or the value does not exist; Failed when the value exists but is
// not readable text (access denied, not REG_SZ, ...) or is a damaged hashed form
// (ERROR_INVALID_DATA). Data without a terminating null is read in full; data with an embedded null
// ends there.
[[nodiscard]] StoredPasswordRead ReadStoredPassword(const SettingsLocation& where = {});

// Stores `text` (the hashed form, or the empty text for no password), creating the key
// path as needed.
[[nodiscard]] StoreWriteResult WriteStoredPassword(std::wstring_view text,
                                                   const SettingsLocation& where = {});

} // namespace kv::password
