#include "ui/label_tooltips.h"

#include "ui/units.h"
#include "ui/window_text.h"
#include "win32/report.h"

#include <commctrl.h>

namespace kv::ui {

bool LabelTooltips::Add(HWND owner, HWND label) {
    if (!tooltip_) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        if (!tooltip_) {
            win32::Report(L"could not create a tooltip");
            return false;
        }
    }
    TOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = LPSTR_TEXTCALLBACKW; // always the label's current text
    return ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void LabelTooltips::SetOwn(HWND owner, HWND label, std::wstring_view text) {
    const auto had = own_.find(label);
    if (text.empty()) {
        if (had != own_.end()) {
            own_.erase(had);
            TOOLINFOW tool{sizeof(tool)};
            tool.hwnd = owner;
            tool.uId = reinterpret_cast<UINT_PTR>(label);
            ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        return;
    }
    if (had != own_.end()) {
        had->second = text;
        return;
    }
    // A static takes the mouse (and so shows a tip) only with SS_NOTIFY.
    const LONG_PTR styleBits = ::GetWindowLongPtrW(label, GWL_STYLE);
    ::SetWindowLongPtrW(label, GWL_STYLE, styleBits | SS_NOTIFY);
    if (Add(owner, label)) {
        own_.emplace(label, text);
    }
}

bool LabelTooltips::HandleNotify(NMHDR* header, unsigned dpi) {
    if (!tooltip_ || header->hwndFrom != tooltip_ || header->code != TTN_GETDISPINFOW) {
        return false;
    }
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    const auto label = reinterpret_cast<HWND>(info->hdr.idFrom);
    const auto own = own_.find(label);
    text_ = own != own_.end() ? own->second : WindowText(label);
    info->lpszText = text_.data();
    // Long lines wrap in the tip rather than run off the screen.
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(6000, dpi));
    return true;
}

} // namespace kv::ui
