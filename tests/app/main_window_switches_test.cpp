// The storage-lock and autorun switches in the real window, on the real registry.

#include "tests/app/main_window_fixture.h"

#include <optional>

namespace kv::test {
namespace {

using M = app::frm_Main;

struct Shown3 {
    std::wstring word;
    COLORREF color;
    int image;
    std::wstring caption;
};

class SwitchWindowTest : public MainWindowTest {
protected:
    void ExpectLock(const Shown3& s) {
        EXPECT_EQ(TextOf(M::lblUSBLockStatus), s.word);
        EXPECT_EQ(ColorOf(M::lblUSBLockStatus), s.color);
        EXPECT_EQ(Shown(M::imgLocked), s.image == M::imgLocked);
        EXPECT_EQ(Shown(M::imgUnLocked), s.image == M::imgUnLocked);
        EXPECT_EQ(TextOf(M::cmdLock), s.caption);
    }
    void ExpectAutorun(const Shown3& s) {
        EXPECT_EQ(TextOf(M::lblUSBDeviceARStatus), s.word);
        EXPECT_EQ(ColorOf(M::lblUSBDeviceARStatus), s.color);
        EXPECT_EQ(Shown(M::imgUSBDeviceARDisabled), s.image == M::imgUSBDeviceARDisabled);
        EXPECT_EQ(Shown(M::imgUSBDeviceAREnabled), s.image == M::imgUSBDeviceAREnabled);
        EXPECT_EQ(TextOf(M::cmdUSBAutorunControl), s.caption);
    }
    static std::optional<DWORD> Stored(HKEY root, const wchar_t* key, const wchar_t* name) {
        DWORD value = 0;
        if (!ReadDword(root, key, name, value)) {
            return std::nullopt;
        }
        return value;
    }
};

const Shown3 kLocked{L"Locked", kRed, M::imgLocked, L"&Unlock"};
const Shown3 kUnlocked{L"Unlocked", kGreen, M::imgUnLocked, L"&Lock"};
const Shown3 kAutorunOff{L"Disabled", kRed, M::imgUSBDeviceARDisabled, L"&Enable"};
const Shown3 kAutorunOn{L"Enabled", kGreen, M::imgUSBDeviceAREnabled, L"&Disable"};

TEST_F(SwitchWindowTest, LockTogglesBetweenFourAndThree) {
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 4);
    Start();
    ExpectLock(kLocked);
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start"), 3u);
    ExpectLock(kUnlocked);
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start"), 4u);
    ExpectLock(kLocked);
    EXPECT_EQ(ErrorLines(), 0);
}

class LockStartTypeTest : public SwitchWindowTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(LockStartTypeTest, OtherStartTypesShowUnlocked) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", GetParam());
    Start();
    ExpectLock(kUnlocked);
    EXPECT_EQ(TextOf(M::txtRegValue), L"0"); // the autorun read ran after it
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start"), 4u);
    ExpectLock(kLocked);
}

INSTANTIATE_TEST_SUITE_P(StartTypes, LockStartTypeTest, ::testing::Values(0u, 1u, 2u, 7u));

TEST_F(SwitchWindowTest, LockValueOrKeyAbsentShowsUnlockedAndCreatesTheKey) {
    for (bool keyToo : {false, true}) {
        SCOPED_TRACE(keyToo ? "key absent" : "value absent");
        ResetProgramEnded();
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kUsbStorKey);
        if (!keyToo) {
            WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Other", 1);
        }
        Start();
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUsbStorKey));
        ExpectLock(kUnlocked);
        ASSERT_EQ(ErrorLines(), 2); // the write-protection value is absent too
        EXPECT_EQ(ErrorLine(1), L"Invalid Key Name");
        Click(Ctl(M::cmdLock));
        ExpectLock(kLocked);
        window_.reset();
    }
}

TEST_F(SwitchWindowTest, LockDeniedWriteThenDoneOnTheNextClick) {
    WriteDword(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", 3);
    Start();
    const int before = ErrorLines();
    recorder_.FailEvery(kv::test::RegCall::SetValueEx, 5);
    AnswerMessageBox(IDNO, nullptr); // the refusal is explained; no restart
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(ErrorLines(), before + 1);
    EXPECT_EQ(ErrorLine(before), L"Access to this key is denied");
    ExpectLock(kUnlocked);

    recorder_.ClearFaults();
    Click(Ctl(M::cmdLock));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start"), 4u);
    ExpectLock(kLocked);
    EXPECT_EQ(ErrorLines(), before + 1);
}

struct AutorunCase {
    std::optional<DWORD> machine, user;
    bool disabled;
};

class AutorunValuesTest : public SwitchWindowTest,
                          public ::testing::WithParamInterface<AutorunCase> {};

TEST_P(AutorunValuesTest, EitherValueAt255DisablesAutorun) {
    const AutorunCase& c = GetParam();
    for (auto [root, value] :
         {std::pair{HKEY_LOCAL_MACHINE, c.machine}, {HKEY_CURRENT_USER, c.user}}) {
        if (value) {
            WriteDword(root, kExplorerPolicies, L"NoDriveTypeAutoRun", *value);
        } else {
            ::RegDeleteKeyValueW(root, kExplorerPolicies, L"NoDriveTypeAutoRun");
        }
    }
    Start();
    ExpectAutorun(c.disabled ? kAutorunOff : kAutorunOn);
    EXPECT_EQ(TextOf(M::txtRegValue),
              c.user ? std::to_wstring(static_cast<int>(*c.user)) : std::wstring(L"Error"));
}

INSTANTIATE_TEST_SUITE_P(Values, AutorunValuesTest,
                         ::testing::Values(AutorunCase{255u, 255u, true},
                                           AutorunCase{255u, 0u, true}, AutorunCase{0u, 255u, true},
                                           AutorunCase{0u, 0u, false},
                                           AutorunCase{145u, 145u, false},
                                           AutorunCase{std::nullopt, std::nullopt, false},
                                           AutorunCase{std::nullopt, 255u, true}));

TEST_F(SwitchWindowTest, AutorunKeysAbsentThenDisableWritesBoth) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kExplorerPolicies);
    DeleteKeyTree(HKEY_CURRENT_USER, kExplorerPolicies);
    Start();
    ExpectAutorun(kAutorunOn);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kExplorerPolicies)); // the read creates nothing

    Click(Ctl(M::cmdUSBAutorunControl));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun"), 255u);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun"), 255u);
    ExpectAutorun(kAutorunOff);

    Click(Ctl(M::cmdUSBAutorunControl));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun"), 0u);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun"), 0u);
    ExpectAutorun(kAutorunOn);
}

TEST_F(SwitchWindowTest, AutorunMachineWideWriteDeniedStillWritesPerUser) {
    WriteDword(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun", 255);
    WriteDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun", 255);
    Start();
    ExpectAutorun(kAutorunOff);
    const int before = ErrorLines();
    recorder_.InjectFault(
        {.call = kv::test::RegCall::SetValueEx, .result = 5, .root = reg::kHkeyLocalMachine});

    MessageBoxSeen refusal; // the change did not reach the whole machine: explained
    AnswerMessageBox(IDNO, &refusal);
    Click(Ctl(M::cmdUSBAutorunControl)); // "&Enable"
    EXPECT_TRUE(refusal.shown);
    EXPECT_EQ(ErrorLines(), before + 1);
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun"), 255u);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun"), 0u);
    ExpectAutorun(kAutorunOff); // the machine-wide value still suppresses autorun

    recorder_.ClearFaults();
    Click(Ctl(M::cmdUSBAutorunControl)); // "&Enable" again, now allowed
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kExplorerPolicies, L"NoDriveTypeAutoRun"), 0u);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun"), 0u);
    ExpectAutorun(kAutorunOn);
}

} // namespace
} // namespace kv::test
