#pragma once
// Starting something without this process's administrator rights, and what to fall back
// on when that cannot be done. Like the calls in shell.h, these load what they need on
// first use.

#include <windows.h>

#include <string_view>

namespace kv::win32 {

// Whether this process's token is elevated; true when that cannot be told, so that a
// caller never starts something elevated on a guess.
bool IsProcessElevated();

// Opens `file` with the default verb through the desktop's shell, which runs with the
// signed-in user's own (unelevated) token: the shell window's IShellDispatch2::ShellExecute.
// S_OK once the shell took it; a failure when there is no desktop shell to ask.
HRESULT ShellExecuteUnelevated(std::wstring_view file);

// Puts `text` on the clipboard as Unicode text; false when the clipboard would not take it.
bool CopyTextToClipboard(HWND owner, std::wstring_view text);

} // namespace kv::win32
