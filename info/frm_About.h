#pragma once
// The About window: product name, version and the author's contact details, with a link
// that opens the author's web site. Shown modally from the main window; the caller owns
// the object (see ui::Form), which is created afresh for every showing.

#include "info/frm_About_ids.h"
#include "ui/form.h"

#include <functional>
#include <string>

namespace kv::info {

class frm_About : public ui::Form, public AboutIds {
public:
    // The shell call that opens an address; the shell's ShellExecute unless a test replaces it.
    using ShellExecuteFn =
        std::function<HINSTANCE(HWND owner, const wchar_t* verb, const wchar_t* file,
                                const wchar_t* parameters, const wchar_t* directory, int show)>;

    frm_About();

    // Asks the shell to open the address with this window as owner. Whether anything
    // opens it is the shell's affair: nothing is reported.
    void OpenWebsite(const std::wstring& address);

    void SetShellExecute(ShellExecuteFn shellExecute);

protected:
    void OnClick(int id) override;

private:
    void cmdOK_Click();
    void lblvandorlin_Click();

    ShellExecuteFn shellExecute_;
};

} // namespace kv::info
