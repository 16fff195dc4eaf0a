#pragma once
// Opening a web address from a window. An elevated program never starts the browser
// itself, which would then run with administrator rights: the desktop's shell starts it
// with the user's own rights, and where that cannot be done the address is copied to the
// clipboard and the user told so.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace kv::ui {

// What opening an address asks of Windows; WindowsWebOpener() unless a test stands in.
struct WebOpener {
    std::function<bool()> isElevated;
    // ShellExecute from this process's own token.
    std::function<HINSTANCE(HWND owner, const wchar_t* verb, const wchar_t* file,
                            const wchar_t* parameters, const wchar_t* directory, int show)>
        shellExecute;
    // Through the desktop's shell, with the user's unelevated token.
    std::function<HRESULT(std::wstring_view address)> shellExecuteUnelevated;
    std::function<bool(HWND owner, std::wstring_view text)> copyToClipboard;
    std::function<void(std::wstring_view text)> tell;
};

WebOpener WindowsWebOpener();

// The text of the message box when the address was copied instead of opened.
std::wstring CopiedAddressText(std::wstring_view address, bool copied);

// Not elevated: asks the shell to open the address with `owner` as owner, verb "Open",
// show command SW_SHOW; whether anything opens it is the shell's affair and nothing is
// reported. Elevated: through the desktop's shell, else copied and told.
void OpenWebAddress(HWND owner, const std::wstring& address, const WebOpener& opener);

} // namespace kv::ui
