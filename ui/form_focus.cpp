// Where the keyboard focus goes when a form becomes active again: back to the control that
// had it, as in a dialog box, so that Enter after a modal window or a message box presses
// the button it pressed before instead of the default one.

#include "ui/form.h"

#include "ui/control_style.h"

namespace kv::ui {

HWND Form::FirstTabStop() const {
    const ControlState* first = nullptr;
    for (const auto& c : controls_) {
        if (IsFocusable(*c->design) && ::IsWindowVisible(c->hwnd) && ::IsWindowEnabled(c->hwnd) &&
            (!first || c->design->tabIndex < first->design->tabIndex)) {
            first = c.get();
        }
    }
    return first ? first->hwnd : nullptr;
}

void Form::RememberFocus(HWND focus) {
    // Only a control of this form counts: the focus may already be elsewhere, or nowhere
    // (a window being disabled for a modal one loses it before it is deactivated).
    if (focus && focus != hwnd_ && ::IsChild(hwnd_, focus)) {
        lastFocus_ = focus;
    }
}

void Form::NoteFocusNotification(const ControlState& c, int code) {
    const Kind kind = c.design->kind;
    const bool gotFocus = (IsPushButton(*c.design) && code == BN_SETFOCUS) ||
                          (kind == Kind::TextBox && code == EN_SETFOCUS) ||
                          (kind == Kind::ListBox && code == LBN_SETFOCUS);
    if (gotFocus) {
        RememberFocus(c.hwnd);
    }
}

void Form::RestoreFocus() {
    HWND target = lastFocus_;
    if (!target || !::IsWindow(target) || !::IsChild(hwnd_, target) || !::IsWindowVisible(target) ||
        !::IsWindowEnabled(target)) {
        target = FirstTabStop();
    }
    ::SetFocus(target ? target : hwnd_);
}

bool Form::HandleActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus(::GetFocus());
        return false;
    }
    if (HIWORD(wParam) != 0) {
        return false; // minimized: the frame keeps it, as Windows does
    }
    RestoreFocus();
    return true;
}

} // namespace kv::ui
