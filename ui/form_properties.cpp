// A form's run-time properties: captions, colours, visibility, focus, list items, timers,
// each on a control found by its design id.

#include "ui/form.h"

#include "ui/window_text.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kv::ui {

HWND Form::Control(int id) const {
    const ControlState* c = controls_.Find(id);
    return c ? c->hwnd : nullptr;
}

namespace {
[[noreturn]] void NoSuchControl(int id) {
    throw std::out_of_range("no control with id " + std::to_string(id));
}
} // namespace

std::wstring Form::Text(int id) const {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    return WindowText(hwnd);
}

void Form::SetText(int id, std::wstring_view text) {
    ControlState* c = controls_.Find(id);
    if (!c || !c->hwnd) {
        NoSuchControl(id);
    }
    const std::wstring value(text);
    if (!::SetWindowTextW(c->hwnd, value.c_str())) {
        throw std::runtime_error("SetWindowText failed");
    }
    if (c->design->kind == Kind::Label && (c->design->flags & kAutoSize)) {
        SizeLabelToText(*c);
    }
}

void Form::SetColor(int id, Rgb color) {
    ControlState* c = controls_.Find(id);
    if (!c) {
        NoSuchControl(id);
    }
    c->color = color;
    if (c->hwnd) {
        ::InvalidateRect(c->hwnd, nullptr, TRUE);
    }
}

void Form::SetVisible(int id, bool visible) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    ::ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool Form::IsVisible(int id) const {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    return (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Form::Focus(int id) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    ::SetFocus(hwnd);
}

void Form::AppendItem(int id, std::wstring_view item) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    const std::wstring value(item);
    const LRESULT index =
        ::SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE) {
        throw std::runtime_error("LB_ADDSTRING failed");
    }
}

void Form::SetShield(int id, bool shown) {
    ControlState* c = controls_.Find(id);
    if (!c || !c->hwnd || c->design->kind != Kind::PictureButton) {
        NoSuchControl(id);
    }
    if (c->shield != shown) {
        c->shield = shown;
        InstallButtonImages(*c);
    }
}

void Form::SetTooltip(int id, std::wstring_view text) {
    const ControlState* c = controls_.Find(id);
    if (!c || !c->hwnd) {
        NoSuchControl(id);
    }
    tooltips_.SetOwn(hwnd_, c->hwnd, text);
}

void Form::StartTimer(int id, unsigned intervalMs) {
    if (!hwnd_ || !::SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr)) {
        throw std::runtime_error("SetTimer failed");
    }
}

} // namespace kv::ui
