// The About window on its own under Wine: its design as Windows shows it, the keys that
// close it and the link that hands the web-site address to the shell.

#include "info/author.h"
#include "info/frm_About.h"
#include "tests/info/info_test_support.h"
#include "tests/support/layout_check.h"

#include <shellapi.h>

#include <memory>
#include <vector>

namespace kv::test {
namespace {

using A = info::frm_About;

struct ShellCall {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    bool parameters;
    bool directory;
    int show;
};

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramEnded(); }
    void TearDown() override {
        about_.reset();
        EXPECT_TRUE(AllShownActionsRan());
    }

    info::frm_About& Show() {
        about_->Show();
        Pump(50);
        return *about_;
    }

    // Records each shell call and answers as the shell does when nothing opens the file.
    void RecordShellCalls(HINSTANCE answer) {
        ui::WebOpener opener = ui::WindowsWebOpener();
        opener.isElevated = [] {
            return false;
        };
        opener.shellExecute = [this, answer](HWND owner, const wchar_t* verb, const wchar_t* file,
                                             const wchar_t* parameters, const wchar_t* directory,
                                             int show) {
            calls_.push_back({owner, verb ? verb : L"<null>", file ? file : L"<null>",
                              parameters != nullptr, directory != nullptr, show});
            return answer;
        };
        about_->SetWebOpener(std::move(opener));
    }

    HWND Ctl(int id) const { return about_->Control(id); }

    std::unique_ptr<info::frm_About> about_ = std::make_unique<info::frm_About>();
    std::vector<ShellCall> calls_;
};

TEST_F(AboutWindowTest, DialogFrameWithoutIconOrTaskbarButton) {
    info::frm_About& about = Show();
    HWND w = about.hwnd();
    EXPECT_EQ(WindowText(w), L"About...");
    EXPECT_TRUE(HasStyle(w, WS_CAPTION | WS_SYSMENU));
    EXPECT_FALSE(HasStyle(w, WS_THICKFRAME));
    EXPECT_FALSE(HasStyle(w, WS_MINIMIZEBOX));
    EXPECT_FALSE(HasStyle(w, WS_MAXIMIZEBOX));
    EXPECT_FALSE(HasExStyle(w, WS_EX_APPWINDOW));
    EXPECT_TRUE(HasExStyle(w, WS_EX_DLGMODALFRAME)); // no icon in the title bar
    EXPECT_EQ(::SendMessageW(w, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(::SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0);
}

TEST_F(AboutWindowTest, ControlsAtTheirDesignedPlaces) {
    info::frm_About& about = Show();
    const unsigned dpi = about.dpi();
    ASSERT_EQ(dpi, 96u) << "the test prefix runs at 96 DPI";
    const SIZE client = ClientSize(about.hwnd());
    EXPECT_EQ(client.cx, 281); // 4215 x 3915 twips
    EXPECT_EQ(client.cy, 261);

    ExpectLaidOut(about);
    EXPECT_EQ(::GetParent(Ctl(A::Label4)), Ctl(A::Picture1));
    // One line of text each: the labels size themselves to it.
    const RECT url = RectInParent(Ctl(A::lblvandorlin));
    EXPECT_LT(url.bottom - url.top, 20);
    EXPECT_GT(url.right - url.left, 60);
}

TEST_F(AboutWindowTest, TextsFontsAndColours) {
    info::frm_About& about = Show();
    EXPECT_EQ(WindowText(Ctl(A::Label4)), L"Kelvane");
    EXPECT_EQ(WindowText(Ctl(A::Label1)), L"Version: 2.0.0");
    EXPECT_EQ(WindowText(Ctl(A::Label9)), info::author::kName);
    EXPECT_EQ(WindowText(Ctl(A::Label3)), info::author::kTown);
    EXPECT_EQ(WindowText(Ctl(A::Label5)), std::wstring(L"Cell No.: ") + info::author::kPhone);
    EXPECT_EQ(WindowText(Ctl(A::Label8)), L"E-mail :");
    EXPECT_EQ(WindowText(Ctl(A::Label10)), info::author::kEmail);
    EXPECT_EQ(WindowText(Ctl(A::Label7)), info::author::kEmail2);
    EXPECT_EQ(WindowText(Ctl(A::Label6)), info::author::kEmail3);
    EXPECT_EQ(WindowText(Ctl(A::lblURL)), L"URL :");
    EXPECT_EQ(WindowText(Ctl(A::lblvandorlin)), info::author::kWebSite);
    EXPECT_EQ(WindowText(Ctl(A::cmdOK)), L"&OK");

    EXPECT_EQ(LabelTextColor(Ctl(A::Label4)), RGB(255, 255, 255));
    EXPECT_EQ(LabelTextColor(Ctl(A::Label1)), RGB(255, 255, 255));
    EXPECT_EQ(LabelTextColor(Ctl(A::Label9)), RGB(0, 0, 0));
    for (int id : {A::Label10, A::Label7, A::Label6, A::lblvandorlin}) {
        EXPECT_EQ(LabelTextColor(Ctl(id)), RGB(0, 0, 255)) << "label " << id;
    }
    EXPECT_TRUE(HasStyle(Ctl(A::Label8), SS_RIGHT));
    EXPECT_TRUE(HasStyle(Ctl(A::lblURL), SS_RIGHT));

    const unsigned dpi = about.dpi();
    const LOGFONTW product = FontOf(Ctl(A::Label4));
    EXPECT_EQ(product.lfWeight, FW_BOLD);
    EXPECT_EQ(product.lfHeight, FontHeight(825, dpi));
    const LOGFONTW name = FontOf(Ctl(A::Label9));
    EXPECT_STREQ(name.lfFaceName, L"Tahoma");
    EXPECT_EQ(name.lfWeight, FW_BOLD);
    const LOGFONTW link = FontOf(Ctl(A::lblvandorlin));
    EXPECT_STREQ(link.lfFaceName, L"Tahoma");
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(link.lfWeight, FW_NORMAL);
}

TEST_F(AboutWindowTest, AuthorCaptionShowsItsAmpersand) {
    Show();
    HWND caption = Ctl(A::Label11);
    const std::wstring text = WindowText(caption);
    EXPECT_NE(text.find(L'&'), std::wstring::npos) << "the caption introduces with an '&'";
    EXPECT_EQ(text, info::author::kContactCaption);
    // Drawn as a character, not taken as the marker of an underlined access letter.
    EXPECT_TRUE(HasStyle(caption, SS_NOPREFIX));
    const LOGFONTW font = FontOf(caption);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_TRUE(font.lfUnderline);
    // Sized to the whole text, the '&' included.
    HDC dc = ::GetDC(caption);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(caption, WM_GETFONT, 0, 0)));
    RECT whole{}, prefixed{};
    ::DrawTextW(dc, text.c_str(), -1, &whole, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ::DrawTextW(dc, text.c_str(), -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(caption, dc);
    const RECT rc = RectInParent(caption);
    // The whole text, plus the pixel a last glyph may draw past its advance.
    EXPECT_GE(rc.right - rc.left, whole.right);
    EXPECT_LE(rc.right - rc.left, whole.right + 2);
    EXPECT_GT(whole.right, prefixed.right + 1);
}

TEST_F(AboutWindowTest, OkHasTheFocusAndIsTheDefaultButton) {
    Show();
    HWND ok = Ctl(A::cmdOK);
    EXPECT_EQ(::GetFocus(), ok);
    EXPECT_TRUE(HasStyle(ok, WS_TABSTOP));
    EXPECT_EQ(::GetWindowLongPtrW(ok, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    // Nothing else takes the focus: the link and the texts are labels.
    for (int id : {A::lblvandorlin, A::Label10, A::Label11}) {
        EXPECT_FALSE(HasStyle(Ctl(id), WS_TABSTOP));
    }
}

// Shows the window modally and presses `key` in it once it is on screen.
bool ClosesModallyOn(info::frm_About& about, UINT key) {
    bool shownWithFocusOnOk = false;
    bool closed = false;
    WhenShown(L"About...", [&](HWND w) {
        shownWithFocusOnOk = ::GetFocus() == ::GetDlgItem(w, A::cmdOK);
        closed = KeyCloses(w, key);
        CloseIfOpen(w);
    });
    about.ShowModal(); // returns once the window is unloaded
    return shownWithFocusOnOk && closed && !about.IsLoaded();
}

TEST_F(AboutWindowTest, EnterClosesIt) {
    EXPECT_TRUE(ClosesModallyOn(*about_, VK_RETURN));
    EXPECT_FALSE(FindVisibleTopLevel(L"About..."));
}

TEST_F(AboutWindowTest, EscClosesIt) {
    EXPECT_TRUE(ClosesModallyOn(*about_, VK_ESCAPE));
    EXPECT_FALSE(FindVisibleTopLevel(L"About..."));
}

TEST_F(AboutWindowTest, OkButtonAndCloseBoxCloseIt) {
    Show();
    Click(Ctl(A::cmdOK));
    EXPECT_FALSE(about_->IsLoaded());

    about_ = std::make_unique<info::frm_About>();
    Show();
    ::SendMessageW(about_->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(20);
    EXPECT_FALSE(about_->IsLoaded());
}

TEST_F(AboutWindowTest, LinkHandsTheAddressToTheShell) {
    RecordShellCalls(reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42))); // success
    info::frm_About& about = Show();
    HWND link = Ctl(A::lblvandorlin);
    EXPECT_TRUE(HasStyle(link, SS_NOTIFY)); // clicks reach the window

    Click(link);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].owner, about.hwnd());
    EXPECT_EQ(calls_[0].verb, L"Open");
    EXPECT_EQ(calls_[0].file, info::author::kWebSite);
    EXPECT_FALSE(calls_[0].parameters);
    EXPECT_FALSE(calls_[0].directory);
    EXPECT_EQ(calls_[0].show, SW_SHOW);

    // Any address goes through as given.
    const std::wstring other = L"https://docs.example.net/kelvane?x=1&y=2";
    about.OpenWebsite(other);
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].file, other);
    EXPECT_EQ(other, L"https://docs.example.net/kelvane?x=1&y=2");

    // The other texts are not links.
    Click(Ctl(A::Label10));
    Click(Ctl(A::Label11));
    EXPECT_EQ(calls_.size(), 2u);
}

TEST_F(AboutWindowTest, NothingVisibleHappensWhenNoProgramOpensTheAddress) {
    RecordShellCalls(reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC)));
    info::frm_About& about = Show();
    const std::set<HWND> before = VisibleTopLevels();

    Click(Ctl(A::lblvandorlin));
    Pump(300);
    EXPECT_EQ(calls_.size(), 1u);
    EXPECT_EQ(VisibleTopLevels(), before) << "a window or message appeared";
    EXPECT_TRUE(about.IsLoaded());
    EXPECT_TRUE(IsShown(about.hwnd()));
    EXPECT_EQ(WindowText(Ctl(A::lblvandorlin)), info::author::kWebSite);
    EXPECT_TRUE(::IsWindowEnabled(about.hwnd()));
}

// The real shell under Wine, where no program for web addresses exists: the call returns,
// nothing is shown and the window carries on.
TEST_F(AboutWindowTest, RealShellWithoutABrowserLeavesTheWindowAsItWas) {
    ui::WebOpener notElevated = ui::WindowsWebOpener();
    notElevated.isElevated = [] {
        return false;
    }; // Wine's token always is
    about_->SetWebOpener(std::move(notElevated));
    info::frm_About& about = Show();
    const std::set<HWND> before = VisibleTopLevels();
    const RECT placed = RectInParent(Ctl(A::lblvandorlin));

    Click(Ctl(A::lblvandorlin));
    Pump(3000); // the shell's helper process comes and goes meanwhile

    EXPECT_EQ(VisibleTopLevels(), before) << "a window or message appeared";
    ASSERT_TRUE(about.IsLoaded());
    EXPECT_TRUE(IsShown(about.hwnd()));
    const RECT after = RectInParent(Ctl(A::lblvandorlin));
    EXPECT_TRUE(::EqualRect(&placed, &after));
    EXPECT_TRUE(ClosesModallyOn(about, VK_ESCAPE));
}

// Elevated without a desktop shell to ask: the real clipboard holds the address and a real
// message box says so; nothing is started from this process's token.
TEST_F(AboutWindowTest, ElevatedWithoutTheDesktopShellCopiesTheAddress) {
    RecordShellCalls(reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42)));
    ui::WebOpener opener = ui::WindowsWebOpener();
    opener.isElevated = [] {
        return true;
    };
    opener.shellExecute = [this](HWND, const wchar_t*, const wchar_t*, const wchar_t*,
                                 const wchar_t*, int) {
        calls_.push_back({});
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    };
    opener.shellExecuteUnelevated = [](std::wstring_view) {
        return E_NOINTERFACE;
    };
    about_->SetWebOpener(std::move(opener));
    Show();
    MessageBoxSeen seen;
    AnswerMessageBox(IDOK, &seen); // only a box titled "Kelvane"
    Click(Ctl(A::lblvandorlin));
    EXPECT_TRUE(seen.shown);
    EXPECT_NE(seen.text.find(L"copied to the clipboard"), std::wstring::npos) << seen.text;
    EXPECT_TRUE(seen.text.ends_with(info::author::kWebSite)) << seen.text;
    EXPECT_EQ(seen.icon, UINT{MB_ICONINFORMATION});
    EXPECT_TRUE(calls_.empty()) << "started from the elevated token";

    ASSERT_TRUE(::OpenClipboard(nullptr));
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    const auto* text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
    EXPECT_EQ(std::wstring(text ? text : L"<none>"), info::author::kWebSite);
    if (text) {
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
}

} // namespace
} // namespace kv::test
