#pragma once
// A password held by the windows' code (typed or read from the store), overwritten when
// it goes so no copy lingers in freed memory. Portable: no Windows headers.

#include "password/settings_store.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kv::password {

class SecretText {
public:
    SecretText() = default;
    ~SecretText() { Wipe(); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    std::wstring_view view() const { return text_; }
    bool empty() const { return text_.empty(); }

    // Empties the text and makes room for exactly `length` characters, to be filled in
    // place (a window's text is read straight into it, without a temporary copy).
    wchar_t* Resize(std::size_t length);
    // Drops the characters from `length` on, overwriting them; never reallocates.
    void Truncate(std::size_t length) noexcept;
    // Overwrites everything the buffer ever held and leaves it empty.
    void Wipe() noexcept;

private:
    std::wstring text_;
};

// Overwrites the characters of `text` (all of its capacity) and leaves it empty.
void WipeText(std::wstring& text) noexcept;

// Overwrites a read of the store, whose text may be a password kept as text.
void WipeRead(StoredPasswordRead& read) noexcept;

} // namespace kv::password
