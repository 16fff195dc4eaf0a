#pragma once
// The tooltips of a form's ellipsis labels: each shows the label's whole text, read when
// the tip opens, so it follows the label's current text.

#include <windows.h>

#include <string>

namespace kv::ui {

class LabelTooltips {
public:
    // Gives `label` of the form `owner` a tooltip; the tooltip window is made with the first.
    void Add(HWND owner, HWND label);
    // The owner's WM_NOTIFY: true when it was the tip asking for its text, which it now has.
    bool HandleNotify(NMHDR* header, unsigned dpi);
    // The owner is gone, and the tooltip window, which it owned, with it.
    void Forget() { tooltip_ = nullptr; }

private:
    HWND tooltip_ = nullptr;
    std::wstring text_; // what the tip shows, alive while it shows it
};

} // namespace kv::ui
