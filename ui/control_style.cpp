#include "ui/control_style.h"

#include <algorithm>

namespace kv::ui {
namespace {

bool IsWindowed(Kind kind) {
    return kind == Kind::Button || kind == Kind::PictureButton || kind == Kind::TextBox ||
           kind == Kind::ListBox;
}

// A label or picture whose box reaches into a shown button, text box or list box of the
// same container. Those are created first, so they lie above it; clipping it by its
// siblings keeps its background from painting over them. Other labels are not clipped:
// transparent labels overlap each other in the designs and all of them must show.
bool OverlapsWindowedControl(const ControlDesign& d, std::span<const ControlDesign> all) {
    if (d.kind != Kind::Label && d.kind != Kind::Image) {
        return false;
    }
    for (const ControlDesign& other : all) {
        if (!IsWindowed(other.kind) || (other.flags & kHidden) || other.parent != d.parent) {
            continue;
        }
        if (d.left < other.left + other.width && other.left < d.left + d.width &&
            d.top < other.top + other.height && other.top < d.top + d.height) {
            return true;
        }
    }
    return false;
}

} // namespace

ControlStyle StyleFor(const ControlDesign& d, std::span<const ControlDesign> all) {
    if (d.kind == Kind::Line) {
        return {};
    }
    ControlStyle s{ControlClass::Static, style::kChild, 0, false};
    if (OverlapsWindowedControl(d, all)) {
        s.style |= style::kClipSiblings;
    }
    if (!(d.flags & kHidden)) {
        s.style |= style::kVisible;
    }
    if (IsFocusable(d)) {
        s.style |= style::kTabStop;
    }
    switch (d.kind) {
    case Kind::Label:
        if (d.flags & kAlignRight) {
            s.style |= style::kStaticRight;
        } else {
            // A label sized to its text is one line: never wrap a word away from it.
            s.style |= (d.flags & kAutoSize) ? style::kStaticNoWrap : style::kStaticLeft;
        }
        if (d.flags & kNoPrefix) {
            s.style |= style::kStaticNoPrefix;
        }
        if (d.flags & kLink) {
            s.style |= style::kStaticNotify;
        }
        if (d.flags & kEllipsis) {
            // Notify: it gets the mouse for its tooltip.
            s.style |= style::kStaticEndEllipsis | style::kStaticNotify;
        }
        break;
    case Kind::Button:
    case Kind::PictureButton:
        s.windowClass = ControlClass::Button;
        s.style |= ((d.flags & kDefault) ? style::kDefPushButton : style::kPushButton) |
                   style::kButtonNotify;
        break;
    case Kind::TextBox:
        s.windowClass = ControlClass::Edit;
        s.style |= style::kEditAutoHScroll;
        s.exStyle |= style::kExClientEdge;
        if (d.flags & kPassword) {
            s.style |= style::kEditPassword;
        }
        break;
    case Kind::ListBox:
        s.windowClass = ControlClass::ListBox;
        s.style |= style::kListNoIntegralHeight | style::kVScroll;
        s.exStyle |= style::kExClientEdge;
        break;
    case Kind::Image:
        // Owner-drawn so the picture blends with what lies under it; the text is the
        // name a screen reader gives it.
        s.style |= style::kStaticOwnerDraw;
        s.textIsName = true;
        if (d.flags & kBorder) {
            s.style |= style::kWindowBorder;
        }
        break;
    case Kind::PictureBox:
        s.windowClass = ControlClass::PictureBox;
        s.style |= style::kClipChildren;
        s.exStyle |= style::kExControlParent;
        break;
    case Kind::Line:
        break;
    }
    return s;
}

std::vector<const ControlDesign*> CreationOrder(std::span<const ControlDesign> all) {
    std::vector<const ControlDesign*> order;
    order.reserve(all.size());
    for (const ControlDesign& d : all) {
        order.push_back(&d);
    }
    auto rank = [](const ControlDesign* d) {
        if (d->kind == Kind::PictureBox) {
            return 0;
        }
        return IsFocusable(*d) ? 1 : 2;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const ControlDesign* a, const ControlDesign* b) {
                         if (rank(a) != rank(b)) {
                             return rank(a) < rank(b);
                         }
                         return rank(a) == 1 && a->tabIndex < b->tabIndex;
                     });
    return order;
}

} // namespace kv::ui
