#include "password/settings_store_win.h"

#include <gtest/gtest.h>

#include <string>

namespace kv::password {
namespace {

constexpr wchar_t kScratch[] = L"Software\\kelvane-tests\\settings-store";

// A scratch key under HKCU, removed before and after each test.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }

    SettingsLocation Where() const {
        return {HKEY_CURRENT_USER, std::wstring(kScratch) + L"\\kelvane\\settings", L"p"};
    }

    // Puts raw data there, bypassing the store.
    void Put(DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Where().sub_key.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const LSTATUS status =
            RegSetValueExW(key, L"p", 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }
};

TEST_F(SettingsStoreTest, MissingKeyOrValueReadsAsNoPassword) {
    auto read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Missing);
    EXPECT_EQ(read.text, L"");

    const DWORD other = 1;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Where().sub_key.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"q", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&other), sizeof other);
    RegCloseKey(key);
    read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Missing);
}

TEST_F(SettingsStoreTest, WritesTerminatedRegSzAndReadsItBack) {
    const std::wstring texts[] = {
        L"",
        L"   ",
        L"p\u00e4ssw\u00f6rd \u043f\u0430\u0440\u043e\u043b\u044c \xD83D\xDE00",
        L"pbkdf2-sha256$1000$AAECAwQFBgcICQoLDA0ODw==$yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQ=",
        std::wstring(5000, L'\u00e9'),
    };
    for (const auto& text : texts) {
        ASSERT_TRUE(WriteStoredPassword(text, Where()).ok);
        // What Windows itself holds: REG_SZ with the terminating null.
        DWORD type = 0, bytes = 0;
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Where().sub_key.c_str(), L"p",
                               RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &bytes),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, DWORD{REG_SZ});
        EXPECT_EQ(bytes, (text.size() + 1) * sizeof(wchar_t));

        const auto read = ReadStoredPassword(Where());
        EXPECT_EQ(read.status, StoreReadStatus::Value);
        EXPECT_EQ(read.text, text);
    }
}

TEST_F(SettingsStoreTest, ReadsUnterminatedAndOddSizedData) {
    const wchar_t abc[] = L"abc";
    Put(REG_SZ, abc, 3 * sizeof(wchar_t));
    EXPECT_EQ(ReadStoredPassword(Where()).text, L"abc");

    Put(REG_SZ, abc, 3 * sizeof(wchar_t) - 1); // a stray half character is dropped
    auto read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Value);
    EXPECT_EQ(read.text, L"ab");

    const wchar_t embedded[] = L"ab\0cd";
    Put(REG_SZ, embedded, sizeof embedded);
    EXPECT_EQ(ReadStoredPassword(Where()).text, L"ab");

    Put(REG_SZ, abc, 0);
    read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Value);
    EXPECT_EQ(read.text, L"");
}

TEST_F(SettingsStoreTest, ValueOfAnotherTypeIsAFailureNotAnEmptyPassword) {
    const DWORD number = 0;
    Put(REG_DWORD, &number, sizeof number);
    auto read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Failed);
    EXPECT_NE(read.error, 0);
    EXPECT_EQ(read.text, L"");

    const std::uint8_t bytes[] = {'a', 0, 'b', 0, 0, 0};
    Put(REG_BINARY, bytes, sizeof bytes);
    EXPECT_EQ(ReadStoredPassword(Where()).status, StoreReadStatus::Failed);

    const wchar_t multi[] = L"a\0b\0";
    Put(REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_EQ(ReadStoredPassword(Where()).status, StoreReadStatus::Failed);

    const wchar_t expand[] = L"%USERNAME%";
    Put(REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ(ReadStoredPassword(Where()).status, StoreReadStatus::Failed);
}

TEST_F(SettingsStoreTest, DamagedHashedFormIsAFailureNotAPlainPassword) {
    // The count is above the cap: the text parses as no hashed form.
    const wchar_t damaged[] = L"pbkdf2-sha256$10000001$AAECAwQFBgcICQoLDA0ODw==$"
                              L"yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQ=";
    Put(REG_SZ, damaged, sizeof damaged);
    const auto read = ReadStoredPassword(Where());
    EXPECT_EQ(read.status, StoreReadStatus::Failed);
    EXPECT_EQ(read.error, ERROR_INVALID_DATA);
    EXPECT_EQ(read.text, L"");
}

TEST_F(SettingsStoreTest, DeniedReadIsAFailure) {
    ASSERT_TRUE(WriteStoredPassword(L"secret", Where()).ok);
    // A handle without query rights stands in for a key the user may not read.
    HKEY write_only = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, Where().sub_key.c_str(), 0, KEY_SET_VALUE, &write_only),
        ERROR_SUCCESS);
    const auto read = ReadStoredPassword({write_only, L"", L"p"});
    RegCloseKey(write_only);
    EXPECT_EQ(read.status, StoreReadStatus::Failed);
    EXPECT_EQ(read.error, ERROR_ACCESS_DENIED);
}

TEST_F(SettingsStoreTest, FailedWriteSaysSo) {
    // A volatile key cannot hold the store's lasting sub-keys.
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    const auto written = WriteStoredPassword(L"x", {parent, L"kelvane\\settings", L"p"});
    RegCloseKey(parent);
    EXPECT_FALSE(written.ok);
    EXPECT_NE(written.error, 0);
    EXPECT_EQ(ReadStoredPassword(Where()).status, StoreReadStatus::Missing);
}

// The real location, cleaned before and after.
TEST(SettingsStoreRealLocation, LivesUnderTheUsersSoftwareKey) {
    const SettingsLocation where;
    EXPECT_EQ(where.root, HKEY_CURRENT_USER);
    EXPECT_EQ(where.sub_key, L"Software\\kelvane\\settings");
    EXPECT_EQ(where.value_name, L"p");

    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\kelvane");
    EXPECT_EQ(ReadStoredPassword().status, StoreReadStatus::Missing);
    ASSERT_TRUE(WriteStoredPassword(L"\u043f 1").ok);

    wchar_t buffer[16] = {};
    DWORD bytes = sizeof buffer;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\kelvane\\settings", L"p", RRF_RT_REG_SZ,
                           nullptr, buffer, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(buffer), L"\u043f 1");
    const auto read = ReadStoredPassword();
    EXPECT_EQ(read.status, StoreReadStatus::Value);
    EXPECT_EQ(read.text, L"\u043f 1");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\kelvane");
}

} // namespace
} // namespace kv::password
