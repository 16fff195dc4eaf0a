// The main window's controls sit where the design puts them, in pixels at the window's DPI.

#include "app/frm_Main_design.h"
#include "ui/units.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/layout_check.h"

#include <cstdlib>

namespace kv::test {
namespace {

using M = app::frm_Main;

TEST_F(MainWindowTest, ControlsAtTheirDesignedPixelsAndScaledWithTheDpi) {
    app::frm_Main& w = Start();
    ASSERT_EQ(w.dpi(), 96u) << "the test prefix runs at 96 DPI";
    ExpectLaidOut(w);
    EXPECT_EQ(RectInParent(Ctl(M::cmdApply)).left, 387); // 5805 twips

    // Moving to a 144 DPI monitor: Windows sends the new DPI and a suggested rectangle.
    RECT suggested{};
    ::GetWindowRect(w.hwnd(), &suggested);
    ::SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.dpi(), 144u);
    ExpectLaidOut(w);
}

TEST_F(MainWindowTest, SeparatorLinesShowThroughTheLabelAndPictureLaidOverThem) {
    // The last line runs along the foot of the last notice, and the line above it through
    // the foot of the drives' picture (over a transparent part of it): both erase with the
    // window's background, lines included.
    app::frm_Main& w = Start();
    ::UpdateWindow(w.hwnd());
    HDC screen = ::GetDC(nullptr);
    const COLORREF lavender = RGB(192, 192, 255);
    const struct { int control, lineTwips; } overlaps[] = {{M::Label13, 8100}, {M::Image4, 7110}};
    for (const auto& o : overlaps) {
        const RECT rc = RectInParent(Ctl(o.control));
        POINT p{rc.left + 3, ui::TwipsToPixels(o.lineTwips, w.dpi())};
        ASSERT_LT(p.y, rc.bottom) << "the control no longer lies on the line";
        ::ClientToScreen(w.hwnd(), &p);
        EXPECT_EQ(::GetPixel(screen, p.x, p.y), lavender) << o.control;
    }
    ::ReleaseDC(nullptr, screen);
}

TEST_F(MainWindowTest, WindowIsCentredWithAFixedFrame) {
    app::frm_Main& w = Start();
    const LONG_PTR style = ::GetWindowLongPtrW(w.hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(WindowText(w.hwnd()), L"Kelvane - USB Device Security Protection");
    EXPECT_EQ(::GetWindow(w.hwnd(), GW_OWNER), nullptr); // its own taskbar button

    RECT rc{};
    ::GetWindowRect(w.hwnd(), &rc);
    MONITORINFO mi{sizeof(mi)};
    ::GetMonitorInfoW(::MonitorFromWindow(w.hwnd(), MONITOR_DEFAULTTOPRIMARY), &mi);
    EXPECT_LE(std::abs((rc.left + rc.right) - (mi.rcWork.left + mi.rcWork.right)), 2);
    EXPECT_LE(std::abs((rc.top + rc.bottom) - (mi.rcWork.top + mi.rcWork.bottom)), 2);
}

TEST_F(MainWindowTest, StartTextsAndHiddenHelpers) {
    Start();
    EXPECT_EQ(TextOf(M::cmdPassword), L"&Pasword");
    EXPECT_EQ(TextOf(M::cmdAbout), L"&About...");
    EXPECT_EQ(TextOf(M::Label5), L"USB Storage Devices:");
    EXPECT_FALSE(Shown(M::lstErrs));
    EXPECT_FALSE(Shown(M::txtRegValue));
    EXPECT_EQ(ColorOf(M::Label16), RGB(0, 128, 128));
    EXPECT_EQ(ColorOf(M::Label9), RGB(64, 64, 64));
    EXPECT_EQ(ColorOf(M::lblRefreshUSBDevices), RGB(0, 0, 255));
}

} // namespace
} // namespace kv::test
