#pragma once
// Text as the command line writes and reads it: UTF-8 bytes. Wide text is UTF-16 on
// Windows (a wchar_t per code unit); where wchar_t is 32 bits wide it holds code points.

#include <optional>
#include <string>
#include <string_view>

namespace kv::cli {

// Always valid UTF-8: a surrogate without its partner (possible in a volume label) and
// anything above U+10FFFF become U+FFFD, as Windows' own conversion does.
// Two policies for wide text, both needed: what scripts read must be valid UTF-8, while a
// password's bytes (password::WideToUtf8, the one encoder, which this calls once the lone
// surrogates are replaced) keep a lone surrogate, so that no two passwords share a key and
// no stored key changes meaning. WideCharToMultiByte would do this job on Windows, but the
// command line's output is made in portable code, tested natively.
std::string ToUtf8(std::wstring_view text);

// Strict: nullopt for bytes that are not UTF-8 (overlong forms, encoded surrogates, values
// above U+10FFFF, cut-off sequences, stray continuation bytes).
std::optional<std::wstring> FromUtf8(std::string_view bytes);

// The code page that decodes a line of standard input that is not UTF-8. `cmd`'s echo
// writes in the console's input code page (GetConsoleCP; 0 when there is no console), and
// without a console the OEM code page is what a batch file's text is in. Nothing when that
// code page is UTF-8 itself: the bytes are then simply not text.
std::optional<unsigned> LegacyInputCodePage(unsigned consoleInputCodePage, unsigned oemCodePage);

// A line of standard input as text: UTF-8 when it is valid UTF-8 (a script's usual
// encoding, and ASCII is both), else through `decode` with LegacyInputCodePage's code page.
// Nothing when neither reads it.
using CodePageDecoder = std::optional<std::wstring> (*)(unsigned codePage, std::string_view bytes);
std::optional<std::wstring> DecodeInputLine(std::string_view line, unsigned consoleInputCodePage,
                                            unsigned oemCodePage, CodePageDecoder decode);

// The first line of what a script wrote to standard input: up to the first LF, without a
// CR before it and without a UTF-8 byte-order mark at the start (PowerShell may send one).
std::string_view FirstLine(std::string_view input);

} // namespace kv::cli
