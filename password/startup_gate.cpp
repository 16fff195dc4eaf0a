#include "password/startup_gate.h"

#include "password/frm_Login.h"
#include "password/password_check.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"

namespace kv::password {

bool PassStartupGate(const std::function<void(const std::wstring&)>& showMarker,
                     const SettingsLocation& where, audit::Sink audit) {
    StoredPasswordRead stored = ReadStoredPassword(where);
    const bool required = LoginRequired(stored);
    const std::wstring marker = StoredPasswordMarker(stored);
    WipeRead(stored);
    showMarker(marker);
    if (!required) {
        return true;
    }
    // The dialog reads the store again itself.
    frm_Login login(where, std::move(audit));
    return login.ShowAndAsk();
}

} // namespace kv::password
