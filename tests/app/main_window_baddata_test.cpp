// Protection values of the wrong type or size in the real registry under Wine: the window
// starts, shows a defined state for each, lists one line in lstErrs per read that failed,
// and the next click on the switch stores a proper DWORD again.
//
// What a read gives: the value is read into a four-byte buffer that the registry module
// clears first. Data of at most four bytes fill its low bytes, whatever their type (a
// REG_SZ "1" is the bytes '1', 0: the number 49); longer data fail with "more data"
// (ERROR_MORE_DATA): a value that cannot be read, shown as unknown; no data read as 0.

#include "tests/app/main_window_fixture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv::test {
namespace {

using M = app::frm_Main;

// A block of the window as the test reads it back.
struct Block {
    const char* name;
    int label, greenImage, redImage, unknownImage, button;
};
const Block kWriteProtection{"write protection",        M::lblStatus, M::imgEnabled, M::imgDisabled,
                             M::imgWriteProtectUnknown, M::cmdApply};
const Block kLock{"lock",       M::lblUSBLockStatus,  M::imgUnLocked,
                  M::imgLocked, M::imgUSBLockUnknown, M::cmdLock};
const Block kAutorun{"autorun",
                     M::lblUSBDeviceARStatus,
                     M::imgUSBDeviceAREnabled,
                     M::imgUSBDeviceARDisabled,
                     M::imgUSBDeviceARUnknown,
                     M::cmdUSBAutorunControl};

struct Value {
    const char* name;
    HKEY root;
    const wchar_t* key;
    const wchar_t* valueName;
    const Block* block;
};
const Value kWriteProtect{"WriteProtect", HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect",
                          &kWriteProtection};
const Value kStart{"Start", HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", &kLock};
const Value kAutorunMachine{"AutorunMachine", HKEY_LOCAL_MACHINE, kExplorerPolicies,
                            L"NoDriveTypeAutoRun", &kAutorun};
const Value kAutorunUser{"AutorunUser", HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun",
                         &kAutorun};

struct Data {
    const char* name;
    DWORD type;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Utf16z(const std::wstring& text) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return {p, p + (text.size() + 1) * sizeof(wchar_t)};
}

enum class Picture { Green, Red, Question };

// What a block shows.
struct Display {
    const wchar_t* word;
    COLORREF color;
    Picture picture;
    const wchar_t* button;
};
const Display kWpOn{L"Enabled", kGreen, Picture::Green, L"&Disable"};
const Display kWpOff{L"Disabled", kRed, Picture::Red, L"&Enable"};
const Display kLocked{L"Locked", kRed, Picture::Red, L"&Unlock"};
const Display kUnlocked{L"Unlocked", kGreen, Picture::Green, L"&Lock"};
const Display kAutorunOn{L"Enabled", kGreen, Picture::Green, L"&Disable"};
const Display kAutorunOff{L"Disabled", kRed, Picture::Red, L"&Enable"};
// A value too long to read: neither state, and the button offers the protective change.
constexpr wchar_t kTooLong[] = L"Unknown (error 234)";
const Display kWpUnknown{kTooLong, kAmber, Picture::Question, L"&Enable"};
const Display kLockUnknown{kTooLong, kAmber, Picture::Question, L"&Lock"};
const Display kAutorunUnknown{kTooLong, kAmber, Picture::Question, L"&Disable"};

struct Case {
    const Value* value;
    Data data;
    Display shown;
    int errorLines; // lines in lstErrs after start-up
    Display afterClick;
};

constexpr wchar_t kMoreData[] = L"There is more data than the buffer has been allocated to hold.";

class BadDataTest : public MainWindowTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Every other value is a proper DWORD that reads without an error line.
        WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0);
    }

    void ExpectShows(const Block& b, const Display& d) {
        EXPECT_EQ(TextOf(b.label), d.word);
        EXPECT_EQ(ColorOf(b.label), d.color);
        EXPECT_EQ(Shown(b.greenImage), d.picture == Picture::Green);
        EXPECT_EQ(Shown(b.redImage), d.picture == Picture::Red);
        EXPECT_EQ(Shown(b.unknownImage), d.picture == Picture::Question);
        EXPECT_EQ(TextOf(b.button), d.button);
    }
};

TEST_P(BadDataTest, DefinedDisplayOneLinePerFailedReadAndTheNextClickRepairs) {
    const Case& c = GetParam();
    const Value& v = *c.value;
    ASSERT_EQ(::RegSetKeyValueW(v.root, v.key, v.valueName, c.data.type, c.data.bytes.data(),
                                static_cast<DWORD>(c.data.bytes.size())),
              ERROR_SUCCESS);
    Start();
    ASSERT_TRUE(IsShown(window_->hwnd())) << "the window did not come up";
    ExpectShows(*v.block, c.shown);
    ASSERT_EQ(ErrorLines(), c.errorLines);
    for (int i = 0; i < c.errorLines; ++i) {
        EXPECT_EQ(ErrorLine(i), kMoreData);
    }

    Click(Ctl(v.block->button));
    ExpectShows(*v.block, c.afterClick);
    EXPECT_EQ(ErrorLines(), c.errorLines) << "the click's own read failed";
    DWORD stored = 0;
    EXPECT_TRUE(ReadDword(v.root, v.key, v.valueName, stored)) << "no DWORD after the click";
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(info.param.value->name) + "_" + info.param.data.name;
}

// The number each switch acts on, in the shapes it may be stored in.
std::vector<Case> Cases() {
    const Data sz1{"Sz1", REG_SZ, Utf16z(L"1")};
    const Data szLong{"SzLong", REG_SZ, Utf16z(L"Enabled")};
    const Data bin8{"Binary8", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}};
    const Data zero{"ZeroLength", REG_DWORD, {}};
    auto bin2 = [](std::uint8_t low) {
        return Data{"Binary2", REG_BINARY, {low, 0}};
    };
    auto qword = [](std::uint8_t low) {
        return Data{"Qword", REG_QWORD, {low, 0, 0, 0, 0, 0, 0, 0}};
    };
    auto sz = [](const wchar_t* text) {
        return Data{"SzNumber", REG_SZ, Utf16z(text)};
    };
    return {
        // Write protection: only the number 1 is "on".
        {&kWriteProtect, sz1, kWpOff, 0, kWpOn}, // 49
        {&kWriteProtect, szLong, kWpUnknown, 1, kWpOn},
        {&kWriteProtect, bin2(1), kWpOn, 0, kWpOff},
        {&kWriteProtect, bin8, kWpUnknown, 1, kWpOn},
        {&kWriteProtect, qword(1), kWpUnknown, 1, kWpOn},
        {&kWriteProtect, zero, kWpOff, 0, kWpOn},
        // Storage lock: only 4 is "locked".
        {&kStart, sz(L"4"), kUnlocked, 0, kLocked}, // 52
        {&kStart, szLong, kLockUnknown, 1, kLocked},
        {&kStart, bin2(4), kLocked, 0, kUnlocked},
        {&kStart, bin8, kLockUnknown, 1, kLocked},
        {&kStart, qword(4), kLockUnknown, 1, kLocked},
        {&kStart, zero, kUnlocked, 0, kLocked},
        // Autorun: 255 in either place turns it off. "255" as text is four bytes that
        // read as a number, but not as 255.
        {&kAutorunMachine, sz(L"255"), kAutorunOn, 0, kAutorunOff},
        {&kAutorunMachine, szLong, kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunMachine, bin2(255), kAutorunOff, 0, kAutorunOn},
        {&kAutorunMachine, bin8, kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunMachine, qword(255), kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunMachine, zero, kAutorunOn, 0, kAutorunOff},
        {&kAutorunUser, sz(L"255"), kAutorunOn, 0, kAutorunOff},
        {&kAutorunUser, szLong, kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunUser, bin2(255), kAutorunOff, 0, kAutorunOn},
        {&kAutorunUser, bin8, kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunUser, qword(255), kAutorunUnknown, 1, kAutorunOff},
        {&kAutorunUser, zero, kAutorunOn, 0, kAutorunOff},
    };
}

INSTANTIATE_TEST_SUITE_P(Values, BadDataTest, ::testing::ValuesIn(Cases()), CaseName);

TEST_F(BadDataTest, AShortValueIsNotMixedWithTheReadBeforeIt) {
    // All bits set in the value read first; two bytes of 4 in the one read next.
    WriteDword(HKEY_LOCAL_MACHINE, kWriteProtectKey, L"WriteProtect", 0xFFFFFFFF);
    const std::uint8_t four[] = {4, 0};
    ASSERT_EQ(
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUsbStorKey, L"Start", REG_BINARY, four, sizeof four),
        ERROR_SUCCESS);
    Start();
    ExpectShows(kWriteProtection, kWpOff); // -1 is not 1
    ExpectShows(kLock, kLocked);           // 4, not 0xFFFF0004
    EXPECT_EQ(ErrorLines(), 0);
}

} // namespace
} // namespace kv::test
