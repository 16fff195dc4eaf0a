#include "password/frm_Login.h"

#include "ui/message_box.h"
#include "password/dialog_support_win.h"
#include "password/frm_Login_design.h"
#include "password/mdl_main.h"
#include "password/password_check.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"

namespace kv::password {

frm_Login::frm_Login(SettingsLocation where) : ui::Form(LoginDesign()), where_(std::move(where)) {}

frm_Login::~frm_Login() {
    WipeRead(stored_);
}

void frm_Login::Form_Load() {
    // The dialog reads the store itself rather than trusting what the caller read.
    WipeRead(stored_);
    stored_ = ReadStoredPassword(where_);
    SetText(txtgetpwd, StoredPasswordMarker(stored_));
    AllowAnyLength(Control(txtPassword));
}

void frm_Login::cmdLogin_Click() {
    bool accepted = false;
    {
        SecretText entered;
        ReadSecretText(Control(txtPassword), entered);
        const WaitCursor wait;
        accepted = LoginAccepted(stored_, entered.view(), deriver_);
    }
    if (accepted) {
        mdl_main::SetLoginPassed();
        SetText(txtPassword, L"");
        Unload();
        return;
    }
    // As many tries as the user likes; each starts from an empty box.
    ui::ShowMessage(kMessageTitle, L"Invalid password.", ui::MessageIcon::Exclamation,
                    ui::MessageButtons::Ok);
    if (IsLoaded()) {
        SetText(txtPassword, L"");
        Focus(txtPassword);
    }
}

void frm_Login::cmdCancel_Click() {
    Unload();
}

void frm_Login::OnCloseBox() {
    cmdCancel_Click();
}

void frm_Login::OnClick(int id) {
    switch (id) {
    case cmdLogin:
        cmdLogin_Click();
        break;
    case cmdCancel:
        cmdCancel_Click();
        break;
    default:
        break;
    }
}

} // namespace kv::password
