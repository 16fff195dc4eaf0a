#include "password/startup_gate.h"

#include "password/frm_Login.h"
#include "password/mdl_main.h"
#include "password/password_check.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"

namespace kv::password {

bool PassStartupGate(const std::function<void(const std::wstring&)>& showMarker,
                     const SettingsLocation& where) {
    mdl_main::BeginLogin();
    StoredPasswordRead stored = ReadStoredPassword(where);
    const bool required = LoginRequired(stored);
    const std::wstring marker = StoredPasswordMarker(stored);
    WipeRead(stored);
    showMarker(marker);
    if (!required) {
        return true;
    }
    // The dialog reads the store again itself.
    frm_Login login(where);
    login.ShowModal();
    return mdl_main::LoginPassed();
}

} // namespace kv::password
