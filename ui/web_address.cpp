#include "ui/web_address.h"

#include "ui/message_box.h"
#include "win32/report.h"
#include "win32/shell.h"
#include "win32/shell_unelevated.h"

namespace kv::ui {

WebOpener WindowsWebOpener() {
    return {&win32::IsProcessElevated, &win32::ShellExecuteNow, &win32::ShellExecuteUnelevated,
            &win32::CopyTextToClipboard, [](std::wstring_view text) {
                ShowMessage(L"Kelvane", text, MessageIcon::Information, MessageButtons::Ok);
            }};
}

std::wstring CopiedAddressText(std::wstring_view address, bool copied) {
    std::wstring text = L"Kelvane runs as administrator, and a browser started from it would "
                        L"too, so it did not open the address.";
    text += copied ? L" The address has been copied to the clipboard: paste it into your "
                     L"browser.\r\n\r\n"
                   : L" Type it into your browser:\r\n\r\n";
    return text.append(address);
}

void OpenWebAddress(HWND owner, const std::wstring& address, const WebOpener& opener) {
    if (!opener.isElevated()) {
        (void)opener.shellExecute(owner, L"Open", address.c_str(), nullptr, nullptr, SW_SHOW);
        return;
    }
    const HRESULT opened = opener.shellExecuteUnelevated(address);
    if (SUCCEEDED(opened)) {
        return;
    }
    win32::ReportWin32(L"opening an address through the desktop's shell",
                       static_cast<DWORD>(opened));
    opener.tell(CopiedAddressText(address, opener.copyToClipboard(owner, address)));
}

} // namespace kv::ui
