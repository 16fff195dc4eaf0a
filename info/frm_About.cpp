#include "info/frm_About.h"

#include "info/author.h"
#include "info/frm_About_design.h"

namespace kv::info {

frm_About::frm_About() : ui::Form(AboutDesign()), webOpener_(ui::WindowsWebOpener()) {}

void frm_About::SetWebOpener(ui::WebOpener opener) {
    webOpener_ = std::move(opener);
}

void frm_About::OpenWebsite(const std::wstring& address) {
    ui::OpenWebAddress(hwnd(), address, webOpener_);
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
