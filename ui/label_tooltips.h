#pragma once
// The tooltips of a form's labels. An ellipsis label's tip shows the label's whole text,
// read when the tip opens, so it follows the label's current text; a label may instead be
// given a text of its own (SetOwn), which it shows until that is taken away.

#include <windows.h>

#include <map>
#include <string>
#include <string_view>

namespace kv::ui {

class LabelTooltips {
public:
    // Gives `label` of the form `owner` a tooltip; the tooltip window is made with the first.
    // False when it could not be added.
    bool Add(HWND owner, HWND label);
    // Gives `label` a tip of its own text; empty takes that tip away again.
    void SetOwn(HWND owner, HWND label, std::wstring_view text);
    // The owner's WM_NOTIFY: true when it was the tip asking for its text, which it now has.
    bool HandleNotify(NMHDR* header, unsigned dpi);
    // The owner is gone, and the tooltip window, which it owned, with it.
    void Forget() { tooltip_ = nullptr; }

private:
    HWND tooltip_ = nullptr;
    std::wstring text_;                // what the tip shows, alive while it shows it
    std::map<HWND, std::wstring> own_; // labels with a tip text of their own
};

} // namespace kv::ui
