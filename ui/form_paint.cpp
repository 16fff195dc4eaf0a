// What the form and its picture boxes answer alike: their painting, the colours their
// transparent labels erase with, their images and the link labels' pointer.

#include "ui/form.h"

#include "ui/background.h"

namespace kv::ui {

bool Form::HandleContainerMessage(HWND container, UINT msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1; // WM_PAINT draws everything
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintBackground(BackgroundOf(container), container, msg, wParam);
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC: {
        // Labels are transparent: they erase with the container's own picture.
        const ControlState* c = controls_.FindByHwnd(reinterpret_cast<HWND>(lParam));
        Background* b = BackgroundOf(container);
        if (!c || !b || !b->brush) {
            return false;
        }
        result = reinterpret_cast<LRESULT>(
            LendBackground(*b, reinterpret_cast<HDC>(wParam), c->hwnd, c->container, c->color));
        return true;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const ControlState* c = controls_.FindByHwnd(item->hwndItem);
        if (!c || c->design->kind != Kind::Image) {
            return false;
        }
        DrawImage(BackgroundOf(container), *item, c->container, c->picture.get());
        result = TRUE;
        return true;
    }
    case WM_SETCURSOR: {
        ControlState* c = controls_.FindByHwnd(reinterpret_cast<HWND>(wParam));
        if (c && (c->design->flags & kLink)) {
            ::SetCursor(LinkPointer());
            result = TRUE;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

Background* Form::BackgroundOf(HWND container) {
    for (auto& b : backgrounds_) {
        if (b->hwnd == container) {
            return b.get();
        }
    }
    return nullptr;
}

HCURSOR Form::LinkPointer() {
    if (!linkPointer_ && design_.linkPointer != 0) {
        // A shared resource: the system frees it, not us.
        linkPointer_ = static_cast<HCURSOR>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(design_.linkPointer),
                         IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    return linkPointer_ ? linkPointer_ : ::LoadCursorW(nullptr, IDC_HAND);
}

} // namespace kv::ui
