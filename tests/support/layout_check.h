#pragma once
// The one layout check of the window tests: every control of a form where its design puts
// it, in pixels at the form's DPI, and its client area at the designed size.

#include "ui/form.h"
#include "ui/units.h"
#include "tests/support/ui_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kv::test {

// Within a pixel of the design (rounding); lines and hidden helpers are left out; a label
// that sizes itself to its text is one line high and not empty.
inline void ExpectLaidOut(const ui::Form& form) {
    const unsigned dpi = form.dpi();
    for (const ui::ControlDesign& d : form.design().controls) {
        if (d.kind == ui::Kind::Line || (d.flags & ui::kHidden)) {
            continue;
        }
        const std::string name = testing::PrintToString(d.name);
        const RECT rc = RectInParent(form.Control(d.id));
        EXPECT_LE(std::abs(rc.left - ui::TwipsToPixels(d.left, dpi)), 1) << "left of " << name;
        EXPECT_LE(std::abs(rc.top - ui::TwipsToPixels(d.top, dpi)), 1) << "top of " << name;
        if (d.flags & ui::kAutoSize) {
            EXPECT_GT(rc.right - rc.left, 0) << "width of " << name;
            EXPECT_LT(rc.bottom - rc.top, ui::TwipsToPixels(400, dpi)) << "height of " << name;
            continue;
        }
        EXPECT_LE(std::abs(rc.right - rc.left - ui::TwipsToPixels(d.width, dpi)), 1)
            << "width of " << name;
        EXPECT_LE(std::abs(rc.bottom - rc.top - ui::TwipsToPixels(d.height, dpi)), 1)
            << "height of " << name;
    }
    RECT client{};
    ::GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, ui::TwipsToPixels(form.design().clientWidth, dpi));
    EXPECT_EQ(client.bottom, ui::TwipsToPixels(form.design().clientHeight, dpi));
}

} // namespace kv::test
