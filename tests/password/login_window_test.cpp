// The start-up gate and the login dialog, through the real main window.

#include "password/frm_Login.h"
#include "password/password_format.h"
#include "password/pbkdf2_win.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"
#include "tests/password/password_window_fixture.h"

#include <sddl.h>

namespace kv::test {
namespace {

using M = app::frm_Main;
using L = password::frm_Login;

constexpr wchar_t kWriteProtectKey[] = L"SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";

TEST_F(PasswordWindowTest, NoStoredPasswordOrAnEmptyOneShowsNoLogin) {
    for (const bool emptyValue : {false, true}) {
        SCOPED_TRACE(emptyValue ? "empty value" : "no value");
        if (emptyValue) {
            Store(L"");
        }
        const ShownWindows shown;
        Start();
        EXPECT_FALSE(shown.Saw(L"Login"));
        EXPECT_TRUE(MainShown());
        EXPECT_FALSE(recorder_.Calls().empty()) << "the protection states were read";
        Close();
    }
}

TEST_F(PasswordWindowTest, OneBlankIsAPasswordAndTheMainWindowWaitsBehindTheLogin) {
    Store(L" ");
    const ShownWindows shown;
    WhenShown(L"Login", [this](HWND dialog) {
        // The main window exists but is not displayed; its scratch box says only that a
        // password is set, and so does the dialog's.
        EXPECT_FALSE(IsShown(window_->hwnd()));
        EXPECT_EQ(WindowText(window_->Control(M::txtRegValue)), password::kMarkerPasswordSet);
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, L::txtgetpwd)), password::kMarkerPasswordSet);
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), window_->hwnd());
        HWND box = ::GetDlgItem(dialog, L::txtPassword);
        TypeInto(box, L" ");
        Click(::GetDlgItem(dialog, L::cmdLogin));
    });
    Start();
    EXPECT_TRUE(shown.Saw(L"Login"));
    EXPECT_TRUE(MainShown());
    // The protection reads ran after the gate and overwrote the scratch box.
    EXPECT_NE(WindowText(window_->Control(M::txtRegValue)), password::kMarkerPasswordSet);
}

// A password kept as text by an earlier version, and the hashed form of today.
class StoredFormTest : public PasswordWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    void StorePassword(const std::wstring& text) { Store(GetParam() ? Hashed(text) : text); }
};

TEST_P(StoredFormTest, NearMissesAreRefusedUntilTheRightEntry) {
    StorePassword(L"Open Sesame");
    const std::wstring before = StoredValue().text;
    LoginWith({L"wrong", L"open sesame", L"OPEN SESAME", L"Open Sesame ", L" Open Sesame",
               L"Open  Sesame", L"", L"Open Sesam"},
              L"Open Sesame");
    const ShownWindows shown;
    Start();
    EXPECT_TRUE(shown.Saw(L"Login"));
    EXPECT_TRUE(MainShown());
    EXPECT_FALSE(ProgramEnded());
    EXPECT_FALSE(recorder_.Calls().empty()) << "the protection states were read";
    // A password kept as text is stored hashed after the login; a hashed one stays as it was.
    const password::StoredPasswordRead after = StoredValue();
    EXPECT_EQ(after.status, password::StoreReadStatus::Value);
    EXPECT_EQ(password::ClassifyStoredPassword(after.text), password::StoredKind::Hashed);
    EXPECT_TRUE(password::VerifyPassword(after.text, L"Open Sesame"));
    EXPECT_FALSE(password::VerifyPassword(after.text, L"open sesame"));
    if (GetParam()) {
        EXPECT_EQ(after.text, before);
    }
}

TEST_F(PasswordWindowTest, EachWrongPasswordIsRecordedAndTheRightOneIsNot) {
    Store(Hashed(L"right"));
    LoginWith({L"wrong", L"Right", L""}, L"right");
    Start();
    ASSERT_TRUE(MainShown());
    EXPECT_EQ(EventIds(), std::vector<audit::EventId>(3, audit::EventId::PasswordCheckFailed));
    for (const audit::Event& event : events_) {
        EXPECT_EQ(event.level, audit::Level::Warning);
        EXPECT_EQ(event.inserts, std::vector<std::wstring>{L"Kelvane window"});
    }
}

TEST_P(StoredFormTest, EnterPressesLogin) {
    StorePassword(L"k3y");
    WhenShown(L"Login", [](HWND dialog) {
        HWND box = ::GetDlgItem(dialog, L::txtPassword);
        TypeInto(box, L"K3Y");
        MessageBoxSeen seen;
        AnswerMessageBox(IDOK, &seen);
        PressKey(VK_RETURN);
        EXPECT_EQ(seen.text, L"Invalid password.");
        EXPECT_EQ(WindowText(box), L"");
        EXPECT_EQ(::GetFocus(), box);

        TypeInto(box, L"k3y");
        PressKey(VK_RETURN);
    });
    Start();
    EXPECT_TRUE(MainShown());
}

std::string FormName(const ::testing::TestParamInfo<bool>& param) {
    return param.param ? "Hashed" : "Legacy";
}

INSTANTIATE_TEST_SUITE_P(Forms, StoredFormTest, ::testing::Values(false, true), FormName);

TEST_F(PasswordWindowTest, HashedAtTheDefaultCountIsAccepted) {
    const std::optional<std::wstring> hashed = password::HashNewPassword(L"slow but sure");
    ASSERT_TRUE(hashed);
    Store(*hashed);
    LoginWith({L"slow but sure!"}, L"slow but sure");
    Start();
    EXPECT_TRUE(MainShown());
}

// Every way out of the login dialog but the right password ends the program before the
// main window is shown and before any protection value is read.
class LeaveLoginTest : public PasswordWindowTest, public ::testing::WithParamInterface<Leave> {};

TEST_P(LeaveLoginTest, EndsTheProgramUnseenAndReadsNoProtection) {
    Store(L"letmein");
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kWriteProtectKey);
    const ShownWindows shown;
    const MaskedSecret typed;
    WhenShown(L"Login", [&typed](HWND dialog) {
        std::wstring text = typed.Reveal();
        TypeInto(::GetDlgItem(dialog, L::txtPassword), text); // typed, then abandoned
        password::WipeText(text);
        LeaveDialog(dialog, L::cmdCancel, GetParam());
    });
    Start();
    EXPECT_TRUE(shown.Saw(L"Login"));
    EXPECT_FALSE(shown.Saw(kMainTitle));
    EXPECT_FALSE(window_->IsLoaded());
    EXPECT_TRUE(ProgramEnded());
    EXPECT_TRUE(recorder_.Calls().empty()) << recorder_.CallTexts().front();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWriteProtectKey));
    EXPECT_FALSE(typed.InMemory()) << "the entry box left the typed text in memory";
}

// A password kept as text whose rewrite is refused (the store's key is read-only): the
// user is let in all the same, and the store keeps what it had.
TEST_F(PasswordWindowTest, ARefusedRewriteStillLetsTheUserIn) {
    Store(L"plain old");
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\kelvane\\settings", 0,
                              READ_CONTROL | WRITE_DAC, &key),
              ERROR_SUCCESS);
    const auto setAccess = [key](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                           &sd, nullptr));
        EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        ::LocalFree(sd);
    };
    setAccess(L"D:P(A;;KR;;;WD)");
    LoginWith({}, L"plain old");
    Start();
    EXPECT_TRUE(MainShown());
    EXPECT_EQ(StoredValue().text, L"plain old");
    setAccess(L"D:P(A;;KA;;;WD)"); // so that TearDown can delete it
    ::RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveLoginTest,
                         ::testing::Values(Leave::CancelButton, Leave::EscKey, Leave::CloseBox),
                         LeaveName);

TEST_F(PasswordWindowTest, UnreadableStoreLetsNoEntryIn) {
    // A value of the wrong type: the store exists but holds no readable password.
    const DWORD number = 0;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\kelvane\\settings", L"p", REG_DWORD,
                                &number, sizeof number),
              ERROR_SUCCESS);
    const ShownWindows shown;
    WhenShown(L"Login", [this](HWND dialog) {
        EXPECT_EQ(WindowText(window_->Control(M::txtRegValue)), password::kMarkerUnreadable);
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, L::txtgetpwd)), password::kMarkerUnreadable);
        HWND box = ::GetDlgItem(dialog, L::txtPassword);
        for (const wchar_t* entry : {L"", L"0", L" ", L"Text1", L"(unreadable)"}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(entry)));
            TypeInto(box, entry);
            MessageBoxSeen seen;
            AnswerMessageBox(IDOK, &seen);
            Click(::GetDlgItem(dialog, L::cmdLogin));
            EXPECT_EQ(seen.text, L"The stored password cannot be read.");
            EXPECT_EQ(seen.icon, UINT{MB_ICONEXCLAMATION});
            EXPECT_EQ(WindowText(box), L"");
        }
        Click(::GetDlgItem(dialog, L::cmdCancel));
    });
    Start();
    EXPECT_FALSE(shown.Saw(kMainTitle));
    EXPECT_TRUE(ProgramEnded());
    EXPECT_TRUE(recorder_.Calls().empty());
}

TEST_F(PasswordWindowTest, DamagedHashedFormLetsNeitherThePasswordNorItsTextIn) {
    std::wstring damaged = password::HashNewPassword(L"pw", 1000).value();
    damaged.replace(damaged.find(L"$1000$"), 6, L"$10000001$"); // above the cap
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\kelvane\\settings", L"p", REG_SZ,
                                damaged.c_str(),
                                static_cast<DWORD>((damaged.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    WhenShown(L"Login", [&](HWND dialog) {
        for (const std::wstring& entry : {std::wstring(L"pw"), damaged}) {
            TypeInto(::GetDlgItem(dialog, L::txtPassword), entry.c_str());
            MessageBoxSeen seen;
            AnswerMessageBox(IDOK, &seen);
            Click(::GetDlgItem(dialog, L::cmdLogin));
            EXPECT_EQ(seen.text, L"The stored password cannot be read.");
        }
        Click(::GetDlgItem(dialog, L::cmdCancel));
    });
    Start();
    EXPECT_EQ(StoredValue().status, password::StoreReadStatus::Failed);
}

} // namespace
} // namespace kv::test
