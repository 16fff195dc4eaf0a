#include "password/password_check.h"

#include "password/password_format.h"

#include <string>

namespace kv::password {
namespace {

std::span<const std::uint8_t> BytesOf(std::wstring_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size() * sizeof(wchar_t)};
}

// Wipes the UTF-8 copy of an entry on every way out.
class Utf8Secret {
public:
    explicit Utf8Secret(std::wstring_view text) : utf8_(WideToUtf8(text)) {}
    ~Utf8Secret() { WipeBytes(utf8_.data(), utf8_.size()); }
    Utf8Secret(const Utf8Secret&) = delete;
    Utf8Secret& operator=(const Utf8Secret&) = delete;
    std::string_view view() const { return utf8_; }

private:
    std::string utf8_;
};

} // namespace

bool PasswordMatches(std::wstring_view stored, std::wstring_view entered, KeyDeriver& deriver) {
    if (stored.empty())
        return false;
    const auto hashed = ParseStoredPassword(stored);
    if (!hashed) {
        return ClassifyStoredPassword(stored) == StoredKind::Legacy &&
               ConstantTimeEqual(BytesOf(stored), BytesOf(entered));
    }
    if (entered.empty())
        return false;

    const Utf8Secret password(entered);
    std::array<std::uint8_t, kKeyBytes> key{};
    const bool derived = deriver.Derive(password.view(), hashed->salt, hashed->iterations, key);
    const bool match = derived && ConstantTimeEqual(key, hashed->key);
    WipeBytes(key.data(), key.size());
    return match;
}

bool LoginRequired(const StoredPasswordRead& read) {
    switch (read.status) {
    case StoreReadStatus::Missing:
        return false;
    case StoreReadStatus::Value:
        return !read.text.empty();
    case StoreReadStatus::Failed:
        break;
    }
    return true;
}

bool LoginAccepted(const StoredPasswordRead& read, std::wstring_view entered, KeyDeriver& deriver) {
    return read.status == StoreReadStatus::Value && PasswordMatches(read.text, entered, deriver);
}

} // namespace kv::password
