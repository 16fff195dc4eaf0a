#pragma once
// The password settings dialog: sets, changes or removes the stored password. Shown
// modally from the main window, created afresh for every showing, so its box starts
// empty. A new password takes effect at the next start.

#include "password/frm_Settings_ids.h"
#include "ui/form.h"
#include "password/password_format.h"
#include "password/settings_store_win.h"

#include <cstdint>

namespace kv::password {

class frm_Settings : public ui::Form, public SettingsIds {
public:
    // Where the password is stored and how many PBKDF2 iterations a new one gets; tests
    // pass a scratch key or fewer iterations.
    explicit frm_Settings(SettingsLocation where = {},
                          std::uint32_t iterations = kDefaultIterations);
    ~frm_Settings() override;

protected:
    void Form_Load() override;
    void OnClick(int id) override;
    // The close box is Cancel.
    void OnCloseBox() override;
    // Every way out wipes the entry box.
    void Form_Unload() override;

private:
    void cmdChange_Click();
    void cmdCancel_Click();
    // Stores `stored` (a hashed form, or the empty text); on failure tells the user and
    // returns false.
    bool Save(std::wstring_view stored);

    SettingsLocation where_;
    std::uint32_t iterations_;
};

} // namespace kv::password
