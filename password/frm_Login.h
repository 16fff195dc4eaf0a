#pragma once
// The login dialog: asks for the stored password before the main window is shown. Its
// only output is whether the right password was entered (ShowAndAsk). Created by the
// start-up gate for one showing.
//
// txtgetpwd, which once held the stored password, holds only StoredPasswordMarker(): the
// dialog keeps what it read from the store in its own memory and wipes it when it goes.

#include "audit/audit_trail.h"
#include "password/dialog_support_win.h"
#include "password/frm_Login_ids.h"
#include "password/pbkdf2_win.h"
#include "password/settings_store_win.h"

#include <string_view>

namespace kv::password {

inline constexpr wchar_t kInvalidPasswordText[] = L"Invalid password.";
inline constexpr wchar_t kUnreadableStoreText[] = L"The stored password cannot be read.";

class frm_Login : public PasswordDialog, public LoginIds {
public:
    // A wrong entry is recorded through `audit`, as a check failed at the window.
    explicit frm_Login(SettingsLocation where = {}, audit::Sink audit = {});
    ~frm_Login() override;

    // Shows the dialog modally; true when it was left with the right password.
    [[nodiscard]] bool ShowAndAsk();

protected:
    void Form_Load() override;
    void Accept() override { cmdLogin_Click(); }

private:
    void cmdLogin_Click();

    SettingsLocation where_;
    audit::AuditTrail audit_;
    bool passed_ = false;
    StoredPasswordRead stored_;
    CngKeyDeriver deriver_;
};

} // namespace kv::password
