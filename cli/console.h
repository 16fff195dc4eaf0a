#pragma once
// The command line's standard streams, as text in UTF-8. On Windows it is the process's
// own handles or its parent's console (console_win.h); tests use a recorder.

#include "password/password_format.h"
#include "password/secret_text.h"

#include <string_view>

namespace kv::cli {

enum class PasswordLine {
    Read,
    None,      // no input, or it could not be read
    TooLong,   // longer than password::kMaxPasswordLength; `password` is left empty
    Cancelled, // Ctrl+C at the prompt
};

class Console {
public:
    virtual ~Console() = default;

    // False when the text could not be written (a closed pipe, a full disk).
    virtual bool Out(std::string_view utf8) = 0;
    virtual bool Err(std::string_view utf8) = 0;
    // True when standard input is a console someone types at: a password can be asked
    // for there, without echo, rather than piped.
    virtual bool CanAskPassword() = 0;
    // The first line of standard input, without its line end, into `password` (asked for
    // without echo on a console). Read to its end even past the limit, so no rest of it
    // is left for the shell to run. Never asks anything else.
    virtual PasswordLine ReadPasswordLine(password::SecretText& password) = 0;
    // The change is about to be written: from here on the command is no longer cancelled
    // (Ctrl+C, a closed console) but runs to its end, so that what it says is what was
    // done. False when it was cancelled already: then nothing may be changed.
    virtual bool BeginChange() { return true; }
};

} // namespace kv::cli
