// A form's controls made and placed at the window's DPI: the client area, fonts, sizes of
// labels that fit their text, pictures, backgrounds and the window's place on the screen.

#include "ui/form.h"

#include "ui/background.h"
#include "ui/button_images.h"
#include "ui/control_style_win.h"
#include "ui/picture.h"
#include "ui/units.h"

#include <algorithm>
#include <stdexcept>

namespace kv::ui {
namespace {

const wchar_t* ClassName(ControlClass c) {
    switch (c) {
    case ControlClass::Button:
        return L"BUTTON";
    case ControlClass::Edit:
        return L"EDIT";
    case ControlClass::ListBox:
        return L"LISTBOX";
    case ControlClass::PictureBox:
        return kPictureBoxClass;
    case ControlClass::Static:
    case ControlClass::None:
        break;
    }
    return L"STATIC";
}

// A hidden helper below or beside the client area (a list or a text box that only holds
// data) is never seen: it needs no font, which costs an edit or a list box a measuring
// pass of its own.
bool OutOfSight(const ControlDesign& d, const FormDesign& form) {
    return (d.flags & kHidden) && d.parent == 0 &&
           (d.top >= form.clientHeight || d.left >= form.clientWidth);
}

} // namespace

void Form::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    placedDpi_ = dpi_;
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    auto form = std::make_unique<Background>();
    form->hwnd = hwnd_;
    backgrounds_.push_back(std::move(form));

    for (const ControlDesign* d : CreationOrder(design_.controls)) {
        auto control = std::make_unique<ControlState>();
        control->design = d;
        control->color = d->color;
        control->container = hwnd_;
        if (d->parent != 0) {
            const ControlState* box = controls_.Find(d->parent);
            if (!box || box->design->kind != Kind::PictureBox) {
                throw std::logic_error("control on a missing picture box");
            }
            control->container = box->hwnd;
        }
        const ControlStyle style = StyleFor(*d, design_.controls);
        if (style.windowClass == ControlClass::None) {
            controls_.Add(std::move(control)); // drawn by its container, no window
            continue;
        }
        const wchar_t* text = style.textIsName ? d->name : d->text;
        SIZE size{TwipsToPixels(d->width, dpi_), TwipsToPixels(d->height, dpi_)};
        if (d->kind == Kind::Label && (d->flags & kAutoSize)) {
            size = LabelSize(*d, text, control->container, measure.get());
        }
        HWND hwnd =
            ::CreateWindowExW(Win32ExStyle(style), ClassName(style.windowClass), text,
                              Win32Style(style), TwipsToPixels(d->left, dpi_),
                              TwipsToPixels(d->top, dpi_), size.cx, size.cy, control->container,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(d->id)), instance, this);
        if (!hwnd) {
            throw std::runtime_error("CreateWindowEx(control) failed");
        }
        control->hwnd = hwnd;
        if (d->flags & kEllipsis) {
            tooltips_.Add(hwnd_, hwnd);
        }
        if (d->kind == Kind::TextBox && (d->flags & kPassword)) {
            ::SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        }
        if (d->kind == Kind::PictureBox) {
            auto background = std::make_unique<Background>();
            background->hwnd = hwnd;
            background->box = d;
            backgrounds_.push_back(std::move(background));
        }
        controls_.Add(std::move(control));
    }
}

void Form::SizeClientArea() {
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    RECT frame{0, 0, TwipsToPixels(design_.clientWidth, dpi_),
               TwipsToPixels(design_.clientHeight, dpi_)};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi_);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame is not drawn at the window's DPI (Wine), correct by what it really is.
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int dx = TwipsToPixels(design_.clientWidth, dpi_) - client.right;
    const int dy = TwipsToPixels(design_.clientHeight, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        width += dx;
        height += dy;
        ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::Layout(unsigned dpi) {
    // The first layout finds every control in place, with the fonts of its DPI.
    const bool moved = (dpi ? dpi : kDefaultDpi) != placedDpi_;
    dpi_ = dpi ? dpi : kDefaultDpi;
    if (moved) {
        // New fonts, pictures and backgrounds are made before the old ones go, and an old
        // one stays where its successor cannot be made: no control is left with a freed
        // handle.
        fonts_.BeginRenewal(dpi_);
        // The client area first: the backgrounds are composed at its size.
        SizeClientArea();
    }

    PictureLoader pictures(design_.hiDpiPictureOffset); // one decode per picture and size
    // Labels are measured in one memory DC: a window's own DC costs a round trip each.
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    // A form not shown yet has nothing to repaint.
    const BOOL redraw = ::IsWindowVisible(hwnd_);
    for (auto& c : controls_) {
        const ControlDesign& d = *c->design;
        if (!c->hwnd) {
            continue;
        }
        const int x = TwipsToPixels(d.left, dpi_);
        const int y = TwipsToPixels(d.top, dpi_);
        if (d.kind != Kind::Image && d.kind != Kind::PictureBox && !OutOfSight(d, design_)) {
            ::SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), redraw);
        }
        if (!moved) {
            // In place already.
        } else if (d.kind == Kind::Label && (d.flags & kAutoSize)) {
            const SIZE size = LabelSize(d, Text(d.id), c->container, measure.get());
            ::SetWindowPos(c->hwnd, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            ::SetWindowPos(c->hwnd, nullptr, x, y, TwipsToPixels(d.width, dpi_),
                           TwipsToPixels(d.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        const bool pictured = d.kind == Kind::Image || d.kind == Kind::PictureButton;
        if (pictured && d.picture) {
            const SIZE size = Picture::DesignSize(d.picture);
            std::shared_ptr<const Picture> picture =
                pictures.Load(d.picture, ScalePixels(size.cx, dpi_), ScalePixels(size.cy, dpi_));
            if (*picture || !c->picture) {
                c->picture = std::move(picture);
            }
            if (d.kind == Kind::PictureButton) {
                InstallButtonImages(*c);
            }
        }
    }
    for (auto& b : backgrounds_) {
        ComposeBackground(*b, design_, pictures, dpi_);
    }
    placedDpi_ = dpi_;
    if (moved) {
        fonts_.EndRenewal();
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::InstallButtonImages(ControlState& c) {
    if (!c.picture) {
        return;
    }
    win32::UniqueImageList images = MakeButtonImages(*c.picture, c.shield, dpi_);
    if (!images) {
        return; // the button keeps the images it has
    }
    BUTTON_IMAGELIST list{images.get(), {0, 2, 0, 0}, BUTTON_IMAGELIST_ALIGN_TOP};
    ::SendMessageW(c.hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    c.imageList = std::move(images); // the old list is freed once the button has let go of it
}

void Form::PlaceWindow(const RECT* suggested) {
    RECT rc{};
    ::GetWindowRect(hwnd_, &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (suggested) {
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT area{};
    HWND owner = design_.position == StartPosition::CenterOwner ? owner_ : nullptr;
    if (owner) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO mi{sizeof(mi)};
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    // Keep the whole window on its monitor's work area.
    MONITORINFO mi{sizeof(mi)};
    ::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi);
    x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
    y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SizeLabelToText(ControlState& c) {
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    const SIZE size = LabelSize(*c.design, Text(c.design->id), c.container, measure.get());
    ::SetWindowPos(c.hwnd, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Form::LabelSize(const ControlDesign& d, std::wstring text, HWND container, HDC dc) {
    win32::ScopedSelect font(dc, FontFor(d.font));
    RECT rc{0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (d.flags & kNoPrefix) {
        format |= DT_NOPREFIX;
    }
    if (text.empty()) {
        text = L" "; // keeps the height of one line
    }
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    // One pixel more: a last glyph (a colon, a period) may draw just past its advance.
    int width = rc.right - rc.left + 1;
    ABC abc{};
    if (::GetCharABCWidthsW(dc, text.back(), text.back(), &abc) && abc.abcC < 0) {
        width -= abc.abcC;
    }
    if (d.flags & kEllipsis) {
        // Never past the side margin: what does not fit ends in "..." (the tooltip has it).
        RECT area{};
        ::GetClientRect(container, &area);
        const int room = area.right - TwipsToPixels(d.left + design_.sideMarginTwips, dpi_);
        width = std::max(0, std::min(width, room));
    }
    return {width, rc.bottom - rc.top};
}

HFONT Form::FontFor(const FontDesign& font) {
    return fonts_.Get(font);
}

} // namespace kv::ui
