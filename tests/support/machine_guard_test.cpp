// The guard's parts under Wine, on a scratch key: whatever a test did to a key tree, its
// snapshot puts it back, access lists and absence included.

#include "tests/support/machine_guard.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>

namespace kv::test {
namespace {

constexpr wchar_t kScratch[] = L"Software\\kelvane-tests\\guard";

void Set(const std::wstring& key, const wchar_t* name, DWORD type, const std::wstring& text) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, type, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void SetAccess(const std::wstring& key, const wchar_t* sddl) {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, &handle),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    EXPECT_EQ(::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    ::LocalFree(descriptor);
    ::RegCloseKey(handle);
}

bool Exists(const std::wstring& key) {
    HKEY handle = nullptr;
    const bool found =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
    if (found) {
        ::RegCloseKey(handle);
    }
    return found;
}

// The tree as text, read independently of the snapshot: access list, values, subkeys.
std::wstring Dump(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    std::wstring text = L"[" + name + L"] ";
    BYTE descriptor[512];
    DWORD size = sizeof descriptor;
    LPWSTR sddl = nullptr;
    if (::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size) == ERROR_SUCCESS &&
        ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
        text += sddl;
        ::LocalFree(sddl);
    }
    wchar_t valueName[256];
    BYTE data[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256, type = 0, dataSize = sizeof data;
        if (::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        text += L" " + std::wstring(valueName) + L":" + std::to_wstring(type) + L"=";
        for (DWORD b = 0; b < dataSize; ++b) {
            text += std::to_wstring(data[b]) + L",";
        }
    }
    wchar_t subName[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key, i, subName, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        text += L"\n" + Dump(key, subName);
    }
    ::RegCloseKey(key);
    return text;
}

class KeySnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\kelvane-tests\\guard");
        Set(key_, L"Start", REG_SZ, L"3");
        Set(key_, L"Label", REG_EXPAND_SZ, L"%x%");
        Set(key_ + L"\\Enum", L"0", REG_SZ, L"USB\\1");
        before_ = Dump(HKEY_CURRENT_USER, key_);
    }
    void TearDown() override {
        SetAccess(key_, L"D:P(A;;KA;;;WD)");
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\kelvane-tests");
    }

    const std::wstring key_ = kScratch;
    std::wstring before_;
};

TEST_F(KeySnapshotTest, PutsBackValuesSubkeysAndAccess) {
    KeySnapshot snapshot(HKEY_CURRENT_USER, key_);
    ASSERT_TRUE(snapshot.taken());
    Set(key_, L"Start", REG_SZ, L"4");   // changed data
    Set(key_, L"Label", REG_SZ, L"%x%"); // changed type only
    Set(key_, L"Added", REG_SZ, L"1");   // added value
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (key_ + L"\\Enum").c_str());
    Set(key_ + L"\\New\\Deep", L"v", REG_SZ, L"1");
    SetAccess(key_ + L"\\New", L"D:P(A;;KR;;;WD)"); // a read-only subkey to remove
    SetAccess(key_, L"D:P(A;;KR;;;WD)");            // and the key itself read-only

    EXPECT_TRUE(snapshot.Restore());
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, key_), before_);
}

TEST_F(KeySnapshotTest, DestructorPutsBackADeletedKey) {
    {
        KeySnapshot snapshot(HKEY_CURRENT_USER, key_);
        ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()), ERROR_SUCCESS);
    }
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, key_), before_);
}

TEST_F(KeySnapshotTest, RemovesKeysCreatedWhereNothingWas) {
    const std::wstring missing = key_ + L"\\a\\b";
    KeySnapshot snapshot(HKEY_CURRENT_USER, missing);
    ASSERT_TRUE(snapshot.taken());
    Set(missing + L"\\c", L"v", REG_SZ, L"1");
    SetAccess(key_ + L"\\a", L"D:P(A;;KR;;;WD)");

    EXPECT_TRUE(snapshot.Restore());
    EXPECT_FALSE(Exists(key_ + L"\\a"));
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, key_), before_);
}

TEST(MayChangeThisMachine, OnlyUnderWineOrWithTheExactOptIn) {
    struct Case {
        bool underWine;
        const wchar_t* optIn;
        bool may;
    };
    for (const Case& c :
         {Case{true, nullptr, true}, Case{false, nullptr, false}, Case{false, L"1", true},
          Case{false, L"0", false}, Case{false, L"", false}, Case{false, L"yes", false}}) {
        EXPECT_EQ(MayChange(c.underWine, c.optIn), c.may)
            << c.underWine << " " << (c.optIn ? "set" : "unset");
    }
}

} // namespace
} // namespace kv::test
