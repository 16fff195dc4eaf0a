// Change notifications of registry keys against the real registry (run under Wine, where
// they are real). Scratch keys live under HKEY_CURRENT_USER\Software\kelvane-test\watch and
// are deleted before and after each test.
#include "registry/key_watch_win.h"

#include <gtest/gtest.h>

#include <sddl.h>
#include <windows.h>

#include <string>

namespace kv::reg {
namespace {

const std::wstring kScratch = L"Software\\kelvane-test\\watch";

void SetValue(const std::wstring& subKey, DWORD value) {
    ASSERT_EQ(
        ::RegSetKeyValueW(HKEY_CURRENT_USER, subKey.c_str(), L"v", REG_DWORD, &value, sizeof value),
        ERROR_SUCCESS);
}

void MakeKey(const std::wstring& subKey) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

// Whether the watch's event is signalled within a short while (notifications arrive
// asynchronously through the wineserver).
bool Signalled(const KeyWatch& watch, DWORD ms = 1000) {
    return ::WaitForSingleObject(watch.Event(), ms) == WAIT_OBJECT_0;
}

class KeyWatchTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
};

TEST_F(KeyWatchTest, AValueChangeSignalsOnceAndTheWatchRearms) {
    MakeKey(kScratch);
    KeyWatch watch(HKEY_CURRENT_USER, kScratch, false);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_TRUE(watch.OnKey());
    EXPECT_FALSE(Signalled(watch, 100)) << "signalled with nothing changed";

    SetValue(kScratch, 1);
    EXPECT_TRUE(Signalled(watch));
    EXPECT_FALSE(Signalled(watch, 100)) << "one change, one signal";

    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    SetValue(kScratch, 2);
    EXPECT_TRUE(Signalled(watch)) << "not armed again";
}

TEST_F(KeyWatchTest, AMissingKeyIsFollowedDownAsItsPathAppears) {
    const std::wstring target = kScratch + L"\\a\\b";
    MakeKey(kScratch);
    KeyWatch watch(HKEY_CURRENT_USER, target, false);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_FALSE(watch.OnKey());

    // Created in one call, two levels at once.
    MakeKey(target);
    ASSERT_TRUE(Signalled(watch)) << "the new key was not seen";
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_TRUE(watch.OnKey());

    SetValue(target, 1);
    EXPECT_TRUE(Signalled(watch)) << "the value of the key that appeared";
}

TEST_F(KeyWatchTest, ADeletedKeyIsWatchedForAgainThroughItsParent) {
    const std::wstring target = kScratch + L"\\k";
    MakeKey(target);
    KeyWatch watch(HKEY_CURRENT_USER, target, false);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);

    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, target.c_str()), ERROR_SUCCESS);
    ::WaitForSingleObject(watch.Event(), 300); // deletion may or may not signal the key
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_FALSE(watch.OnKey());

    SetValue(target, 3); // creates the key again
    ASSERT_TRUE(Signalled(watch));
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_TRUE(watch.OnKey());
}

struct Below {
    const char* name;
    bool subtree;
    bool signalled;
};

class KeyWatchBelowTest : public KeyWatchTest, public ::testing::WithParamInterface<Below> {};

TEST_P(KeyWatchBelowTest, AChangeBelowTheKeyCountsOnlyForASubtreeWatch) {
    const std::wstring child = kScratch + L"\\child";
    MakeKey(child);
    KeyWatch watch(HKEY_CURRENT_USER, kScratch, GetParam().subtree);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    SetValue(child, 7);
    EXPECT_EQ(Signalled(watch, GetParam().signalled ? 1000 : 300), GetParam().signalled);
}

INSTANTIATE_TEST_SUITE_P(Watches, KeyWatchBelowTest,
                         ::testing::Values(Below{"Subtree", true, true},
                                           Below{"KeyOnly", false, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(KeyWatchTest, AKeyThatRefusesNotificationIsWatchedThroughItsParent) {
    const std::wstring target = kScratch + L"\\closed";
    MakeKey(target);
    HKEY key = nullptr;
    ASSERT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, target.c_str(), 0, WRITE_DAC | KEY_SET_VALUE, &key),
        ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR none = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1,
                                                                       &none, nullptr));
    ASSERT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, none), ERROR_SUCCESS);
    ::LocalFree(none);

    KeyWatch watch(HKEY_CURRENT_USER, target, false);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_FALSE(watch.OnKey());
    // Through the handle opened before the lock, as another user with rights would.
    const DWORD value = 5;
    ASSERT_EQ(::RegSetValueExW(key, L"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof value),
              ERROR_SUCCESS);
    EXPECT_TRUE(Signalled(watch));
    ::RegCloseKey(key);
}

TEST(KeyWatchPathTest, APathNamingNoRootNeverFires) {
    KeyWatch watch("NOT_A_ROOT\\Software", false);
    EXPECT_EQ(watch.Event(), nullptr);
    EXPECT_NE(watch.Arm(), ERROR_SUCCESS);
}

TEST(KeyWatchPathTest, AKeyPathTextWatchesThatKey) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
    MakeKey(kScratch);
    KeyWatch watch("HKEY_CURRENT_USER\\Software\\kelvane-test\\watch", false);
    ASSERT_EQ(watch.Arm(), ERROR_SUCCESS);
    EXPECT_TRUE(watch.OnKey());
    SetValue(kScratch, 1);
    EXPECT_TRUE(Signalled(watch));
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
}

} // namespace
} // namespace kv::reg
