#include "ui/background.h"

#include "ui/units.h"
#include "win32/report.h"

#include <algorithm>

namespace kv::ui {
namespace {

POINT OffsetInContainer(HWND control, HWND container) {
    RECT rc{};
    ::GetWindowRect(control, &rc);
    POINT p{rc.left, rc.top};
    ::ScreenToClient(container, &p);
    return p;
}

} // namespace

void ComposeBackground(Background& b, const FormDesign& design, PictureLoader& pictures,
                       unsigned dpi) {
    RECT rc{};
    ::GetClientRect(b.hwnd, &rc);
    const SIZE area{std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1)};
    win32::ScopedWindowDc screen(b.hwnd);
    // Composed once into a bitmap that only lives until the pattern brush has its copy.
    win32::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), area.cx, area.cy));
    win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc) {
        win32::Report(L"could not create a window background");
        return;
    }
    {
        win32::ScopedSelect select(dc.get(), bitmap.get());
        Rgb back = b.box ? b.box->color : design.backColor;
        COLORREF backRef =
            (!b.box && design.systemBackColor) ? ::GetSysColor(COLOR_BTNFACE) : ToColorRef(back);
        win32::UniqueBrush fill(::CreateSolidBrush(backRef));
        ::FillRect(dc.get(), &rc, fill.get());

        if (b.box) {
            if (b.box->picture) {
                const SIZE size = Picture::DesignSize(b.box->picture);
                pictures.Load(b.box->picture, ScalePixels(size.cx, dpi), ScalePixels(size.cy, dpi))
                    ->Draw(dc.get(), 0, 0);
            }
        } else {
            if (design.backPicture) {
                // A plain picture: decoded small and stretched by GDI to its area.
                const SIZE size = Picture::DesignSize(design.backPicture);
                pictures.Load(design.backPicture, size.cx, size.cy)
                    ->DrawStretched(dc.get(), 0, 0, ScalePixels(design.backPictureWidth, dpi),
                                    ScalePixels(design.backPictureHeight, dpi));
            }
            const int thickness = std::max(1, ScalePixels(1, dpi));
            for (const ControlDesign& d : design.controls) {
                if (d.kind != Kind::Line || d.parent != 0) {
                    continue;
                }
                win32::UniquePen pen(::CreatePen(PS_SOLID, thickness, ToColorRef(d.color)));
                win32::ScopedSelect usePen(dc.get(), pen.get());
                ::MoveToEx(dc.get(), TwipsToPixels(d.left, dpi), TwipsToPixels(d.top, dpi),
                           nullptr);
                ::LineTo(dc.get(), TwipsToPixels(d.width, dpi), TwipsToPixels(d.height, dpi));
            }
        }
    }
    win32::UniqueBrush brush(::CreatePatternBrush(bitmap.get()));
    if (!brush) {
        win32::Report(L"could not create a window background");
        return; // the last one stays in use
    }
    b.size = area;
    b.brush = std::move(brush); // the old brush goes only now, no label erases with it
    ::InvalidateRect(b.hwnd, nullptr, TRUE);
}

void PaintBackground(const Background* b, HWND container, UINT msg, WPARAM wParam) {
    auto paint = [&](HDC dc) {
        if (b && b->brush) {
            const RECT all{0, 0, b->size.cx, b->size.cy};
            ::SetBrushOrgEx(dc, 0, 0, nullptr);
            ::FillRect(dc, &all, b->brush.get());
        }
    };
    if (msg == WM_PAINT) {
        win32::ScopedPaint ps(container);
        paint(ps.get());
    } else {
        paint(reinterpret_cast<HDC>(wParam));
    }
}

HBRUSH LendBackground(const Background& b, HDC dc, HWND label, HWND container, Rgb textColor) {
    const POINT offset = OffsetInContainer(label, container);
    ::SetTextColor(dc, ToColorRef(textColor));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetBrushOrgEx(dc, -offset.x, -offset.y, nullptr);
    return b.brush.get();
}

void DrawImage(const Background* b, const DRAWITEMSTRUCT& item, HWND container,
               const Picture* picture) {
    if (b && b->brush) {
        const POINT offset = OffsetInContainer(item.hwndItem, container);
        ::SetBrushOrgEx(item.hDC, -offset.x, -offset.y, nullptr);
        ::FillRect(item.hDC, &item.rcItem, b->brush.get());
    }
    if (picture) {
        picture->Draw(item.hDC, item.rcItem.left, item.rcItem.top);
    }
}

} // namespace kv::ui
