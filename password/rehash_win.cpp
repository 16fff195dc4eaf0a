#include "password/rehash_win.h"

#include "password/pbkdf2_win.h"
#include "password/secret_text.h"
#include "win32/report.h"

#include <optional>
#include <string>

namespace kv::password {

void RewriteHashed(std::wstring_view checked, std::wstring_view password,
                   const SettingsLocation& where) {
    StoredPasswordRead now = ReadStoredPassword(where);
    const bool unchanged = now.status == StoreReadStatus::Value && now.text == checked;
    WipeRead(now);
    if (!unchanged) {
        return;
    }
    std::optional<std::wstring> hashed = HashNewPassword(password);
    if (!hashed) {
        win32::Report(L"rewriting the stored password hashed: the key was not derived");
        return;
    }
    const StoreWriteResult written = WriteStoredPassword(*hashed, where);
    WipeText(*hashed);
    if (!written.ok) {
        win32::ReportWin32(L"rewriting the stored password hashed",
                           static_cast<DWORD>(written.error));
    }
}

} // namespace kv::password
