#include "info/frm_About.h"

#include "info/author.h"
#include "info/frm_About_design.h"
#include "win32/shell.h"

namespace kv::info {

frm_About::frm_About() : ui::Form(AboutDesign()), shellExecute_(&win32::ShellExecuteNow) {}

void frm_About::SetShellExecute(ShellExecuteFn shellExecute) {
    shellExecute_ = std::move(shellExecute);
}

void frm_About::OpenWebsite(const std::wstring& address) {
    // When no program opens the address the shell's result says so, but the user is not
    // told: nothing visible happens.
    (void)shellExecute_(hwnd(), L"Open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

void frm_About::lblvandorlin_Click() {
    OpenWebsite(author::kWebSite);
}

void frm_About::cmdOK_Click() {
    Unload();
}

void frm_About::OnClick(int id) {
    switch (id) {
    case cmdOK:
        cmdOK_Click();
        break;
    case lblvandorlin:
        lblvandorlin_Click();
        break;
    default:
        break;
    }
}

} // namespace kv::info
