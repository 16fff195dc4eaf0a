// A form's keyboard: Enter, Esc and Tab as in a dialog, and the focused push button shown
// as the default one.

#include "ui/form.h"

#include "ui/control_style.h"

namespace kv::ui {

bool Form::PreTranslate(MSG& msg) {
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Form* form = root ? FromHwnd(root) : nullptr;
    if (!form) {
        return false;
    }
    if (form->HandleDialogKey(msg)) {
        return true;
    }
    return ::IsDialogMessageW(root, &msg) != FALSE;
}

bool Form::HandleDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_MENU) < 0) {
        return false;
    }
    // A link label that Tab reached is pressed with Enter or Space, as a link is.
    if (msg.wParam == VK_RETURN || msg.wParam == VK_SPACE) {
        if (const ControlState* focused = controls_.FindByHwnd(::GetFocus());
            focused && focused->design->kind == Kind::Label && (focused->design->flags & kLink)) {
            OnClick(focused->design->id);
            return true;
        }
    }
    if (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) {
        return false;
    }
    if (msg.wParam == VK_ESCAPE) {
        if (const ControlState* cancel = controls_.FirstWith(kCancel)) {
            ClickButton(cancel->design->id);
        }
        return true; // a form without a cancel button ignores Esc
    }
    // Enter presses the push button that has the focus, else the default button.
    HWND focus = ::GetFocus();
    if (const ControlState* focused = controls_.FindByHwnd(focus);
        focused && IsPushButton(*focused->design)) {
        ClickButton(focused->design->id);
        return true;
    }
    if (const ControlState* byDefault = controls_.FirstWith(kDefault)) {
        ClickButton(byDefault->design->id);
        return true;
    }
    return false;
}

void Form::ShowAsDefault(int id) {
    const ControlState* focused = controls_.Find(id);
    const bool focusedButton = focused && IsPushButton(*focused->design);
    for (const auto& c : controls_) {
        if (!IsPushButton(*c->design)) {
            continue;
        }
        const bool isDefault =
            focusedButton ? c->design->id == id : (c->design->flags & kDefault) != 0;
        ::SendMessageW(c->hwnd, BM_SETSTYLE,
                       (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
    }
}

void Form::ClickButton(int id) {
    const ControlState* c = controls_.Find(id);
    if (c && c->hwnd && ::IsWindowEnabled(c->hwnd) && ::IsWindowVisible(c->hwnd)) {
        ::SendMessageW(c->container, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(c->hwnd));
    }
}

} // namespace kv::ui
