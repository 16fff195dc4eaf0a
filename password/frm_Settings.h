#pragma once
// The password settings dialog: sets, changes or removes the stored password. Shown
// modally from the main window, created afresh for every showing, so its box starts
// empty. A new password takes effect at the next start.

#include "password/dialog_support_win.h"
#include "password/frm_Settings_ids.h"
#include "password/password_format.h"
#include "password/settings_store_win.h"

#include <cstdint>

namespace kv::password {

class frm_Settings : public PasswordDialog, public SettingsIds {
public:
    // Where the password is stored and how many PBKDF2 iterations a new one gets; tests
    // pass a scratch key or fewer iterations.
    explicit frm_Settings(SettingsLocation where = {},
                          std::uint32_t iterations = kDefaultIterations);

protected:
    void Accept() override { cmdChange_Click(); }

private:
    void cmdChange_Click();
    // Stores `stored` (a hashed form, or the empty text); on failure tells the user and
    // returns false.
    bool Save(std::wstring_view stored);

    SettingsLocation where_;
    std::uint32_t iterations_;
};

} // namespace kv::password
