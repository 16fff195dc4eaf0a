// The main window at start-up and the write-protection switch, from click to registry and
// back, on the real registry under Wine.

#include "tests/app/main_window_fixture.h"

#include <stdexcept>

namespace kv::test {
namespace {

using M = app::frm_Main;

DWORD StoredWriteProtect() {
    DWORD value = 0xDEADBEEF;
    ReadDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", value);
    return value;
}

TEST_F(MainWindowTest, ValueAbsentCreatesKeyShowsDisabledAndClickEnables) {
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWriteProtectKey));
    Start();

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kWriteProtectKey));
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
    EXPECT_EQ(ColorOf(M::lblStatus), kRed);
    EXPECT_TRUE(Shown(M::imgDisabled));
    EXPECT_FALSE(Shown(M::imgEnabled));
    EXPECT_EQ(TextOf(M::cmdApply), L"&Enable");
    ASSERT_EQ(ErrorLines(), 1);
    EXPECT_EQ(ErrorLine(0), L"Invalid Key Name");

    Click(Ctl(M::cmdApply));
    EXPECT_EQ(StoredWriteProtect(), 1u);
    EXPECT_EQ(TextOf(M::lblStatus), L"Enabled");
    EXPECT_EQ(ColorOf(M::lblStatus), kGreen);
    EXPECT_TRUE(Shown(M::imgEnabled));
    EXPECT_FALSE(Shown(M::imgDisabled));
    EXPECT_EQ(TextOf(M::cmdApply), L"&Disable");
    EXPECT_EQ(TextOf(M::txtRegValue), L"1");

    Click(Ctl(M::cmdApply));
    EXPECT_EQ(StoredWriteProtect(), 0u);
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
    EXPECT_EQ(TextOf(M::cmdApply), L"&Enable");
    EXPECT_EQ(ErrorLines(), 1);
}

class StoredValueTest : public MainWindowTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(StoredValueTest, AnythingButOneShowsDisabledAndAClickStoresOne) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", GetParam());
    Start();
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
    EXPECT_EQ(ColorOf(M::lblStatus), kRed);
    EXPECT_TRUE(Shown(M::imgDisabled));
    EXPECT_FALSE(Shown(M::imgEnabled));
    EXPECT_EQ(TextOf(M::cmdApply), L"&Enable");
    EXPECT_EQ(ErrorLines(), 0);

    Click(Ctl(M::cmdApply));
    EXPECT_EQ(StoredWriteProtect(), 1u);
    EXPECT_EQ(TextOf(M::lblStatus), L"Enabled");
}

INSTANTIATE_TEST_SUITE_P(Values, StoredValueTest, ::testing::Values(0u, 2u, 0xFFFFFFFFu));

TEST_F(MainWindowTest, AllBitsSetReadsAsMinusOne) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0xFFFFFFFF);
    WriteDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun", 0xFFFFFFFF);
    Start();
    // The autorun read runs last and leaves its per-user text behind.
    EXPECT_EQ(TextOf(M::txtRegValue), L"-1");
}

TEST_F(MainWindowTest, DeniedWriteAddsOneLineAndLeavesTheDisplay) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    Start();
    recorder_.FailEvery(kv::test::RegCall::SetValueEx, 5);
    AnswerMessageBox(IDNO, nullptr); // the refusal is explained; no restart

    Click(Ctl(M::cmdApply));
    EXPECT_EQ(StoredWriteProtect(), 0u);
    ASSERT_EQ(ErrorLines(), 1);
    EXPECT_EQ(ErrorLine(0), L"Access to this key is denied");
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
    EXPECT_EQ(ColorOf(M::lblStatus), kRed);
    EXPECT_TRUE(Shown(M::imgDisabled));
    EXPECT_EQ(TextOf(M::cmdApply), L"&Enable");
}

TEST_F(MainWindowTest, TheClickFollowsTheStateReadNotTheCaption) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 1);
    Start();
    // Whatever a caption says (another program may set it), the state read decides.
    ::SetWindowTextW(Ctl(M::cmdApply), L"&Enable");
    Click(Ctl(M::cmdApply));
    EXPECT_EQ(StoredWriteProtect(), 0u);
    EXPECT_EQ(TextOf(M::lblStatus), L"Disabled");
    EXPECT_EQ(TextOf(M::cmdApply), L"&Enable");
}

// A registry layer that blows up on the write-protection key, as a failing step would.
class ThrowingRegistry final : public kv::test::RegistryRecorder {
public:
    using RegistryRecorder::RegistryRecorder;
    reg::Status OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t options,
                          std::uint32_t access, reg::HandleValue& key) override {
        if (subKey.find("StorageDevicePolicies") != std::string::npos) {
            throw std::runtime_error("unreadable");
        }
        return RegistryRecorder::OpenKeyEx(root, subKey, options, access, key);
    }
};

TEST_F(MainWindowTest, StartupReadsInOrderAndAFailingStepDoesNotStopTheNext) {
    ThrowingRegistry throwing(reg::WindowsRegistry());
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4);
    WriteDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun", 255);
    window_ = std::make_unique<app::frm_Main>(throwing);
    window_->Show();
    Pump(50);

    std::vector<std::string> queried;
    for (const kv::test::CallRecord& call : throwing.Calls()) {
        if (call.call == kv::test::RegCall::QueryValueEx) {
            queried.push_back(call.valueName);
        }
    }
    const std::vector<std::string> expected{"Start", "NoDriveTypeAutoRun", "NoDriveTypeAutoRun"};
    EXPECT_EQ(queried, expected); // the write-protection read died before its query
    EXPECT_EQ(TextOf(M::lblUSBLockStatus), L"Locked");
    EXPECT_EQ(TextOf(M::lblUSBDeviceARStatus), L"Disabled");
    EXPECT_TRUE(IsShown(window_->hwnd())); // and the window came up all the same
    EXPECT_EQ(throwing.OpenKeyCount(), 0u);
    window_.reset();
}

} // namespace
} // namespace kv::test
