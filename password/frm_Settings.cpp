#include "password/frm_Settings.h"

#include "ui/message_box.h"
#include "password/dialog_support_win.h"
#include "password/frm_Settings_design.h"
#include "password/password_check.h"
#include "password/pbkdf2_win.h"
#include "password/secret_text.h"
#include "win32/system_message.h"

#include <optional>
#include <string>

namespace kv::password {

frm_Settings::frm_Settings(SettingsLocation where, std::uint32_t iterations)
    : PasswordDialog(SettingsDesign(), {txtPassword, cmdChange, cmdCancel}),
      where_(std::move(where)), iterations_(iterations) {}

bool frm_Settings::Save(std::wstring_view stored) {
    const StoreWriteResult written = WriteStoredPassword(stored, where_);
    audit_.Password(change_, written.ok,
                    written.ok ? L"" : win32::ErrorReason(static_cast<DWORD>(written.error)));
    if (!written.ok) {
        // Nothing was changed, so nothing is claimed: the dialog stays open for another try.
        ui::ShowMessage(kMessageTitle, SaveFailedMessage(written.error),
                        ui::MessageIcon::Exclamation, ui::MessageButtons::Ok);
    }
    return written.ok;
}

audit::PasswordChange frm_Settings::NewPasswordChange() const {
    StoredPasswordRead before = ReadStoredPassword(where_);
    // One that cannot be read is replaced all the same: a change, not a first setting.
    const bool set = LoginRequired(before);
    WipeRead(before);
    return set ? audit::PasswordChange::Changed : audit::PasswordChange::Set;
}

void frm_Settings::cmdChange_Click() {
    SecretText entered;
    ReadSecretText(EntryBox(), entered);
    if (RefusedAsTooLong(entered)) {
        return;
    }
    if (entered.empty()) {
        const int answer = ui::ShowMessage(
            kMessageTitle, L"No password entered.\r\nDo you want to disable password?",
            ui::MessageIcon::Question, ui::MessageButtons::YesNo);
        change_ = audit::PasswordChange::Removed;
        if (answer != IDYES || !Save(L"")) {
            return;
        }
        ui::ShowMessage(kMessageTitle, L"Password has been disabled.", ui::MessageIcon::Information,
                        ui::MessageButtons::Ok);
        Unload();
        return;
    }

    // Any non-empty text is a password, blanks included; only its hashed form is stored.
    std::optional<std::wstring> hashed;
    {
        const WaitCursor wait;
        hashed = HashNewPassword(entered.view(), iterations_);
    }
    entered.Wipe();
    change_ = NewPasswordChange();
    if (!hashed) {
        audit_.Password(change_, false, L"the password could not be hashed");
        ui::ShowMessage(kMessageTitle, SaveFailedMessage(0), ui::MessageIcon::Exclamation,
                        ui::MessageButtons::Ok);
        return;
    }
    const bool saved = Save(*hashed);
    WipeText(*hashed);
    if (!saved) {
        return;
    }
    ui::ShowMessage(kMessageTitle, L"Password has been changed.", ui::MessageIcon::Information,
                    ui::MessageButtons::Ok);
    Unload();
}

} // namespace kv::password
