#pragma once
// The command line's standard streams, as text in UTF-8. On Windows it is the process's
// own handles or its parent's console (console_win.h); tests use a recorder.

#include "password/secret_text.h"

#include <string_view>

namespace kv::cli {

class Console {
public:
    virtual ~Console() = default;

    // False when the text could not be written (a closed pipe, a full disk).
    virtual bool Out(std::string_view utf8) = 0;
    virtual bool Err(std::string_view utf8) = 0;
    // The first line of standard input, without its line end, into `password`. False when
    // there is no input to read or it cannot be read. Never asks anything else.
    virtual bool ReadPasswordLine(password::SecretText& password) = 0;
};

} // namespace kv::cli
