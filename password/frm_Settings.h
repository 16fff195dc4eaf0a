#pragma once
// The password settings dialog: sets, changes or removes the stored password. Shown
// modally from the main window, created afresh for every showing, so its box starts
// empty. A new password takes effect at the next start.

#include "audit/audit_trail.h"
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

    // Where each change of the password is recorded; nowhere unless set.
    void SetAuditSink(audit::Sink sink) {
        audit_ = audit::AuditTrail(std::move(sink), audit::Origin::Window);
    }

protected:
    void Accept() override { cmdChange_Click(); }

private:
    void cmdChange_Click();
    // Stores `stored` (a hashed form, or the empty text); on failure tells the user and
    // returns false.
    bool Save(std::wstring_view stored);
    // Whether a new password sets one or changes the one there is.
    audit::PasswordChange NewPasswordChange() const;

    SettingsLocation where_;
    std::uint32_t iterations_;
    audit::AuditTrail audit_{nullptr, audit::Origin::Window};
    audit::PasswordChange change_ = audit::PasswordChange::Set; // what Save records
};

} // namespace kv::password
