#pragma once
// A password kept as plain text by an earlier version is stored hashed once it has been
// entered right: by the login window and by the command line alike.

#include "password/settings_store_win.h"

#include <string_view>

namespace kv::password {

// Stores `password` hashed, but only over the very text `checked` that it was checked
// against: another instance may have changed the password since. A failure is logged and
// otherwise ignored, since the check has passed either way.
void RewriteHashed(std::wstring_view checked, std::wstring_view password,
                   const SettingsLocation& where = {});

} // namespace kv::password
