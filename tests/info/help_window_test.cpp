// The Help window on its own under Wine: its texts character for character, its look,
// and that only the close box (or the system's close command) closes it.

#include "info/frm_Help.h"
#include "tests/info/info_test_support.h"
#include "tests/support/layout_check.h"

#include <memory>
#include <utility>

namespace kv::test {
namespace {

using H = info::frm_Help;

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramEnded(); }
    void TearDown() override {
        help_.reset();
        EXPECT_TRUE(AllShownActionsRan());
    }

    info::frm_Help& Show() {
        help_->Show();
        Pump(50);
        return *help_;
    }

    HWND Ctl(int id) const { return help_->Control(id); }

    std::unique_ptr<info::frm_Help> help_ = std::make_unique<info::frm_Help>();
};

TEST_F(HelpWindowTest, TextsAreExactlyTheManualsWords) {
    Show();
    const std::pair<int, const wchar_t*> texts[] = {
        {H::Label4, L"Help"},
        {H::Label8, L"Short manual on Kelvane - USB Device Security."},
        {H::Label1, L"Kelvane - USB Device Security is a small utility software which protects "
                    L"valuable file(s) containing in your USB storage devices from being "
                    L"accidentally modified or deleted and prevents unauthorized users from "
                    L"connecting USB storage devices and copying your files."},
        {H::Label3, L"Features:"},
        {H::Label16, L"USB Device Write Protection"},
        {H::Label17, L"Protects valuable file(s) containing in your USB storage devices from "
                     L"being accidentally modified or deleted and also prevents automatic "
                     L"transfer of malicious programs  to your USB Storage Device."},
        {H::Label18, L"USB Device Lock"},
        {H::Label11, L"It maintains your privacy by preventing unauthorized users from "
                     L"connecting USB storage devices to your computer and copying your "
                     L"valuable data."},
        {H::Label2, L"USB Device Autorun"},
        {H::Label19, L"USB Storage Devices are one of the major source of virus and other "
                     L"malicious program. It protects your computer from viruses and other "
                     L"malicious programs by disabling USB Device's autorun function and "
                     L"preventing them from automatically running and transferring to your "
                     L"computer."},
        {H::Label6, L"Password Protected Settings"},
        {H::Label5, L"You can protect your protection settings by password and prevent "
                    L"unauthorized user from changing your protection settings."},
        {H::Label7, L"NOTE:"},
        {H::Label9, L"If USB storage device(s) are already plugged into the computer please, "
                    L"remove and re-attach to take changes in effect."},
        {H::Label13, L"Kelvane requires administrative privilege to perform its operation in "
                     L"Windows 7 or Vista. So, if you are using Windows 7 or Vista, please run "
                     L"this program as an 'Administrator' by right clicking on the icon of this "
                     L"program and clicking on 'Run as administrator' as shown in below."},
        {H::Label10, L"If you have any suggestion or comments regarding this software  please, "
                     L"don't hesitate to send me.       I hope you will like this software."},
    };
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(WindowText(Ctl(id)), text) << "label " << id;
    }
    EXPECT_EQ(WindowText(help_->hwnd()), L"Help");
    // The blanks that look like slips are kept as they are.
    EXPECT_NE(WindowText(Ctl(H::Label17)).find(L"programs  to your"), std::wstring::npos);
    EXPECT_NE(WindowText(Ctl(H::Label10)).find(L"software  please"), std::wstring::npos);
    EXPECT_NE(WindowText(Ctl(H::Label10)).find(L"me.       I hope"), std::wstring::npos);
}

TEST_F(HelpWindowTest, HeadingsNotesAndBodyInTheirColoursAndFonts) {
    info::frm_Help& help = Show();
    const unsigned dpi = help.dpi();
    constexpr COLORREF kTeal = RGB(0, 128, 128);
    constexpr COLORREF kBrownOrange = RGB(192, 64, 0);
    for (int id : {H::Label16, H::Label18, H::Label2, H::Label6}) {
        EXPECT_EQ(LabelTextColor(Ctl(id)), kTeal) << "heading " << id;
        const LOGFONTW font = FontOf(Ctl(id));
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_FALSE(font.lfUnderline);
        EXPECT_EQ(font.lfHeight, FontHeight(975, dpi));
    }
    for (int id : {H::Label3, H::Label7}) {
        EXPECT_EQ(LabelTextColor(Ctl(id)), kBrownOrange) << "caption " << id;
        const LOGFONTW font = FontOf(Ctl(id));
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_TRUE(font.lfUnderline);
        EXPECT_EQ(font.lfHeight, FontHeight(975, dpi));
    }
    for (int id : {H::Label1, H::Label17, H::Label11, H::Label19, H::Label5, H::Label9, H::Label13,
                   H::Label10}) {
        EXPECT_EQ(LabelTextColor(Ctl(id)), RGB(0, 0, 0)) << "text " << id;
        const LOGFONTW font = FontOf(Ctl(id));
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfHeight, FontHeight(825, dpi));
    }
    EXPECT_EQ(LabelTextColor(Ctl(H::Label4)), RGB(255, 255, 255));
    EXPECT_EQ(LabelTextColor(Ctl(H::Label8)), RGB(255, 255, 255));
    EXPECT_EQ(FontOf(Ctl(H::Label4)).lfHeight, FontHeight(975, dpi));
    EXPECT_EQ(FontOf(Ctl(H::Label4)).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(Ctl(H::Label8)).lfWeight, FW_NORMAL);
}

TEST_F(HelpWindowTest, ControlsAtTheirDesignedPlaces) {
    info::frm_Help& help = Show();
    const unsigned dpi = help.dpi();
    ASSERT_EQ(dpi, 96u) << "the test prefix runs at 96 DPI";
    const SIZE client = ClientSize(help.hwnd());
    EXPECT_EQ(client.cx, 601); // 9015 x 8895 twips
    EXPECT_EQ(client.cy, 593);

    // Long texts keep their designed size and wrap inside it.
    ExpectLaidOut(help);
    EXPECT_EQ(::GetParent(Ctl(H::Label8)), Ctl(H::Picture1));
    // The screenshot picture has a one-line border around its 321 x 137 pixels.
    EXPECT_TRUE(HasStyle(Ctl(H::Image1), WS_BORDER));
    const SIZE inside = ClientSize(Ctl(H::Image1));
    EXPECT_EQ(inside.cx, 321);
    EXPECT_EQ(inside.cy, 137);
    // Headings are one line, sized to their text.
    const RECT heading = RectInParent(Ctl(H::Label16));
    EXPECT_LT(heading.bottom - heading.top, 24);
}

TEST_F(HelpWindowTest, NoButtonsNoIconNoTaskbarButton) {
    info::frm_Help& help = Show();
    HWND w = help.hwnd();
    EXPECT_FALSE(HasExStyle(w, WS_EX_APPWINDOW));
    EXPECT_FALSE(HasStyle(w, WS_THICKFRAME));
    EXPECT_FALSE(HasStyle(w, WS_MINIMIZEBOX));
    EXPECT_FALSE(HasStyle(w, WS_MAXIMIZEBOX));
    EXPECT_TRUE(HasStyle(w, WS_SYSMENU)); // the close box
    int children = 0;
    int buttons = 0;
    for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        ++children;
        wchar_t cls[32] = {};
        ::GetClassNameW(c, cls, 32);
        buttons += ::lstrcmpiW(cls, L"BUTTON") == 0;
        EXPECT_FALSE(HasStyle(c, WS_TABSTOP));
    }
    EXPECT_GT(children, 15);
    EXPECT_EQ(buttons, 0);
}

TEST_F(HelpWindowTest, BackgroundIsTheButtonFaceBeyondThePicture) {
    info::frm_Help& help = Show();
    // The picture is 600 pixels wide; the client area's last column shows the window's own
    // colour.
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 601, 593);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::SendMessageW(help.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(::GetPixel(dc, 600, 300), ::GetSysColor(COLOR_BTNFACE));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST_F(HelpWindowTest, EscAndEnterDoNothingTheCloseBoxCloses) {
    bool escCloses = true, enterCloses = true, openAfterKeys = false, closeBoxCloses = false;
    WhenShown(L"Help", [&](HWND w) {
        escCloses = KeyCloses(w, VK_ESCAPE);
        enterCloses = ::IsWindow(w) && KeyCloses(w, VK_RETURN);
        openAfterKeys = ::IsWindow(w) && IsShown(w);
        ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); // the title bar's close box
        closeBoxCloses = PumpUntil([w] { return !::IsWindow(w); }, 2000);
        CloseIfOpen(w);
    });
    help_->ShowModal();
    EXPECT_FALSE(escCloses);
    EXPECT_FALSE(enterCloses);
    EXPECT_TRUE(openAfterKeys);
    EXPECT_TRUE(closeBoxCloses);
    EXPECT_FALSE(help_->IsLoaded());
    EXPECT_FALSE(FindVisibleTopLevel(L"Help"));
}

TEST_F(HelpWindowTest, CloseMessageClosesIt) {
    bool closed = false;
    WhenShown(L"Help", [&](HWND w) {
        ::PostMessageW(w, WM_CLOSE, 0, 0);
        closed = PumpUntil([w] { return !::IsWindow(w); }, 2000);
        CloseIfOpen(w);
    });
    help_->ShowModal();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(help_->IsLoaded());
}

} // namespace
} // namespace kv::test
