#include "password/settings_store_win.h"

#include "password/password_format.h"
#include "win32/unique_handle.h"

#include <vector>

namespace kv::password {
namespace {

StoredPasswordRead Failed(LSTATUS code) {
    return {StoreReadStatus::Failed, {}, static_cast<long>(code)};
}

} // namespace

StoredPasswordRead ReadStoredPassword(const SettingsLocation& where) {
    // Without RRF_NOEXPAND a REG_EXPAND_SZ value would pass as expanded REG_SZ text.
    const DWORD flags = RRF_RT_REG_SZ | RRF_NOEXPAND;
    DWORD size = 0;
    LSTATUS status = RegGetValueW(where.root, where.sub_key.c_str(), where.value_name.c_str(),
                                  flags, nullptr, nullptr, &size);
    // The value may change between the size query and the read: try a few times.
    for (int attempt = 0; attempt < 4 && status == ERROR_SUCCESS; ++attempt) {
        // One spare character beyond what was asked for, so unterminated data still fits
        // whether or not the system adds the terminator.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        DWORD got = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        status = RegGetValueW(where.root, where.sub_key.c_str(), where.value_name.c_str(), flags,
                              nullptr, buffer.data(), &got);
        if (status == ERROR_MORE_DATA) {
            status = ERROR_SUCCESS;
            size = got;
            WipeBytes(buffer.data(), buffer.size() * sizeof(wchar_t));
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        std::size_t length = got / sizeof(wchar_t);
        std::wstring_view text(buffer.data(), length);
        if (const auto end = text.find(L'\0'); end != std::wstring_view::npos)
            text = text.substr(0, end);
        const bool damaged = ClassifyStoredPassword(text) == StoredKind::Damaged;
        StoredPasswordRead read{StoreReadStatus::Value, damaged ? L"" : std::wstring(text), 0};
        WipeBytes(buffer.data(), buffer.size() * sizeof(wchar_t));
        // A hashed form that does not parse is a store that cannot be read, not a password.
        return damaged ? Failed(ERROR_INVALID_DATA) : read;
    }
    if (status == ERROR_FILE_NOT_FOUND)
        return {StoreReadStatus::Missing, {}, 0};
    return Failed(status == ERROR_SUCCESS ? ERROR_MORE_DATA : status);
}

StoreWriteResult WriteStoredPassword(std::wstring_view text, const SettingsLocation& where) {
    // The data includes the terminating null; REG_SZ sizes are DWORD bytes.
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD)
        return {false, ERROR_INVALID_PARAMETER};
    win32::UniqueKey key;
    LSTATUS status =
        RegCreateKeyExW(where.root, where.sub_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
        return {false, static_cast<long>(status)};
    const std::wstring data(text); // terminated copy
    status = RegSetValueExW(key.get(), where.value_name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(bytes));
    if (status != ERROR_SUCCESS)
        return {false, static_cast<long>(status)};
    return {true, 0};
}

} // namespace kv::password
