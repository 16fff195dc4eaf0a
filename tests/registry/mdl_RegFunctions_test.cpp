// The registry module's logic against the in-memory registry: what it parses, which calls
// it makes, what each operation returns (code and error line), and that it leaves no key
// open.
#include "registry/mdl_RegFunctions.h"
#include "tests/support/registry/reg_memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

namespace kv::reg::mdl_RegFunctions {
namespace {

using kv::test::RegCall;
using reg::kHkeyCurrentUser;
using reg::kHkeyLocalMachine;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
const std::string kPoliciesPath = "HKEY_LOCAL_MACHINE\\" + kPolicies;

class RegFunctions : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(reg_.OpenKeyCount(), 0u) << "a key was left open"; }

    RegResult Set(const std::string& path, const std::string& name, std::int32_t value) {
        return SetDWordValue(reg_, path, name, value);
    }
    RegReadResult Get(const std::string& path, const std::string& name) {
        return GetDWordValue(reg_, path, name);
    }
    RegResult Create(const std::string& path) { return CreateKey(reg_, path); }

    kv::test::MemoryRegistry reg_;
};

RegResult Line(Status code, const std::string& line) {
    return {code, line};
}

struct ParseCase {
    std::string path;
    std::uint32_t root;
    std::string subKey;
};

TEST_F(RegFunctions, ParseKeyPathSplitsAtTheFirstBackslash) {
    const ParseCase cases[] = {
        {kPoliciesPath, 0x80000002, kPolicies},
        {"HKEY_CURRENT_USER", 0x80000001, ""},
        {"HKEY_CLASSES_ROOT\\x", 0x80000000, "x"},
        {"HKEY_USERS\\x", 0x80000003, "x"},
        {"HKEY_PERFORMANCE_DATA\\x", 0x80000004, "x"},
        {"HKEY_CURRENT_CONFIG\\x", 0x80000005, "x"},
        {"HKEY_DYN_DATA", 0x80000006, ""},
        // A doubled backslash is passed on as part of the sub-key.
        {"HKEY_LOCAL_MACHINE\\\\SOFTWARE", 0x80000002, "\\SOFTWARE"},
        // Well formed, but no root of the table: the sub-key is still split off.
        {"HKEY_local_machine\\SOFTWARE", 0, "SOFTWARE"},
        {"HKEY_LOCAL_MACHINE \\SOFTWARE", 0, "SOFTWARE"},
        {"HKEY_", 0, ""},
    };
    for (const ParseCase& c : cases) {
        std::string path = c.path;
        std::uint32_t root = 0xDEAD;
        EXPECT_EQ(ParseKeyPath(path, root), std::nullopt) << c.path;
        EXPECT_EQ(root, c.root) << c.path;
        EXPECT_EQ(path, c.subKey) << c.path;
    }
}

TEST_F(RegFunctions, BadlyFormedPathsAreReportedAndLeftAlone) {
    for (const std::string bad : {"hkey_local_machine\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\",
                                  "HKEY_CURRENT_USER\\", "", "HKEY", "\\", "HKEY\\x"}) {
        std::string path = bad;
        std::uint32_t root = 0xDEAD;
        EXPECT_EQ(ParseKeyPath(path, root), "Incorrect Format:\n\n" + bad);
        EXPECT_EQ(root, 0u) << bad;
        EXPECT_EQ(path, bad);
    }
}

TEST_F(RegFunctions, GetRootKeyMatchesExactlyAndCaseSensitively) {
    EXPECT_EQ(GetRootKey("HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(GetRootKey("HKEY_Local_Machine"), 0u);
    EXPECT_EQ(GetRootKey("HKEY_LOCAL_MACHINE "), 0u);
    EXPECT_EQ(GetRootKey("HKLM"), 0u);
    EXPECT_EQ(GetRootKey(""), 0u);
}

TEST(RegErrorText, EveryCodeOfTheTableAndTheRest) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {2, "Invalid Key Name"},
        {1010, "Invalid Key Name"},
        {4, "Can't Read Key"},
        {1012, "Can't Read Key"},
        {5, "Access to this key is denied"},
        {8, "Out of memory"},
        {14, "Out of memory"},
        {87, "Invalid Parameter"},
        {234, "There is more data than the buffer has been allocated to hold."},
        {1009, "The Registry Database is corrupt!"},
        {1015, "The Registry Database is corrupt!"},
        {1011, "Can't Open Key"},
        {1013, "Can't Write Key"},
        {1014, "Undefined Error Code:   1014"},
        {0, "Undefined Error Code:   0"},
        {-1, "Undefined Error Code:  -1"},
        {INT32_MAX, "Undefined Error Code:   2147483647"},
        {INT32_MIN, "Undefined Error Code:  -2147483648"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(GetErrorText(code), text) << code;
    }
}

TEST(RegReadResultText, EachForm) {
    EXPECT_EQ(RegReadResult::BadPath().Text(), "");
    EXPECT_EQ(RegReadResult::Error({5, "x"}).Text(), "Error");
    EXPECT_EQ(RegReadResult::Number(1).Text(), "1");
    EXPECT_EQ(RegReadResult::Number(-1).Text(), "-1");
    EXPECT_EQ(RegReadResult::Number(INT32_MIN).Text(), "-2147483648");
}

TEST_F(RegFunctions, SetDWordValueOpensForWritingStoresAndCloses) {
    reg_.AddKey(kHkeyLocalMachine, kPolicies);
    EXPECT_EQ(Set(kPoliciesPath, "WriteProtect", 1), RegResult{});
    EXPECT_EQ(Set(kPoliciesPath, "Other", -1), RegResult{});

    const std::string key = "HKEY_LOCAL_MACHINE\\" + kPolicies;
    EXPECT_THAT(
        reg_.CallTexts(),
        ElementsAre("OpenKeyEx(HKEY_LOCAL_MACHINE, \"" + kPolicies + "\", 0, KEY_WRITE) = 0",
                    "SetValueEx(" + key + ", \"WriteProtect\", type 4, data 01000000) = 0",
                    "CloseKey(" + key + ") = 0",
                    "OpenKeyEx(HKEY_LOCAL_MACHINE, \"" + kPolicies + "\", 0, KEY_WRITE) = 0",
                    "SetValueEx(" + key + ", \"Other\", type 4, data ffffffff) = 0",
                    "CloseKey(" + key + ") = 0"));
    EXPECT_EQ(reg_.GetDWord(kHkeyLocalMachine, kPolicies, "WriteProtect"), 1u);
    EXPECT_EQ(reg_.GetDWord(kHkeyLocalMachine, kPolicies, "Other"), 0xFFFFFFFFu);
}

TEST_F(RegFunctions, SetDWordValueDoesNotCreateAMissingKey) {
    EXPECT_EQ(Set(kPoliciesPath, "WriteProtect", 1), Line(2, "Invalid Key Name"));
    EXPECT_EQ(reg_.Calls().size(), 1u);
    EXPECT_FALSE(reg_.KeyExists(kHkeyLocalMachine, kPolicies));
}

TEST_F(RegFunctions, DeniedWriteIsOneLineAndNothingStored) {
    reg_.AddKey(kHkeyLocalMachine, kPolicies);
    reg_.InjectFault({.call = RegCall::OpenKeyEx, .result = 5, .access = reg::kKeyWrite});
    EXPECT_EQ(Set(kPoliciesPath, "WriteProtect", 1), Line(5, "Access to this key is denied"));
    EXPECT_EQ(reg_.GetValue(kHkeyLocalMachine, kPolicies, "WriteProtect"), std::nullopt);

    // A failing store still closes the key (TearDown), and the store is what is reported.
    reg_.ClearFaults();
    reg_.FailNext(RegCall::SetValueEx, 1013);
    EXPECT_EQ(Set(kPoliciesPath, "WriteProtect", 1), Line(1013, "Can't Write Key"));
}

TEST_F(RegFunctions, ReadsTheValueAsASignedNumber) {
    const std::string usbstor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
    reg_.SetDWord(kHkeyLocalMachine, usbstor, "Start", 3);
    reg_.SetDWord(kHkeyLocalMachine, usbstor, "All", 0xFFFFFFFF);
    reg_.SetDWord(kHkeyLocalMachine, usbstor, "Top", 0x80000000);

    const std::string path = "HKEY_LOCAL_MACHINE\\" + usbstor;
    EXPECT_EQ(Get(path, "Start"), RegReadResult::Number(3));
    EXPECT_EQ(Get(path, "All").Text(), "-1");
    EXPECT_EQ(Get(path, "Top").Text(), "-2147483648");

    const std::string key = "HKEY_LOCAL_MACHINE\\" + usbstor;
    const auto calls = reg_.CallTexts();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0], "OpenKeyEx(HKEY_LOCAL_MACHINE, \"" + usbstor + "\", 0, KEY_READ) = 0");
    EXPECT_EQ(calls[1], "QueryValueEx(" + key + ", \"Start\", type 4, size 4) = 0");
    EXPECT_EQ(calls[2], "CloseKey(" + key + ") = 0");
}

TEST_F(RegFunctions, FailedReadsGiveErrorAndOneLine) {
    reg_.AddKey(kHkeyCurrentUser, "Software\\kv");
    reg_.SetString(kHkeyCurrentUser, "Software\\kv", "Text", "longer than four");

    const std::string kv = "HKEY_CURRENT_USER\\Software\\kv";
    EXPECT_EQ(Get(kv, "Missing"), RegReadResult::Error(Line(2, "Invalid Key Name")));
    EXPECT_EQ(Get(kv, "Text"),
              RegReadResult::Error(
                  Line(234, "There is more data than the buffer has been allocated to hold.")));
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\none", "Missing"),
              RegReadResult::Error(Line(2, "Invalid Key Name")));
    // Open, query, close twice; then only the failed open.
    EXPECT_EQ(reg_.Calls().size(), 7u);

    reg_.FailNext(RegCall::QueryValueEx, 1014);
    EXPECT_EQ(Get(kv, "Text"), RegReadResult::Error(Line(1014, "Undefined Error Code:   1014")));
}

TEST_F(RegFunctions, AShortValueDoesNotKeepBytesOfAnEarlierRead) {
    reg_.SetDWord(kHkeyCurrentUser, "Software\\kv", "All", 0xFFFFFFFF);
    reg_.SetString(kHkeyCurrentUser, "Software\\kv", "Letter", "a"); // 'a' and its NUL
    reg_.SetValue(kHkeyCurrentUser, "Software\\kv", "Nothing", reg::kRegBinary, {});
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\kv", "All").Text(), "-1");
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\kv", "Letter").Text(), "97");
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\kv", "All").Text(), "-1");
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\kv", "Nothing").Text(), "0");
}

TEST_F(RegFunctions, PathsWithoutARootMakeNoCall) {
    EXPECT_EQ(Get("hkey_local_machine\\SOFTWARE", "x"),
              RegReadResult::BadPath(Line(0, "Incorrect Format:\n\nhkey_local_machine\\SOFTWARE")));
    EXPECT_EQ(Set("HKEY_LOCAL_MACHINE\\SOFTWARE\\", "x", 1),
              Line(0, "Incorrect Format:\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\"));
    EXPECT_EQ(Create("HKEY"), Line(0, "Incorrect Format:\n\nHKEY"));
    // Well formed, but no root: nothing at all.
    EXPECT_EQ(Get("HKEY_local_machine\\SOFTWARE", "x"), RegReadResult::BadPath());
    EXPECT_EQ(Get("HKEY_LOCAL_MACHINE \\SOFTWARE", "x"), RegReadResult::BadPath());
    EXPECT_EQ(Set("HKEY_local_machine\\SOFTWARE", "x", 1), RegResult{});
    EXPECT_EQ(Create("HKEY_local_machine\\SOFTWARE"), RegResult{});
    EXPECT_THAT(reg_.Calls(), IsEmpty());
}

TEST_F(RegFunctions, ARootAloneWorksOnTheRootKey) {
    reg_.SetDWord(kHkeyCurrentUser, "", "AtRoot", 7);
    EXPECT_EQ(Get("HKEY_CURRENT_USER", "AtRoot").Text(), "7");
    EXPECT_TRUE(Set("HKEY_CURRENT_USER", "AtRoot", 8).ok());
    EXPECT_EQ(reg_.GetDWord(kHkeyCurrentUser, "", "AtRoot"), 8u);
    EXPECT_EQ(reg_.Calls().front().Text(), "OpenKeyEx(HKEY_CURRENT_USER, \"\", 0, KEY_READ) = 0");
}

TEST_F(RegFunctions, CreateKeyMakesParentsKeepsValuesAndNeverReports) {
    reg_.SetDWord(kHkeyCurrentUser, "Software\\kv", "Keep", 5);
    EXPECT_EQ(Create("HKEY_CURRENT_USER\\Software\\kv\\a\\b"), RegResult{});
    EXPECT_EQ(Create("HKEY_CURRENT_USER\\Software\\kv"), RegResult{});
    EXPECT_TRUE(reg_.KeyExists(kHkeyCurrentUser, "Software\\kv\\a\\b"));
    EXPECT_EQ(reg_.GetDWord(kHkeyCurrentUser, "Software\\kv", "Keep"), 5u);
    EXPECT_EQ(reg_.GetValue(kHkeyCurrentUser, "Software\\kv\\a\\b", ""), std::nullopt);
    EXPECT_THAT(reg_.CallTexts(),
                ElementsAre("CreateKey(HKEY_CURRENT_USER, \"Software\\kv\\a\\b\") = 0",
                            "CloseKey(HKEY_CURRENT_USER\\Software\\kv\\a\\b) = 0",
                            "CreateKey(HKEY_CURRENT_USER, \"Software\\kv\") = 0",
                            "CloseKey(HKEY_CURRENT_USER\\Software\\kv) = 0"));

    // A failure keeps its code for the caller but gives no line.
    reg_.ClearCalls();
    reg_.FailNext(RegCall::CreateKey, 5);
    EXPECT_EQ(Create("HKEY_LOCAL_MACHINE\\SOFTWARE\\Denied"), (RegResult{5, std::nullopt}));
    EXPECT_EQ(reg_.Calls().size(), 1u);
}

TEST_F(RegFunctions, AFailedCloseIsNotReported) {
    reg_.SetDWord(kHkeyCurrentUser, "Software\\kv", "v", 1);
    reg_.FailNext(RegCall::CloseKey, 6);
    EXPECT_EQ(Get("HKEY_CURRENT_USER\\Software\\kv", "v"), RegReadResult::Number(1));
    reg_.CloseKey(reg_.Calls().back().key); // the injected failure left it open
}

TEST_F(RegFunctions, OperationsCallOnlyTheLayerTheyAreGiven) {
    kv::test::MemoryRegistry other;
    other.SetDWord(kHkeyLocalMachine, kPolicies, "WriteProtect", 1);
    EXPECT_EQ(GetDWordValue(other, kPoliciesPath, "WriteProtect"), RegReadResult::Number(1));
    EXPECT_TRUE(SetDWordValue(other, kPoliciesPath, "WriteProtect", 0).ok());
    EXPECT_THAT(reg_.Calls(), IsEmpty());
    EXPECT_EQ(other.OpenKeyCount(), 0u);
}

} // namespace
} // namespace kv::reg::mdl_RegFunctions
