// What a screen reader finds in every window of the program, asked through oleacc as a
// screen reader asks: each picture has a name that says what it shows, each picture
// button is named by its caption, and Tab visits the focusable controls in design order.

#include "info/frm_About.h"
#include "info/frm_Help.h"
#include "password/frm_Login.h"
#include "password/frm_Settings.h"
#include "tests/app/main_window_fixture.h"

#include <oleacc.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace kv::test {
namespace {

using M = app::frm_Main;

// The accessible name of a control's client object, "" when it has none.
std::wstring AccessibleName(HWND control) {
    // Not IID_IAccessible: mingw-w64's oleacc import library resolves that name to an
    // import thunk, not to the GUID.
    IAccessible* acc = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                            __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&acc))) ||
        !acc) {
        return L"<no accessible object>";
    }
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring result;
    if (acc->get_accName(self, &name) == S_OK && name) {
        result.assign(name, ::SysStringLen(name));
    }
    ::SysFreeString(name);
    acc->Release();
    return result;
}

std::wstring WithoutAccessKey(std::wstring caption) {
    const size_t amp = caption.find(L'&');
    if (amp != std::wstring::npos) {
        caption.erase(amp, 1);
    }
    return caption;
}

// "Image3" says nothing about the picture.
bool LooksLikeAnIdentifier(const std::wstring& name) {
    return name.starts_with(L"Image") && name.size() > 5 && std::iswdigit(name[5]);
}

// Every picture and picture button of a loaded form; returns how many there are.
int ExpectPicturesNamed(const ui::Form& form) {
    int pictures = 0;
    for (const ui::ControlDesign& d : form.design().controls) {
        HWND control = form.Control(d.id);
        if (d.kind == ui::Kind::Image) {
            ++pictures;
            const std::wstring name = AccessibleName(control);
            EXPECT_EQ(name, d.name) << "picture " << d.id;
            EXPECT_FALSE(name.empty() || LooksLikeAnIdentifier(name)) << "picture " << d.id;
        } else if (d.kind == ui::Kind::PictureButton) {
            ++pictures;
            EXPECT_EQ(AccessibleName(control), WithoutAccessKey(WindowText(control)))
                << "picture button " << d.id;
            EXPECT_FALSE(AccessibleName(control).empty()) << "picture button " << d.id;
        }
    }
    return pictures;
}

// Tab from the first stop goes through the focusable controls in design order and back.
// A window without any (Help) keeps the focus on itself.
void ExpectTabOrder(const ui::Form& form) {
    std::vector<const ui::ControlDesign*> stops;
    for (const ui::ControlDesign& d : form.design().controls) {
        if (d.tabIndex >= 0 && IsShown(form.Control(d.id))) {
            stops.push_back(&d);
        }
    }
    std::sort(stops.begin(), stops.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    if (stops.empty()) {
        EXPECT_EQ(::GetFocus(), form.hwnd());
        return;
    }
    ASSERT_EQ(::GetFocus(), form.Control(stops.front()->id)) << "focus at opening";
    for (size_t i = 1; i <= stops.size(); ++i) {
        PressKey(VK_TAB);
        EXPECT_EQ(::GetFocus(), form.Control(stops[i % stops.size()]->id)) << "tab stop " << i;
    }
}

// Returns the number of pictures checked.
int CheckDialog(HWND dialog) {
    const ui::Form* form = ui::Form::FromHwnd(dialog);
    if (!form) {
        ADD_FAILURE() << "not one of the program's windows";
        return -1;
    }
    ExpectTabOrder(*form);
    return ExpectPicturesNamed(*form);
}

TEST_F(MainWindowTest, MainWindowPicturesHaveNames) {
    Start();
    // Five section pictures, nine status pictures (three states each), three picture buttons.
    EXPECT_EQ(ExpectPicturesNamed(*window_), 17);
    // Both pictures of each status spot are named, the hidden one too.
    EXPECT_EQ(AccessibleName(Ctl(M::imgEnabled)), L"Write protection enabled");
    EXPECT_EQ(AccessibleName(Ctl(M::imgDisabled)), L"Write protection disabled");
    EXPECT_EQ(AccessibleName(Ctl(M::imgWriteProtectUnknown)), L"Write protection unknown");
    EXPECT_EQ(AccessibleName(Ctl(M::cmdApply)), L"Enable");
}

TEST_F(MainWindowTest, DialogsNameTheirPicturesAndTabInDesignOrder) {
    Start();
    const struct {
        const wchar_t* title;
        int button;
        int pictures;
    } dialogs[] = {{L"About...", M::cmdAbout, 0}, // no picture beside its banner
                   {L"Help", M::cmdHelp, 5},
                   {L"Settings", M::cmdPassword, 1}};
    for (const auto& d : dialogs) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(d.title)));
        int pictures = -1;
        WhenShown(d.title, [&](HWND dialog) {
            pictures = CheckDialog(dialog);
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        Click(Ctl(d.button));
        EXPECT_EQ(pictures, d.pictures);
    }
}

TEST_F(MainWindowTest, LoginNamesItsPictureAndTabsInDesignOrder) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\kelvane\\settings", L"p", REG_SZ, L"x",
                      2 * sizeof(wchar_t));
    int pictures = -1;
    WhenShown(L"Login", [&](HWND dialog) {
        pictures = CheckDialog(dialog);
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    window_ = std::make_unique<app::frm_Main>(recorder_);
    window_->Show();
    EXPECT_EQ(pictures, 1);
    EXPECT_TRUE(ProgramEnded());
}

} // namespace
} // namespace kv::test
