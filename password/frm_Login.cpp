#include "password/frm_Login.h"

#include "ui/message_box.h"
#include "password/dialog_support_win.h"
#include "password/frm_Login_design.h"
#include "password/password_format.h"
#include "password/password_check.h"
#include "password/rehash_win.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"

#include <string>

namespace kv::password {

frm_Login::frm_Login(SettingsLocation where, audit::Sink audit)
    : PasswordDialog(LoginDesign(), {txtPassword, cmdLogin, cmdCancel}), where_(std::move(where)),
      audit_(std::move(audit), audit::Origin::Window) {}

frm_Login::~frm_Login() {
    WipeRead(stored_);
}

bool frm_Login::ShowAndAsk() {
    passed_ = false;
    ShowModal();
    return passed_;
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
        if (RefusedAsTooLong(entered)) {
            return;
        }
        const WaitCursor wait;
        accepted = LoginAccepted(stored_, entered.view(), deriver_);
        if (accepted && ClassifyStoredPassword(stored_.text) == StoredKind::Legacy) {
            RewriteHashed(stored_.text, entered.view(), where_);
        }
    }
    if (accepted) {
        passed_ = true;
        Unload();
        return;
    }
    if (stored_.status != StoreReadStatus::Failed) {
        audit_.PasswordCheckFailed(); // nobody is told if the record cannot be written
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

} // namespace kv::password
