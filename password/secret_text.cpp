#include "password/secret_text.h"

#include "password/password_format.h"

namespace kv::password {

wchar_t* SecretText::Resize(std::size_t length) {
    // Whatever was there is wiped before a bigger buffer replaces it.
    Wipe();
    text_.reserve(length);
    text_.resize(length);
    return text_.data();
}

void SecretText::Truncate(std::size_t length) noexcept {
    if (length >= text_.size()) {
        return;
    }
    WipeBytes(text_.data() + length, (text_.size() - length) * sizeof(wchar_t));
    text_.resize(length);
}

void SecretText::Wipe() noexcept {
    WipeText(text_);
}

void WipeText(std::wstring& text) noexcept {
    // resize() within the capacity allocates nothing, so this cannot throw.
    text.resize(text.capacity());
    WipeBytes(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

void WipeRead(StoredPasswordRead& read) noexcept {
    WipeText(read.text);
}

} // namespace kv::password
