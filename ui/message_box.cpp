#include "ui/message_box.h"

#include "ui/form.h"

#include <string>

namespace kv::ui {

int ShowMessage(std::wstring_view title, std::wstring_view text, MessageIcon icon,
                MessageButtons buttons) {
    UINT flags = buttons == MessageButtons::YesNo ? (MB_YESNO | MB_DEFBUTTON1) : MB_OK;
    switch (icon) {
    case MessageIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case MessageIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    case MessageIcon::Exclamation:
        flags |= MB_ICONEXCLAMATION;
        break;
    case MessageIcon::Error:
        flags |= MB_ICONERROR;
        break;
    }
    HWND active = ::GetActiveWindow();
    HWND owner = Form::FromHwnd(active) ? active : nullptr;
    if (!owner) {
        flags |= MB_TASKMODAL; // still blocks the program's other windows
    }
    const std::wstring caption(title);
    const std::wstring value(text);
    return ::MessageBoxW(owner, value.c_str(), caption.c_str(), flags);
}

} // namespace kv::ui
