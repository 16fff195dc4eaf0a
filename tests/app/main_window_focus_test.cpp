// The focus comes back to the control that had it when a window becomes active again, as
// in a dialog box: after a modal window or a message box, and after another program.

#include "tests/app/main_window_fixture.h"

namespace kv::test {
namespace {

using M = app::frm_Main;

TEST_F(MainWindowTest, AfterAboutEnterOpensAboutAgain) {
    Start();
    ::SetFocus(Ctl(M::cmdAbout));
    bool reopened = false;
    WhenShown(L"About...", [](HWND about) { ::PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 1); });
    PressKey(VK_RETURN); // opens About; Esc closes it
    EXPECT_EQ(::GetFocus(), Ctl(M::cmdAbout));

    WhenShown(L"About...", [&](HWND about) {
        reopened = true;
        ::PostMessageW(about, WM_CLOSE, 0, 0);
    });
    PressKey(VK_RETURN);
    EXPECT_TRUE(reopened) << "Enter after About pressed another button";
    EXPECT_FALSE(ProgramEnded());
}

TEST_F(MainWindowTest, FocusReturnsAfterAMessageBoxAndAfterAnotherWindow) {
    Start();
    ::SetFocus(Ctl(M::cmdLock));
    AnswerMessageBox(IDOK, nullptr);
    ::MessageBoxW(window_->hwnd(), L"A box", L"Kelvane", MB_OK); // owned, like the program's
    EXPECT_EQ(::GetFocus(), Ctl(M::cmdLock));

    // Another program's window takes the activation and gives it back (Alt+Tab).
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(other);
    Pump(20);
    EXPECT_NE(::GetFocus(), Ctl(M::cmdLock));
    ::SetActiveWindow(window_->hwnd());
    Pump(20);
    EXPECT_EQ(::GetFocus(), Ctl(M::cmdLock));
    ::DestroyWindow(other);
}

} // namespace
} // namespace kv::test
