#include "cli/console_win.h"

#include "cli/utf8.h"
#include "password/password_format.h"

#include <string>

namespace kv::cli {
namespace {

// Long enough for any password anyone types; a stream without a line end stops there.
constexpr std::size_t kMaxPasswordBytes = 64 * 1024;

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

// Typed at a console: without echo, so the password does not stay on the screen.
bool ReadConsoleLine(HANDLE in, HANDLE echoTo, password::SecretText& password) {
    DWORD mode = 0;
    ::GetConsoleMode(in, &mode);
    ::SetConsoleMode(in, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
    WriteAll(echoTo, "Password: ");
    constexpr DWORD kMaxChars = 1024;
    wchar_t* buffer = password.Resize(kMaxChars);
    DWORD read = 0;
    const bool ok = ::ReadConsoleW(in, buffer, kMaxChars, &read, nullptr) != FALSE;
    ::SetConsoleMode(in, mode);
    WriteAll(echoTo, "\n");
    if (!ok) {
        password.Wipe();
        return false;
    }
    std::size_t length = 0;
    while (length < read && buffer[length] != L'\r' && buffer[length] != L'\n') {
        ++length;
    }
    password.Truncate(length);
    return true;
}

// Piped or redirected: bytes up to the first line end, UTF-8 or else the system's code page.
bool ReadStreamLine(HANDLE in, password::SecretText& password) {
    std::string bytes;
    bytes.reserve(kMaxPasswordBytes);
    char chunk[256];
    bool any = false;
    while (bytes.size() < kMaxPasswordBytes && bytes.find('\n') == std::string::npos) {
        DWORD read = 0;
        const DWORD ask = static_cast<DWORD>(
            std::min<std::size_t>(sizeof chunk, kMaxPasswordBytes - bytes.size()));
        if (!::ReadFile(in, chunk, ask, &read, nullptr) || read == 0) {
            break; // end of the stream (a closed pipe reports ERROR_BROKEN_PIPE)
        }
        any = true;
        bytes.append(chunk, read);
    }
    password::WipeBytes(chunk, sizeof chunk);
    const std::string_view line = FirstLine(bytes);
    bool ok = any;
    if (ok) {
        if (auto wide = FromUtf8(line)) {
            std::copy(wide->begin(), wide->end(), password.Resize(wide->size()));
            password::WipeText(*wide);
        } else {
            const int length = ::MultiByteToWideChar(CP_ACP, 0, line.data(),
                                                     static_cast<int>(line.size()), nullptr, 0);
            ok = length > 0 &&
                 ::MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                                       password.Resize(static_cast<std::size_t>(length)),
                                       length) == length;
        }
    }
    password::WipeBytes(bytes.data(), bytes.size());
    return ok;
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

bool StdConsole::ReadPasswordLine(password::SecretText& password) {
    // Without standard input of our own there is nothing to read: the parent's console
    // belongs to the shell, which goes on reading it.
    if (!IsUsable(in_)) {
        return false;
    }
    if (IsConsole(in_)) {
        return ReadConsoleLine(in_, err_, password);
    }
    return ReadStreamLine(in_, password);
}

} // namespace kv::cli
