// The two dialogs as designed: frame, owner, position, controls and their looks.

#include "ui/units.h"
#include "password/frm_Login.h"
#include "password/frm_Login_design.h"
#include "password/frm_Settings.h"
#include "password/frm_Settings_design.h"
#include "tests/password/password_window_fixture.h"
#include "tests/support/layout_check.h"

#include <cstdlib>

namespace kv::test {
namespace {

using M = app::frm_Main;
using L = password::frm_Login;
using S = password::frm_Settings;

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ::GetObjectW(handle, sizeof font, &font);
    return font;
}

// What both dialogs share: a fixed frame without a taskbar button, owned by and centred
// on the main window, the controls where the design puts them, the password box.
template <typename Dialog>
void ExpectDialog(HWND dialog, const ui::FormDesign& design, HWND owner, int clientWidth,
                  int clientHeight) {
    const LONG_PTR style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW) << "no taskbar button";
    EXPECT_EQ(::GetWindow(dialog, GW_OWNER), owner);

    RECT client{};
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, clientWidth);
    EXPECT_EQ(client.bottom, clientHeight);

    RECT mine{}, theirs{};
    ::GetWindowRect(dialog, &mine);
    ::GetWindowRect(owner, &theirs);
    EXPECT_LE(std::abs((mine.left + mine.right) - (theirs.left + theirs.right)), 2);
    EXPECT_LE(std::abs((mine.top + mine.bottom) - (theirs.top + theirs.bottom)), 2);

    for (const ui::ControlDesign& d : design.controls) {
        HWND control = ::GetDlgItem(d.parent ? ::GetDlgItem(dialog, d.parent) : dialog, d.id);
        ASSERT_NE(control, nullptr) << testing::PrintToString(d.name);
        if (d.flags & ui::kHidden) {
            EXPECT_FALSE(IsShown(control)) << testing::PrintToString(d.name);
            continue;
        }
        EXPECT_TRUE(IsShown(control)) << testing::PrintToString(d.name);
        if (d.kind == ui::Kind::Label) {
            // The whole text fits on its one line.
            const std::wstring text = WindowText(control);
            HDC dc = ::GetDC(control);
            HGDIOBJ old = ::SelectObject(
                dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            ::SelectObject(dc, old);
            ::ReleaseDC(control, dc);
            RECT own{};
            ::GetClientRect(control, &own);
            EXPECT_GE(own.right, extent.cx) << testing::PrintToString(text);
            RECT inParent = RectInParent(control);
            RECT parentClient{};
            ::GetClientRect(::GetParent(control), &parentClient);
            EXPECT_LE(inParent.right, parentClient.right) << testing::PrintToString(text);
        }
    }
    const ui::Form* form = ui::Form::FromHwnd(dialog);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(&form->design(), &design);
    ExpectLaidOut(*form);

    HWND box = ::GetDlgItem(dialog, Dialog::txtPassword);
    EXPECT_TRUE(::GetWindowLongPtrW(box, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(::SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_GT(::SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 1'000'000) << "no length limit";
    EXPECT_EQ(::GetFocus(), box);

    // The banner: its title bold and larger, both lines white.
    HWND banner = ::GetDlgItem(dialog, Dialog::Picture1);
    HWND title = ::GetDlgItem(banner, Dialog::Label4);
    HWND line = ::GetDlgItem(banner, Dialog::Label2);
    EXPECT_GE(FontOf(title).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(title).lfHeight, -13); // 9.75 pt at 96 DPI
    EXPECT_EQ(LabelTextColor(title), RGB(255, 255, 255));
    EXPECT_EQ(LabelTextColor(line), RGB(255, 255, 255));
    EXPECT_LT(FontOf(line).lfWeight, FW_BOLD);
}

// Tab from the password box through the two buttons and back.
void ExpectTabOrder(HWND dialog, int box, int first, int second) {
    const int order[] = {box, first, second, box};
    ::SetFocus(::GetDlgItem(dialog, box));
    for (size_t i = 1; i < std::size(order); ++i) {
        PressKey(VK_TAB);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, order[i])) << "tab stop " << i;
    }
}

TEST_F(PasswordWindowTest, LoginDialogAsDesigned) {
    Store(L"x");
    WhenShown(L"Login", [this](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L"Login");
        ExpectDialog<L>(dialog, password::LoginDesign(), window_->hwnd(), 311, 146);
        HWND banner = ::GetDlgItem(dialog, L::Picture1);
        EXPECT_EQ(WindowText(::GetDlgItem(banner, L::Label4)), L"Login");
        EXPECT_EQ(WindowText(::GetDlgItem(banner, L::Label2)), L"Enter valid password to login.");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, L::Label1)), L"Password:");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, L::cmdLogin)), L"&Login");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, L::cmdCancel)), L"&Cancel");
        EXPECT_TRUE(::GetWindowLongPtrW(::GetDlgItem(dialog, L::cmdLogin), GWL_STYLE) &
                    BS_DEFPUSHBUTTON);
        ExpectTabOrder(dialog, L::txtPassword, L::cmdLogin, L::cmdCancel);
        Click(::GetDlgItem(dialog, L::cmdCancel));
    });
    Start();
    EXPECT_TRUE(ProgramEnded());
}

TEST_F(PasswordWindowTest, SettingsDialogAsDesigned) {
    Start();
    ASSERT_TRUE(MainShown());
    WhenShown(L"Settings", [this](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L"Settings");
        ExpectDialog<S>(dialog, password::SettingsDesign(), window_->hwnd(), 349, 149);
        HWND banner = ::GetDlgItem(dialog, S::Picture1);
        EXPECT_EQ(WindowText(::GetDlgItem(banner, S::Label4)), L"Settings");
        EXPECT_EQ(WindowText(::GetDlgItem(banner, S::Label2)),
                  L"Enter new password to change or leave blank to disable.");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, S::Label1)), L"New Password:");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, S::cmdChange)), L"Cha&nge");
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, S::cmdCancel)), L"&Cancel");
        EXPECT_TRUE(::GetWindowLongPtrW(::GetDlgItem(dialog, S::cmdChange), GWL_STYLE) &
                    BS_DEFPUSHBUTTON);
        ExpectTabOrder(dialog, S::txtPassword, S::cmdChange, S::cmdCancel);
        Click(::GetDlgItem(dialog, S::cmdCancel));
    });
    Click(window_->Control(M::cmdPassword));
    EXPECT_TRUE(AllShownActionsRan());
}

} // namespace
} // namespace kv::test
