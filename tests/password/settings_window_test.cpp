// The password settings dialog over a running main window: what it stores, what it says,
// and what the next start makes of it.

#include "password/frm_Settings.h"
#include "password/password_format.h"
#include "password/secret_text.h"
#include "tests/password/password_window_fixture.h"

#include <functional>

namespace kv::test {
namespace {

using M = app::frm_Main;
using S = password::frm_Settings;

class SettingsWindowTest : public PasswordWindowTest {
protected:
    void SetUp() override {
        PasswordWindowTest::SetUp();
        Start(); // no password yet: no login
        ASSERT_TRUE(MainShown());
    }

    // Shows a settings dialog over the main window and runs `use` inside it.
    void OpenSettings(std::function<void(HWND dialog)> use, password::SettingsLocation where = {}) {
        WhenShown(L"Settings", std::move(use));
        password::frm_Settings settings(std::move(where), kFastIterations);
        settings.SetAuditSink(RecordingSink());
        settings.ShowModal();
        EXPECT_FALSE(settings.IsLoaded());
        EXPECT_TRUE(AllShownActionsRan()) << "the dialog or a message box never showed";
    }

    // Types `text`, clicks "Cha&nge" and answers the message that follows with OK.
    static MessageBoxSeen Change(HWND dialog, const std::wstring& text) {
        TypeInto(::GetDlgItem(dialog, S::txtPassword), text);
        MessageBoxSeen seen;
        AnswerMessageBox(IDOK, &seen);
        Click(::GetDlgItem(dialog, S::cmdChange));
        return seen;
    }
};

void ExpectInformation(const MessageBoxSeen& seen, const std::wstring& text) {
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, L"Kelvane");
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.icon, UINT{MB_ICONINFORMATION});
    EXPECT_FALSE(seen.hasYesNo);
}

// What the store holds is the hashed form of the text, never the text.
void ExpectStoredHashed(const std::wstring& text) {
    const password::StoredPasswordRead stored = StoredValue();
    ASSERT_EQ(stored.status, password::StoreReadStatus::Value);
    EXPECT_EQ(password::ClassifyStoredPassword(stored.text), password::StoredKind::Hashed)
        << "stored as text";
    EXPECT_EQ(stored.text.find(text), std::wstring::npos);
    EXPECT_TRUE(password::VerifyPassword(stored.text, text));
}

TEST_F(SettingsWindowTest, PasswordButtonOpensAFreshDialogAndANewPasswordGuardsTheNextStart) {
    // The real button, the real location and the default iteration count.
    WhenShown(L"Settings", [this](HWND dialog) {
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), window_->hwnd());
        EXPECT_FALSE(::IsWindowEnabled(window_->hwnd())) << "modal over the main window";
        HWND box = ::GetDlgItem(dialog, S::txtPassword);
        EXPECT_EQ(::GetFocus(), box);
        EXPECT_EQ(WindowText(box), L"");
        const MessageBoxSeen seen = Change(dialog, L"N3w pass");
        ExpectInformation(seen, L"Password has been changed.");
        // Shown after the write, while the dialog was still open.
        EXPECT_FALSE(::IsWindow(dialog));
    });
    Click(window_->Control(M::cmdPassword));
    EXPECT_TRUE(AllShownActionsRan());
    EXPECT_TRUE(::IsWindowEnabled(window_->hwnd()));
    ExpectStoredHashed(L"N3w pass");
    EXPECT_NE(StoredValue().text.find(L"pbkdf2-sha256$600000$"), std::wstring::npos);

    // Reopened: a new dialog with an empty box; Cancel there keeps the password.
    const std::wstring stored = StoredValue().text;
    WhenShown(L"Settings", [](HWND dialog) {
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, S::txtPassword)), L"");
        Click(::GetDlgItem(dialog, S::cmdCancel));
    });
    Click(window_->Control(M::cmdPassword));
    EXPECT_TRUE(AllShownActionsRan());
    EXPECT_EQ(StoredValue().text, stored);

    ExpectNextStartAccepts(L"N3w pass", {L"n3w pass", L"N3w pass "});
}

TEST_F(SettingsWindowTest, SettingChangingAndRemovingThePasswordAreEachRecorded) {
    using audit::EventId;
    const auto change = [this](const std::wstring& text) {
        WhenShown(L"Settings", [text](HWND dialog) {
            if (!text.empty()) {
                Change(dialog, text);
                return;
            }
            AnswerMessageBox(IDYES, nullptr);
            AnswerMessageBox(IDOK, nullptr);
            Click(::GetDlgItem(dialog, S::cmdChange));
        });
        Click(window_->Control(M::cmdPassword)); // the sink comes from the main window
        EXPECT_TRUE(AllShownActionsRan());
    };
    change(L"first");
    change(L"second");
    change(L"");
    EXPECT_EQ(EventIds(), (std::vector<EventId>{EventId::PasswordSet, EventId::PasswordChanged,
                                                EventId::PasswordRemoved}));
    for (const audit::Event& event : events_) {
        EXPECT_EQ(event.inserts.at(1), L"Kelvane window");
        for (const std::wstring& insert : event.inserts) {
            EXPECT_EQ(insert.find(L"first"), std::wstring::npos) << "a password in the record";
            EXPECT_EQ(insert.find(L"second"), std::wstring::npos) << "a password in the record";
        }
    }
}

TEST_F(SettingsWindowTest, ThreeBlanksAreAPassword) {
    OpenSettings([](HWND dialog) {
        ExpectInformation(Change(dialog, L"   "), L"Password has been changed.");
    });
    ExpectStoredHashed(L"   ");
    ExpectNextStartAccepts(L"   ", {L"", L" ", L"  ", L"    "});
}

TEST_F(SettingsWindowTest, TextOutsideTheAnsiCodePageIsKeptExactly) {
    // Cyrillic, Greek, CJK and a character beyond the BMP (typed as a surrogate pair).
    const std::wstring password =
        L"\u041f\u0430\u0440\u043e\u043b\u044c \u03a9 \u5bc6\u7801 \xD83D\xDD11";
    OpenSettings([&](HWND dialog) {
        ExpectInformation(Change(dialog, password), L"Password has been changed.");
    });
    ExpectStoredHashed(password);
    // Latin look-alikes, and what an ANSI round trip would have made of it.
    const std::wstring lookAlike = L"\u041fap\u043e\u043b\u044c \u03a9 \u5bc6\u7801 \xD83D\xDD11";
    const std::wstring collapsed = L"?????? ? ?? ??";
    ExpectNextStartAccepts(password, {lookAlike, collapsed, L"?????? ? ?? ?"});
}

TEST_F(SettingsWindowTest, APasswordOverTheLimitIsRefusedWithAMessage) {
    const std::wstring longest(password::kMaxPasswordLength, L'k');
    OpenSettings([&longest](HWND dialog) {
        TypeInto(::GetDlgItem(dialog, S::txtPassword), longest + L"k");
        MessageBoxSeen seen;
        AnswerMessageBox(IDOK, &seen);
        Click(::GetDlgItem(dialog, S::cmdChange));
        EXPECT_EQ(seen.text, L"A password can have at most 1024 characters.");
        EXPECT_EQ(seen.icon, UINT{MB_ICONEXCLAMATION});
        ASSERT_TRUE(::IsWindow(dialog));
        EXPECT_EQ(StoredValue().text, L"") << "nothing written";
        ExpectInformation(Change(dialog, longest), L"Password has been changed.");
    });
    ExpectStoredHashed(longest);
}

TEST_F(SettingsWindowTest, EmptyBoxAnsweredNoKeepsTheDialogAndThePassword) {
    const std::wstring before = Hashed(L"keep me");
    Store(before);
    OpenSettings([&before](HWND dialog) {
        MessageBoxSeen seen;
        AnswerMessageBox(IDNO, &seen);
        Click(::GetDlgItem(dialog, S::cmdChange));
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, L"Kelvane");
        EXPECT_EQ(seen.text, L"No password entered.\r\nDo you want to disable password?");
        EXPECT_EQ(seen.icon, UINT{MB_ICONQUESTION});
        EXPECT_TRUE(seen.hasYesNo);
        EXPECT_EQ(seen.defaultButton, IDYES);
        // No further message; the dialog is still there with its empty box.
        ASSERT_TRUE(::IsWindow(dialog));
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, S::txtPassword)), L"");
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, S::cmdChange)) << "focus back where it was";
        EXPECT_EQ(StoredValue().text, before) << "nothing written";
        Click(::GetDlgItem(dialog, S::cmdCancel));
    });
    EXPECT_EQ(StoredValue().text, before);
}

TEST_F(SettingsWindowTest, EmptyBoxAnsweredYesDisablesThePassword) {
    Store(Hashed(L"old one"));
    OpenSettings([](HWND dialog) {
        MessageBoxSeen question;
        AnswerMessageBox(IDYES, &question);
        MessageBoxSeen told;
        AnswerMessageBox(IDOK, &told);
        Click(::GetDlgItem(dialog, S::cmdChange));
        EXPECT_TRUE(question.hasYesNo);
        ExpectInformation(told, L"Password has been disabled.");
        EXPECT_FALSE(::IsWindow(dialog));
    });
    const password::StoredPasswordRead stored = StoredValue();
    EXPECT_EQ(stored.status, password::StoreReadStatus::Value)
        << "the value is emptied, not deleted";
    EXPECT_EQ(stored.text, L"");

    Close();
    const ShownWindows shown;
    Start();
    EXPECT_FALSE(shown.Saw(L"Login"));
    EXPECT_TRUE(MainShown());
}

class LeaveSettingsTest : public SettingsWindowTest, public ::testing::WithParamInterface<Leave> {};

TEST_P(LeaveSettingsTest, LeavingAfterTypingChangesNothing) {
    const std::wstring before = Hashed(L"unchanged");
    Store(before);
    const ShownWindows shown;
    const MaskedSecret typed;
    OpenSettings([&typed](HWND dialog) {
        std::wstring text = typed.Reveal();
        TypeInto(::GetDlgItem(dialog, S::txtPassword), text);
        password::WipeText(text);
        LeaveDialog(dialog, S::cmdCancel, GetParam());
    });
    EXPECT_FALSE(typed.InMemory()) << "the entry box left the typed text in memory";
    EXPECT_EQ(StoredValue().text, before);
    EXPECT_FALSE(shown.Saw(L"Kelvane")) << "nothing is said";
    EXPECT_TRUE(MainShown());
    EXPECT_FALSE(ProgramEnded());
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveSettingsTest,
                         ::testing::Values(Leave::CancelButton, Leave::EscKey, Leave::CloseBox),
                         LeaveName);

TEST_F(SettingsWindowTest, AChangeLeavesNoCopyOfTheTypedPassword) {
    const MaskedSecret secret;
    OpenSettings([&secret](HWND dialog) {
        std::wstring text = secret.Reveal();
        TypeInto(::GetDlgItem(dialog, S::txtPassword), text);
        password::WipeText(text);
        MessageBoxSeen seen;
        AnswerMessageBox(IDOK, &seen);
        Click(::GetDlgItem(dialog, S::cmdChange));
        ExpectInformation(seen, L"Password has been changed.");
    });
    EXPECT_FALSE(secret.InMemory());
}

TEST_F(SettingsWindowTest, EnterPressesChange) {
    OpenSettings([](HWND dialog) {
        TypeInto(::GetDlgItem(dialog, S::txtPassword), L"by enter");
        MessageBoxSeen seen;
        AnswerMessageBox(IDOK, &seen);
        PressKey(VK_RETURN);
        ExpectInformation(seen, L"Password has been changed.");
    });
    ExpectStoredHashed(L"by enter");
}

// A store that cannot be written: the key path runs through a volatile key, which cannot
// hold the store's lasting sub-keys.
class UnwritableStoreTest : public SettingsWindowTest {
protected:
    static constexpr wchar_t kScratch[] = L"Software\\kelvane-tests\\password-window";

    void SetUp() override {
        SettingsWindowTest::SetUp();
        DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &parent_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(parent_);
        DeleteKeyTree(HKEY_CURRENT_USER, kScratch);
        SettingsWindowTest::TearDown();
    }
    password::SettingsLocation Where() const { return {parent_, L"kelvane\\settings", L"p"}; }

    HKEY parent_ = nullptr;
};

void ExpectSaveFailure(const MessageBoxSeen& seen) {
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, L"Kelvane");
    EXPECT_TRUE(seen.text.starts_with(L"The password could not be saved.")) << seen.text;
    EXPECT_EQ(seen.icon, UINT{MB_ICONEXCLAMATION});
    EXPECT_FALSE(seen.hasYesNo);
}

TEST_F(UnwritableStoreTest, AFailedWriteIsToldAndNothingIsClaimed) {
    // Each message box is answered by what the test expects; a "changed" or "disabled"
    // box in between would be taken for the failure box and fail the text check.
    OpenSettings(
        [](HWND dialog) {
            HWND box = ::GetDlgItem(dialog, S::txtPassword);
            ExpectSaveFailure(Change(dialog, L"lost"));
            ASSERT_TRUE(::IsWindow(dialog)) << "the dialog stays open";
            EXPECT_EQ(WindowText(box), L"lost") << "kept for another try";

            // Disabling fails the same way.
            TypeInto(box, L"");
            MessageBoxSeen question;
            AnswerMessageBox(IDYES, &question);
            MessageBoxSeen failed;
            AnswerMessageBox(IDOK, &failed);
            Click(::GetDlgItem(dialog, S::cmdChange));
            EXPECT_TRUE(question.hasYesNo);
            ExpectSaveFailure(failed);
            ASSERT_TRUE(::IsWindow(dialog));
            Click(::GetDlgItem(dialog, S::cmdCancel));
        },
        Where());
    EXPECT_EQ(password::ReadStoredPassword(Where()).status, password::StoreReadStatus::Missing);
    EXPECT_EQ(StoredValue().status, password::StoreReadStatus::Missing)
        << "the real store is untouched";
    // Each failed save is an error event with Windows' reason; nothing claims a change.
    EXPECT_EQ(EventIds(), (std::vector<audit::EventId>{audit::EventId::PasswordChangeFailed,
                                                       audit::EventId::PasswordChangeFailed}));
    for (const audit::Event& event : events_) {
        EXPECT_EQ(event.level, audit::Level::Error);
        EXPECT_TRUE(event.inserts.at(2).starts_with(L"Failed: ")) << event.inserts.at(2);
    }
}

} // namespace
} // namespace kv::test
