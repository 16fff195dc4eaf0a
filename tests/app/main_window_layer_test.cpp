// Windows' own removable-storage policy offered from the red notice line of the real window,
// over the real registry under Wine, with a real writable drive plugged that write
// protection does not reach.

#include "tests/app/main_window_fixture.h"
#include "tests/drives/wine_drive.h"

#include <string>
#include <utility>
#include <vector>

namespace kv::test {
namespace {

using M = app::frm_Main;

constexpr wchar_t kPolicy[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
constexpr wchar_t kRecords[] = L"SOFTWARE\\Kelvane\\WindowsPolicy";
const std::vector<std::wstring> kClasses{L"{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}",
                                         L"{6AC27878-A6FA-4155-BA85-F98F491D4F33}",
                                         L"{F33FDC04-D1AC-4E8E-9A30-19BBD4B108AE}"};

std::wstring ClassKey(const std::wstring& deviceClass) {
    return std::wstring(kPolicy) + L"\\" + deviceClass;
}

std::optional<DWORD> DenyWrite(const std::wstring& deviceClass) {
    DWORD value = 0;
    if (!ReadDword(HKEY_LOCAL_MACHINE, ClassKey(deviceClass).c_str(), L"Deny_Write", value)) {
        return std::nullopt;
    }
    return value;
}

bool RecordedForWriteProtection(const std::wstring& deviceClass) {
    const std::wstring name = L"WriteProtect " + deviceClass + L" Deny_Write";
    ULONGLONG at = 0;
    DWORD size = sizeof at;
    return ::RegGetValueW(HKEY_LOCAL_MACHINE, kRecords, name.c_str(), RRF_RT_REG_QWORD, nullptr,
                          &at, &size) == ERROR_SUCCESS &&
           at > 0;
}

// A standard user's Kelvane: a refusal offers the restart as administrator.
class NotElevated final : public app::Elevation {
public:
    bool IsElevated() override { return false; }
    DWORD RestartAsAdministrator(HWND) override { return ERROR_CANCELLED; }
};

class LayerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!RunningUnderWine()) {
            GTEST_SKIP() << "drive letters are plugged through Wine's mount manager";
        }
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kPolicy);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kelvane");
        RemoveDrive(L'R');
    }
    void TearDown() override {
        if (!folder_.empty()) {
            UnplugFolder(L'R', folder_);
        }
        RemoveDrive(L'R');
        MainWindowTest::TearDown();
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kPolicy);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kelvane");
    }
    // Write protection on, a writable drive plugged: the notice line is red.
    void StartWarned(bool elevated = true) {
        WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
        ASSERT_EQ(PlugFolder(L'R', L"OPEN", folder_), 0u);
        window_ = std::make_unique<M>(recorder_);
        if (!elevated) {
            window_->SetElevation(std::make_unique<NotElevated>());
        }
        window_->SetApplyPolicyNow([this] {
            ++applied_;
            return true;
        });
        window_->Show();
        ASSERT_TRUE(PumpUntil([&] { return ColorOf(M::Label9) == kRed; }, 2000))
            << testing::PrintToString(TextOf(M::Label9));
    }
    // Write protection off with its button: what Kelvane added goes with it.
    void SwitchWriteProtectionOff() {
        ASSERT_EQ(TextOf(M::cmdApply), L"&Disable");
        Click(Ctl(M::cmdApply));
        Pump(50);
        ASSERT_EQ(TextOf(M::cmdApply), L"&Enable");
    }

    std::wstring folder_;
    int applied_ = 0;
};

TEST_F(LayerTest, YesAddsWindowsPolicyAndSwitchingOffTakesItAway) {
    StartWarned();
    MessageBoxSeen question, done;
    AnswerMessageBox(IDYES, &question);
    AnswerMessageBox(IDOK, &done);
    Click(Ctl(M::Label9));
    ASSERT_TRUE(AllShownActionsRan());
    EXPECT_EQ(question.title, L"Kelvane");
    EXPECT_TRUE(question.hasYesNo);
    EXPECT_EQ(question.icon, static_cast<UINT>(MB_ICONQUESTION));
    for (const wchar_t* said :
         {L"phones and cameras", L"whatever their driver", L"re-attached or Windows restarts",
          L"Group Policy", L"Windows Home"}) {
        EXPECT_NE(question.text.find(said), std::wstring::npos) << said;
    }
    EXPECT_EQ(done.icon, static_cast<UINT>(MB_ICONINFORMATION));
    for (const std::wstring& deviceClass : kClasses) {
        EXPECT_EQ(DenyWrite(deviceClass), 1u) << deviceClass;
        EXPECT_TRUE(RecordedForWriteProtection(deviceClass)) << deviceClass;
    }
    EXPECT_EQ(applied_, 1) << "Windows is asked to apply its policy once";
    EXPECT_EQ(ErrorLines(), 0);

    SwitchWriteProtectionOff();
    for (const std::wstring& deviceClass : kClasses) {
        EXPECT_FALSE(DenyWrite(deviceClass)) << deviceClass;
        EXPECT_FALSE(RecordedForWriteProtection(deviceClass)) << deviceClass;
    }
    EXPECT_EQ(applied_, 2);
}

TEST_F(LayerTest, AValueSetBeforehandStaysWhenTheProtectionGoesOff) {
    WriteDword(HKEY_LOCAL_MACHINE, ClassKey(kClasses[0]).c_str(), L"Deny_Write", 1);
    StartWarned();
    AnswerMessageBox(IDYES, nullptr);
    AnswerMessageBox(IDOK, nullptr);
    Click(Ctl(M::Label9));
    ASSERT_TRUE(AllShownActionsRan());
    EXPECT_FALSE(RecordedForWriteProtection(kClasses[0])) << "not Kelvane's";
    EXPECT_TRUE(RecordedForWriteProtection(kClasses[1]));

    SwitchWriteProtectionOff();
    EXPECT_EQ(DenyWrite(kClasses[0]), 1u);
    EXPECT_FALSE(DenyWrite(kClasses[1]));
    EXPECT_FALSE(DenyWrite(kClasses[2]));
}

TEST_F(LayerTest, ReachedByKeyboardAndNoChangesNothing) {
    StartWarned();
    EXPECT_TRUE(::GetWindowLongPtrW(Ctl(M::Label9), GWL_STYLE) & WS_TABSTOP)
        << "the warning is a tab stop";
    ::SetFocus(Ctl(M::Label9));
    MessageBoxSeen question;
    AnswerMessageBox(IDNO, &question);
    PressKey(VK_RETURN);
    ASSERT_TRUE(AllShownActionsRan()) << "Enter on the warning asks";
    EXPECT_TRUE(question.hasYesNo);
    for (const std::wstring& deviceClass : kClasses) {
        EXPECT_FALSE(DenyWrite(deviceClass));
    }
    EXPECT_FALSE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRecords, 0, KEY_READ, nullptr) ==
                 ERROR_SUCCESS);
    EXPECT_EQ(applied_, 0);
}

TEST_F(LayerTest, ARefusedWriteIsExplainedWithTheRestartOfferAndRecordsNothing) {
    WriteDword(HKEY_LOCAL_MACHINE, ClassKey(kClasses[0]).c_str(), L"Other", 0);
    ReadOnlyKey locked(HKEY_LOCAL_MACHINE, ClassKey(kClasses[0]).c_str());
    ASSERT_TRUE(locked.locked());
    StartWarned(false);
    MessageBoxSeen offer;
    AnswerMessageBox(IDYES, nullptr);
    AnswerMessageBox(IDNO, &offer);
    Click(Ctl(M::Label9));
    ASSERT_TRUE(AllShownActionsRan());
    EXPECT_EQ(offer.text, L"Windows refused the change: changing the USB Device Write Protection "
                          L"needs administrator rights.\r\n\r\n"
                          L"Do you want to restart Kelvane as administrator?");
    EXPECT_GE(ErrorLines(), 1) << "the refused write is listed as a switch's is";
    for (const std::wstring& deviceClass : kClasses) {
        EXPECT_FALSE(DenyWrite(deviceClass));
        EXPECT_FALSE(RecordedForWriteProtection(deviceClass));
    }
    EXPECT_EQ(applied_, 0);
    EXPECT_FALSE(ProgramEnded());
}

} // namespace
} // namespace kv::test
