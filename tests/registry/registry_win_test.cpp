// The registry module and its layer against the real registry (run under Wine). Scratch
// keys live under HKEY_CURRENT_USER\Software\kelvane-test and are deleted before and after
// each test; what was written is read back through Windows itself, not through the module.
#include "layer_conformance.h"
#include "registry/mdl_RegFunctions.h"
#include "registry/reg_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

namespace kv::reg {
using kv::test::RegistryRecorder;
namespace conformance {

INSTANTIATE_TEST_SUITE_P(Windows, LayerConformance,
                         testing::Values(LayerUnderTest{
                             "windows",
                             [] {
                                 RegDeleteTreeA(HKEY_CURRENT_USER, kScratch.c_str());
                                 return std::make_unique<RegistryRecorder>(WindowsRegistry());
                             },
                             [](RegistryRecorder&, const std::string& subKey) {
                                 RegDeleteTreeA(HKEY_CURRENT_USER, subKey.c_str());
                             }}),
                         [](const auto& test) { return test.param.name; });

} // namespace conformance

namespace {

namespace mdl = kv::reg::mdl_RegFunctions;
using testing::ElementsAre;
using testing::IsEmpty;

const wchar_t kScratchW[] = L"Software\\kelvane-test\\module";
const std::string kScratchPath = "HKEY_CURRENT_USER\\Software\\kelvane-test\\module";

struct RawValue {
    LSTATUS status = 0;
    DWORD type = 0;
    std::vector<BYTE> data;
};

RawValue ReadRaw(HKEY root, const std::wstring& subKey, const std::wstring& name) {
    RawValue value;
    DWORD size = 0;
    value.status =
        RegGetValueW(root, subKey.c_str(), name.c_str(), RRF_RT_ANY, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.status = RegGetValueW(root, subKey.c_str(), name.c_str(), RRF_RT_ANY, &value.type,
                                    value.data.data(), &size);
    }
    return value;
}

class RealRegistry : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &scratch_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        EXPECT_EQ(recorder_.OpenKeyCount(), 0u) << "a key was left open";
        RegCloseKey(scratch_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
    }
    void PutW(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(scratch_, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    // The module's operations over the recorded real registry; their error lines are
    // collected as the window would list them.
    void SetDWordValue(const std::string& path, const std::string& name, std::int32_t value) {
        Note(mdl::SetDWordValue(recorder_, path, name, value));
    }
    mdl::RegReadResult GetDWordValue(const std::string& path, const std::string& name) {
        mdl::RegReadResult read = mdl::GetDWordValue(recorder_, path, name);
        Note(read.result());
        return read;
    }
    void CreateKey(const std::string& path) { Note(mdl::CreateKey(recorder_, path)); }
    void Note(const mdl::RegResult& result) {
        if (result.errorLine) {
            lines_.push_back(*result.errorLine);
        }
    }

    RegistryRecorder recorder_{WindowsRegistry()};
    std::vector<std::string> lines_;
    HKEY scratch_ = nullptr;
};

TEST(RootHandles, AreSignExtendedLikeTheHkeyConstants) {
    EXPECT_EQ(RootToHkey(kHkeyClassesRoot), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RootToHkey(kHkeyCurrentUser), HKEY_CURRENT_USER);
    EXPECT_EQ(RootToHkey(kHkeyLocalMachine), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootToHkey(kHkeyUsers), HKEY_USERS);
    EXPECT_EQ(RootToHkey(kHkeyPerformanceData), HKEY_PERFORMANCE_DATA);
    EXPECT_EQ(RootToHkey(kHkeyCurrentConfig), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(RootToHkey(kHkeyDynData), HKEY_DYN_DATA);
    static_assert(sizeof(void*) == 8, "Kelvane is a 64-bit program");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(RootToHkey(kHkeyLocalMachine)),
              0xFFFFFFFF80000002ull);
}

TEST_F(RealRegistry, WrittenValuesReadBackAsStored) {
    SetDWordValue(kScratchPath, "One", 1);
    SetDWordValue(kScratchPath, "All", -1);
    EXPECT_THAT(lines_, IsEmpty());

    const RawValue one = ReadRaw(HKEY_CURRENT_USER, kScratchW, L"One");
    EXPECT_EQ(one.status, ERROR_SUCCESS);
    EXPECT_EQ(one.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(one.data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kScratchW, L"All").data,
              (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(GetDWordValue(kScratchPath, "One").Text(), "1");
    EXPECT_EQ(GetDWordValue(kScratchPath, "All").Text(), "-1");
    EXPECT_THAT(lines_, IsEmpty());
}

TEST_F(RealRegistry, MissingValuesAndKeysReadAsError) {
    EXPECT_EQ(GetDWordValue(kScratchPath, "Missing").Text(), "Error");
    EXPECT_EQ(GetDWordValue(kScratchPath + "\\none", "Missing").Text(), "Error");
    SetDWordValue(kScratchPath + "\\none", "v", 1);
    EXPECT_THAT(lines_, ElementsAre("Invalid Key Name", "Invalid Key Name", "Invalid Key Name"));
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, std::wstring(kScratchW) + L"\\none", L"v").status,
              ERROR_FILE_NOT_FOUND)
        << "a write never creates the key";
}

TEST_F(RealRegistry, TextValuesLongAndShort) {
    PutW(L"Long", REG_SZ, L"hello", sizeof L"hello");
    PutW(L"Short", REG_SZ, L"a", sizeof L"a");
    SetDWordValue(kScratchPath, "All", -1);
    EXPECT_EQ(GetDWordValue(kScratchPath, "Long").Text(), "Error");
    EXPECT_THAT(lines_,
                ElementsAre("There is more data than the buffer has been allocated to hold."));
    // Read through the ANSI function "a" is 'a' and a NUL: after a read of -1 it must not
    // pick up the upper bytes of that read.
    EXPECT_EQ(GetDWordValue(kScratchPath, "All").Text(), "-1");
    EXPECT_EQ(GetDWordValue(kScratchPath, "Short").Text(), "97");
}

TEST_F(RealRegistry, CreateKeyMakesParentsAndChangesNothingThatExists) {
    SetDWordValue(kScratchPath, "Keep", 5);
    CreateKey(kScratchPath + "\\a\\b\\c");
    CreateKey(kScratchPath);
    EXPECT_THAT(lines_, IsEmpty());

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\kelvane-test\\module\\a\\b\\c", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD subKeys = 99;
    DWORD values = 99;
    EXPECT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u) << "no value, not even a default one";
    RegCloseKey(key);
    EXPECT_EQ(RegQueryInfoKeyW(scratch_, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(GetDWordValue(kScratchPath, "Keep").Text(), "5");
}

TEST_F(RealRegistry, LocalMachineIsReachedThroughItsRootHandle) {
    const std::string path = "HKEY_LOCAL_MACHINE\\Software\\kelvane-test";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\kelvane-test");
    CreateKey(path);
    SetDWordValue(path, "WriteProtect", 1);
    EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, L"Software\\kelvane-test", L"WriteProtect").data,
              (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(GetDWordValue(path, "WriteProtect").Text(), "1");
    EXPECT_THAT(lines_, IsEmpty());
    EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\kelvane-test"), ERROR_SUCCESS);
}

} // namespace
} // namespace kv::reg
