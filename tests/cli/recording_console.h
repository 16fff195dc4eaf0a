#pragma once
// A console for running one command in a test: it keeps what is written, and answers the
// password prompt and a Ctrl+C as a test sets it up.

#include "cli/console.h"
#include "password/password_format.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace kv::test {

class RecordingConsole final : public cli::Console {
public:
    std::string out, err;
    std::optional<std::wstring> input; // nothing: standard input cannot be read
    bool console = false;              // standard input is a console
    bool outputFails = false;
    bool cancelledBeforeChange = false; // Ctrl+C came before the change began
    bool cancelAtPrompt = false;        // Ctrl+C typed at the password prompt
    int reads = 0;

    bool Out(std::string_view utf8) override {
        if (outputFails) {
            return false;
        }
        out += utf8;
        return true;
    }
    bool Err(std::string_view utf8) override {
        err += utf8;
        return true;
    }
    bool CanAskPassword() override { return console; }
    bool BeginChange() override { return !cancelledBeforeChange; }
    cli::PasswordLine ReadPasswordLine(password::SecretText& password) override {
        ++reads;
        if (cancelAtPrompt) {
            return cli::PasswordLine::Cancelled;
        }
        if (!input) {
            return cli::PasswordLine::None;
        }
        if (input->size() > password::kMaxPasswordLength) {
            return cli::PasswordLine::TooLong;
        }
        std::copy(input->begin(), input->end(), password.Resize(input->size()));
        return cli::PasswordLine::Read;
    }
};

} // namespace kv::test
