// A change that Windows refuses for lack of rights, on the real window and the real
// registry under Wine: the key's access list lets everyone only read it, as Windows does
// for a standard user. Wine's token is always elevated, so whether the process has
// administrator rights, and the restart, go through a stand-in.

#include "tests/app/main_window_fixture.h"

#include "ui/units.h"

#include <commctrl.h>

namespace kv::test {
namespace {

using M = app::frm_Main;

struct ElevationLog {
    bool elevated = true;
    DWORD restartResult = ERROR_SUCCESS;
    int restarts = 0;
    HWND owner = nullptr;
};

class FakeElevation final : public app::Elevation {
public:
    explicit FakeElevation(std::shared_ptr<ElevationLog> log) : log_(std::move(log)) {}
    bool IsElevated() override { return log_->elevated; }
    DWORD RestartAsAdministrator(HWND owner) override {
        ++log_->restarts;
        log_->owner = owner;
        return log_->restartResult;
    }

private:
    std::shared_ptr<ElevationLog> log_;
};

class RightsTest : public MainWindowTest {
protected:
    M& StartWith(bool elevated) {
        log_->elevated = elevated;
        window_ = std::make_unique<M>(recorder_);
        window_->SetElevation(std::make_unique<FakeElevation>(log_));
        window_->SetAuditSink([this](const audit::Event& event) {
            events_.push_back(event);
            return 0L;
        });
        window_->Show();
        Pump(50);
        return *window_;
    }
    // The width of the picture a switch button draws above its caption.
    int PictureWidth(int button) const {
        BUTTON_IMAGELIST list{};
        ::SendMessageW(Ctl(button), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
        int w = 0, h = 0;
        return list.himl && ::ImageList_GetIconSize(list.himl, &w, &h) ? w : 0;
    }

    std::shared_ptr<ElevationLog> log_ = std::make_shared<ElevationLog>();
    std::vector<audit::Event> events_; // what the window wrote to the event log
};

struct Refusal {
    const char* name;
    HKEY root;
    const wchar_t* key;
    const wchar_t* valueName;
    DWORD before;
    int button;
    const wchar_t* protection;
    const wchar_t* captionAfter; // what the read-back shows
};

class RefusalTest : public RightsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, RefusedChangeIsExplainedOnceWithTheWayOut) {
    const Refusal& r = GetParam();
    WriteDword(r.root, r.key, r.valueName, r.before);
    ReadOnlyKey locked(r.root, r.key);
    ASSERT_TRUE(locked.locked());
    StartWith(false);

    MessageBoxSeen seen;
    AnswerMessageBox(IDNO, &seen);
    Click(Ctl(r.button));
    ASSERT_TRUE(AllShownActionsRan()) << "no message box";
    EXPECT_EQ(seen.title, L"Kelvane");
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_TRUE(seen.hasYesNo);
    EXPECT_EQ(seen.text, std::wstring(L"Windows refused the change: changing the ") + r.protection +
                             L" needs administrator rights.\r\n\r\n"
                             L"Do you want to restart Kelvane as administrator?");
    DWORD stored = 0;
    EXPECT_TRUE(ReadDword(r.root, r.key, r.valueName, stored));
    EXPECT_EQ(stored, r.before);
    EXPECT_EQ(TextOf(r.button), r.captionAfter) << "the read-back shows what is stored";
    EXPECT_EQ(log_->restarts, 0) << "No restarts nothing";
    EXPECT_FALSE(ProgramEnded());
    // Recorded as a refusal, a warning, with Windows' reason.
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].id, audit::EventId::ProtectionRefused);
    EXPECT_EQ(events_[0].level, audit::Level::Warning);
    EXPECT_EQ(events_[0].inserts.at(0), r.protection);
    EXPECT_EQ(events_[0].inserts.at(3), L"Kelvane window");
    EXPECT_TRUE(events_[0].inserts.at(4).starts_with(L"Refused by Windows: ") &&
                events_[0].inserts.at(4).ends_with(L" (error 5)"))
        << events_[0].inserts.at(4);
}

// Elevated (or SYSTEM), the key's permissions or a policy refused: a restart could only be
// refused again, so the window says which key and offers none.
TEST_P(RefusalTest, WithAdministratorRightsTheKeyIsNamedAndNoRestartOffered) {
    const Refusal& r = GetParam();
    WriteDword(r.root, r.key, r.valueName, r.before);
    ReadOnlyKey locked(r.root, r.key);
    ASSERT_TRUE(locked.locked());
    StartWith(true);

    MessageBoxSeen seen;
    AnswerMessageBox(IDOK, &seen);
    Click(Ctl(r.button));
    ASSERT_TRUE(AllShownActionsRan()) << "no message box";
    EXPECT_EQ(seen.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(seen.hasYesNo) << "a restart was offered";
    const std::wstring opening = std::wstring(L"Windows refused the change to the ") +
                                 r.protection + L", although Kelvane runs as administrator.";
    EXPECT_EQ(seen.text.rfind(opening, 0), 0u) << seen.text;
    EXPECT_NE(seen.text.find(std::wstring(L"HKEY_LOCAL_MACHINE\\")), std::wstring::npos)
        << seen.text;
    EXPECT_EQ(seen.text.find(L"needs administrator rights"), std::wstring::npos) << seen.text;
    DWORD stored = 0;
    EXPECT_TRUE(ReadDword(r.root, r.key, r.valueName, stored));
    EXPECT_EQ(stored, r.before);
    EXPECT_EQ(TextOf(r.button), r.captionAfter);
    EXPECT_EQ(log_->restarts, 0);
    EXPECT_FALSE(ProgramEnded());
}

INSTANTIATE_TEST_SUITE_P(
    Switches, RefusalTest,
    ::testing::Values(Refusal{"WriteProtect", HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect",
                              0, M::cmdApply, L"USB Device Write Protection", L"&Enable"},
                      Refusal{"Lock", HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 3, M::cmdLock,
                              L"USB Device Lock", L"&Lock"},
                      // Only the machine-wide half is refused: the per-user 255 is stored and
                      // shows autorun disabled, yet the machine still runs it.
                      Refusal{"Autorun", HKEY_LOCAL_MACHINE, kExplorerPolicies,
                              L"NoDriveTypeAutoRun", 0, M::cmdUSBAutorunControl,
                              L"USB Device Autorun", L"&Enable"}),
    [](const auto& p) { return std::string(p.param.name); });

struct Restart {
    const char* name;
    DWORD result;
    bool ends;      // this instance closes
    bool secondBox; // a failure to start is told
};

class RestartTest : public RightsTest, public ::testing::WithParamInterface<Restart> {};

TEST_P(RestartTest, YesRestartsAsAdministrator) {
    const Restart& r = GetParam();
    log_->restartResult = r.result;
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kWriteProtectKey);
    StartWith(false);
    HWND window = window_->hwnd();

    AnswerMessageBox(IDYES, nullptr);
    MessageBoxSeen failure;
    if (r.secondBox) {
        AnswerMessageBox(IDOK, &failure);
    }
    Click(Ctl(M::cmdApply));
    EXPECT_TRUE(AllShownActionsRan());
    EXPECT_EQ(log_->restarts, 1);
    EXPECT_EQ(log_->owner, window);
    EXPECT_EQ(ProgramEnded(), r.ends);
    EXPECT_EQ(window_->IsLoaded(), !r.ends);
    if (r.secondBox) {
        EXPECT_EQ(failure.text.rfind(L"Kelvane could not be started as administrator.", 0), 0u)
            << failure.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, RestartTest,
                         ::testing::Values(Restart{"Started", ERROR_SUCCESS, true, false},
                                           Restart{"Declined", ERROR_CANCELLED, false, false},
                                           Restart{"Failed", ERROR_FILE_NOT_FOUND, false, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(RightsTest, OtherFailuresAskNothing) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    StartWith(false);
    recorder_.FailEvery(RegCall::SetValueEx, 1013); // can't write key: not a refusal
    Click(Ctl(M::cmdApply));                        // a message box here would block the test
    EXPECT_EQ(ErrorLines(), 1);
    EXPECT_EQ(log_->restarts, 0);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].id, audit::EventId::ProtectionFailed);
    EXPECT_EQ(events_[0].level, audit::Level::Error);
    EXPECT_EQ(events_[0].inserts.at(1), L"Disabled");
    EXPECT_EQ(events_[0].inserts.at(2), L"Enabled");
}

TEST_F(RightsTest, SwitchesCarryTheShieldOnlyWithoutAdministratorRights) {
    for (bool elevated : {true, false}) {
        SCOPED_TRACE(elevated ? "elevated" : "not elevated");
        StartWith(elevated);
        const unsigned dpi = window_->dpi();
        const int plain = ui::ScalePixels(22, dpi); // the check mark alone
        const int shield = ::GetSystemMetricsForDpi(SM_CXSMICON, dpi);
        for (int button : {M::cmdApply, M::cmdLock, M::cmdUSBAutorunControl}) {
            const int width = PictureWidth(button);
            if (elevated) {
                EXPECT_EQ(width, plain);
            } else {
                EXPECT_GE(width, plain + 2 * shield); // the shield, and room to stay centred
            }
            EXPECT_FALSE(TextOf(button).empty());
        }
        EXPECT_EQ(PictureWidth(M::cmdAbout), 0) << "plain buttons have no picture";
        window_.reset();
    }
}

} // namespace
} // namespace kv::test
