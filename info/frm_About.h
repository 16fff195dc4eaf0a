#pragma once
// The About window: product name, version and the author's contact details, with a link
// that opens the author's web site. Shown modally from the main window; the caller owns
// the object (see ui::Form), which is created afresh for every showing.

#include "info/frm_About_ids.h"
#include "ui/form.h"
#include "ui/web_address.h"

#include <string>

namespace kv::info {

class frm_About : public ui::Form, public AboutIds {
public:
    frm_About();

    // Opens the address with this window as owner (ui::OpenWebAddress): never in a browser
    // with administrator rights.
    void OpenWebsite(const std::wstring& address);

    // Replaces what opening an address asks of Windows (tests).
    void SetWebOpener(ui::WebOpener opener);

protected:
    void OnClick(int id) override;

private:
    void cmdOK_Click();
    void lblvandorlin_Click();

    ui::WebOpener webOpener_;
};

} // namespace kv::info
