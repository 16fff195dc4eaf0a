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

// The console's input key by key and without echo while it lives, and as it was
// afterwards. Key by key, so Ctrl+C comes as a character the prompt answers (the default
// Ctrl+C handler would end the process with echo still off for the shell).
class QuietInput {
public:
    explicit QuietInput(HANDLE in) : in_(in) {
        ::GetConsoleMode(in_, &mode_);
        ::SetConsoleMode(in_,
                         mode_ & ~(ENABLE_ECHO_INPUT | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT));
    }
    ~QuietInput() { ::SetConsoleMode(in_, mode_); }
    QuietInput(const QuietInput&) = delete;
    QuietInput& operator=(const QuietInput&) = delete;

private:
    HANDLE in_;
    DWORD mode_ = 0;
};

// Typed at a console: without echo, so the password does not stay on the screen. Enter
// ends it, Backspace takes back a character, Ctrl+C cancels. Whatever is left in the
// console's buffer afterwards (the rest of a pasted text) is dropped: the shell would run
// it as its next command.
PasswordLine ReadConsoleLine(HANDLE in, HANDLE echoTo, password::SecretText& password) {
    WriteAll(echoTo, "Password: ");
    PasswordLine result = PasswordLine::Read;
    wchar_t* kept = password.Resize(kMaxPasswordLength + 1);
    std::size_t count = 0; // typed so far; only the first kMaxPasswordLength + 1 are kept
    {
        const QuietInput quiet(in);
        wchar_t c = 0;
        for (;;) {
            DWORD read = 0;
            if (!::ReadConsoleW(in, &c, 1, &read, nullptr) || read == 0) {
                result = PasswordLine::None;
                break;
            }
            if (c == 0x03) {
                result = PasswordLine::Cancelled;
                break;
            }
            if (c == L'\r' || c == L'\n') {
                break;
            }
            if (c == L'\b') {
                count -= count > 0 ? 1 : 0;
                if (count <= kMaxPasswordLength) {
                    kept[count] = 0;
                }
            } else {
                if (count <= kMaxPasswordLength) {
                    kept[count] = c;
                }
                ++count;
            }
        }
        c = 0;
        ::FlushConsoleInputBuffer(in);
    }
    WriteAll(echoTo, "\n");
    if (result == PasswordLine::Read && count > kMaxPasswordLength) {
        result = PasswordLine::TooLong;
    }
    if (result != PasswordLine::Read) {
        password.Wipe();
        return result;
    }
    password.Truncate(count);
    return result;
}

// `bytes` in `codePage`; nothing for a byte that code page does not define.
std::optional<std::wstring> DecodeCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    const auto size = static_cast<int>(bytes.size());
    DWORD flags = MB_ERR_INVALID_CHARS;
    int length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0; // a code page that cannot check its bytes
        length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    }
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length) != length) {
        password::WipeText(wide);
        return std::nullopt;
    }
    return wide;
}

// Piped or redirected: bytes up to the first line end, UTF-8 or else the console's input
// code page (what `echo` in cmd writes), or the OEM code page without a console.
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
        if (auto wide = DecodeInputLine(line, ::GetConsoleCP(), ::GetOEMCP(), DecodeCodePage)) {
            std::copy(wide->begin(), wide->end(), password.Resize(wide->size()));
            password::WipeText(*wide);
        } else {
            result = PasswordLine::None;
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
    if (!IsUsable(out_) || !IsUsable(err_)) {
        AttachParentConsole();
    }
    cancel_.emplace(in_, err_);
}

void StdConsole::AttachParentConsole() {
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

bool StdConsole::BeginChange() {
    return !cancel_ || cancel_->BeginChange();
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
