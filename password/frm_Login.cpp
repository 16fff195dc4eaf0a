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

frm_Login::frm_Login(SettingsLocation where)
    : PasswordDialog(LoginDesign(), {txtPassword, cmdLogin, cmdCancel}), where_(std::move(where)) {}

frm_Login::~frm_Login() {
    WipeRead(stored_);
}

void frm_Login::Form_Load() {
    PasswordDialog::Form_Load();
    // The dialog reads the store itself rather than trusting what the caller read.
    WipeRead(stored_);
    stored_ = ReadStoredPassword(where_);
    SetText(txtgetpwd, StoredPasswordMarker(stored_));
}

void frm_Login::cmdLogin_Click() {
    bool accepted = false;
    {
        SecretText entered;
        ReadSecretText(EntryBox(), entered);
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
        WipeEntryBox(EntryBox());
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

} // namespace kv::password
