#include "cli/console_win.h"

#include "cli/utf8.h"
#include "password/password_format.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace kv::cli {
namespace {

using password::kMaxPasswordLength;

bool IsUsable(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::SetLastError(NO_ERROR);
    return ::GetFileType(handle) != FILE_TYPE_UNKNOWN || ::GetLastError() == NO_ERROR;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != FALSE;
}

// Text files on Windows end lines in CR LF.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

bool WriteAll(HANDLE handle, std::string_view utf8) {
    if (!IsUsable(handle)) {
        return false;
    }
    const std::string text = WithCrLf(utf8);
    if (IsConsole(handle)) {
        // A console shows UTF-16 whatever its code page.
        const auto wide = FromUtf8(text);
        if (!wide) {
            return false;
        }
        std::size_t done = 0;
        while (done < wide->size()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide->size() - done, 8192));
            if (!::WriteConsoleW(handle, wide->data() + done, chunk, &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        return true;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 65536));
        if (!::WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// Typed at a console: without echo, so the password does not stay on the screen. The
// whole line is read, however long: what stayed in the console's buffer would be the
// shell's next command.
PasswordLine ReadConsoleLine(HANDLE in, HANDLE echoTo, password::SecretText& password) {
    DWORD mode = 0;
    ::GetConsoleMode(in, &mode);
    ::SetConsoleMode(in, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    WriteAll(echoTo, "Password: ");
    wchar_t* kept = password.Resize(kMaxPasswordLength + 1);
    std::size_t length = 0;
    bool ended = false;
    bool ok = true;
    wchar_t chunk[256];
    while (!ended) {
        DWORD read = 0;
        if (!::ReadConsoleW(in, chunk, static_cast<DWORD>(std::size(chunk)), &read, nullptr) ||
            read == 0) {
            ok = false;
            break;
        }
        for (DWORD i = 0; i < read && !ended; ++i) {
            if (chunk[i] == L'\n') {
                ended = true;
            } else if (chunk[i] != L'\r' && length <= kMaxPasswordLength) {
                kept[length++] = chunk[i];
            }
        }
    }
    password::WipeBytes(chunk, sizeof chunk);
    ::SetConsoleMode(in, mode);
    WriteAll(echoTo, "\n");
    if (!ok || length > kMaxPasswordLength) {
        password.Wipe();
        return ok ? PasswordLine::TooLong : PasswordLine::None;
    }
    password.Truncate(length);
    return PasswordLine::Read;
}

// Piped or redirected: bytes up to the first line end, UTF-8 or else the system's code page.
// A line of kMaxPasswordLength characters takes at most three bytes each (a pair of
// surrogates takes four for two), a byte-order mark and a CR.
PasswordLine ReadStreamLine(HANDLE in, password::SecretText& password) {
    constexpr std::size_t kMaxLineBytes = 3 * kMaxPasswordLength + 3 + 1;
    std::string bytes;
    bytes.reserve(kMaxLineBytes + 1);
    char chunk[256];
    bool any = false;
    while (bytes.size() <= kMaxLineBytes && bytes.find('\n') == std::string::npos) {
        DWORD read = 0;
        const DWORD ask = static_cast<DWORD>(
            std::min<std::size_t>(sizeof chunk, kMaxLineBytes + 1 - bytes.size()));
        if (!::ReadFile(in, chunk, ask, &read, nullptr) || read == 0) {
            break; // end of the stream (a closed pipe reports ERROR_BROKEN_PIPE)
        }
        any = true;
        bytes.append(chunk, read);
    }
    password::WipeBytes(chunk, sizeof chunk);
    const std::size_t lineEnd = bytes.find('\n');
    const std::string_view line = FirstLine(bytes);
    PasswordLine result = any ? PasswordLine::Read : PasswordLine::None;
    if (lineEnd == std::string::npos && bytes.size() > kMaxLineBytes) {
        result = PasswordLine::TooLong;
    } else if (any) {
        if (auto wide = FromUtf8(line)) {
            std::copy(wide->begin(), wide->end(), password.Resize(wide->size()));
            password::WipeText(*wide);
        } else {
            const int length = ::MultiByteToWideChar(CP_ACP, 0, line.data(),
                                                     static_cast<int>(line.size()), nullptr, 0);
            if (length <= 0 ||
                ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                                      password.Resize(static_cast<std::size_t>(length)),
                                      length) != length) {
                result = PasswordLine::None;
            }
        }
        if (result == PasswordLine::Read && password.view().size() > kMaxPasswordLength) {
            result = PasswordLine::TooLong;
        }
    }
    if (result != PasswordLine::Read) {
        password.Wipe();
    }
    password::WipeBytes(bytes.data(), bytes.size());
    return result;
}

} // namespace

StdConsole::StdConsole()
    : out_(::GetStdHandle(STD_OUTPUT_HANDLE)), err_(::GetStdHandle(STD_ERROR_HANDLE)),
      in_(::GetStdHandle(STD_INPUT_HANDLE)) {
    if (IsUsable(out_) && IsUsable(err_)) {
        return;
    }
    // Started from a console without redirection: write to that console. Started from
    // Explorer or a service there is none, and the output has nowhere to go.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    consoleOut_.reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!IsUsable(out_)) {
        out_ = consoleOut_.get();
    }
    if (!IsUsable(err_)) {
        err_ = consoleOut_.get();
    }
}

bool StdConsole::Out(std::string_view utf8) {
    return WriteAll(out_, utf8);
}

bool StdConsole::Err(std::string_view utf8) {
    return WriteAll(err_, utf8);
}

bool StdConsole::CanAskPassword() {
    return IsUsable(in_) && IsConsole(in_);
}

PasswordLine StdConsole::ReadPasswordLine(password::SecretText& password) {
    // Without standard input of our own there is nothing to read: the parent's console
    // belongs to the shell, which goes on reading it.
    if (!IsUsable(in_)) {
        return PasswordLine::None;
    }
    if (IsConsole(in_)) {
        return ReadConsoleLine(in_, err_, password);
    }
    return ReadStreamLine(in_, password);
}

} // namespace kv::cli
