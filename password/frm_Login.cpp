#include "password/frm_Login.h"

#include "ui/message_box.h"
#include "password/dialog_support_win.h"
#include "password/frm_Login_design.h"
#include "password/mdl_main.h"
#include "password/password_format.h"
#include "password/password_check.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"
#include "win32/report.h"

#include <optional>
#include <string>

namespace kv::password {

frm_Login::frm_Login(SettingsLocation where) : ui::Form(LoginDesign()), where_(std::move(where)) {}

frm_Login::~frm_Login() {
    if (IsLoaded()) {
        WipeEntryBox(Control(txtPassword));
    }
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
        if (accepted && ClassifyStoredPassword(stored_.text) == StoredKind::Legacy) {
            RewriteHashed(entered.view());
        }
    }
    if (accepted) {
        mdl_main::SetLoginPassed();
        Unload();
        return;
    }
    // An unreadable store lets nobody in; the user is told why rather than blamed.
    const wchar_t* text =
        stored_.status == StoreReadStatus::Failed ? kUnreadableStoreText : kInvalidPasswordText;
    ui::ShowMessage(kMessageTitle, text, ui::MessageIcon::Exclamation, ui::MessageButtons::Ok);
    // As many tries as the user likes; each starts from an empty box.
    if (IsLoaded()) {
        WipeEntryBox(Control(txtPassword));
        Focus(txtPassword);
    }
}

void frm_Login::RewriteHashed(std::wstring_view password) {
    // Only over the very text that was checked: another instance may have changed it since.
    StoredPasswordRead now = ReadStoredPassword(where_);
    const bool unchanged = now.status == StoreReadStatus::Value && now.text == stored_.text;
    WipeRead(now);
    if (!unchanged) {
        return;
    }
    std::optional<std::wstring> hashed = HashNewPassword(password);
    if (!hashed) {
        win32::Report(L"rewriting the stored password hashed: the key was not derived");
        return;
    }
    const StoreWriteResult written = WriteStoredPassword(*hashed, where_);
    WipeText(*hashed);
    if (!written.ok) {
        win32::ReportWin32(L"rewriting the stored password hashed",
                           static_cast<DWORD>(written.error));
    }
}

void frm_Login::Form_Unload() {
    WipeEntryBox(Control(txtPassword));
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
