#pragma once
// What a window may show about the stored password: never the password, nor its hashed
// form, only whether one is set. The hidden scratch text boxes that once held the
// password hold this instead.

#include "password/settings_store.h"

#include <string>
#include <string_view>

namespace kv::password {

inline constexpr std::wstring_view kMarkerPasswordSet = L"(password set)";
inline constexpr std::wstring_view kMarkerUnreadable = L"(unreadable)";

// The empty text when no password is set (value missing or empty), kMarkerPasswordSet
// when one is, kMarkerUnreadable when the store could not be read. Empty exactly when
// LoginRequired(read) is false.
[[nodiscard]] std::wstring StoredPasswordMarker(const StoredPasswordRead& read);

} // namespace kv::password
