// The in-memory registry and the recorder: the Windows behaviour shared with the real
// registry is in layer_conformance.cpp; here is what only the test layers offer.
#include "layer_conformance.h"
#include "tests/support/registry/reg_memory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kv::reg {
using kv::test::MemoryRegistry;
using kv::test::MemoryStore;
using kv::test::RegCall;
using kv::test::RegistryRecorder;
namespace conformance {

INSTANTIATE_TEST_SUITE_P(Memory, LayerConformance,
                         testing::Values(LayerUnderTest{
                             "memory", [] { return std::make_unique<MemoryRegistry>(); },
                             [](RegistryRecorder& layer, const std::string& subKey) {
                                 static_cast<MemoryRegistry&>(layer).DeleteKey(kHkeyCurrentUser,
                                                                               subKey);
                             }}),
                         [](const auto& test) { return test.param.name; });

} // namespace conformance

namespace {

using testing::ElementsAre;

TEST(MemoryRegistry, SeedingAndInspection) {
    MemoryRegistry reg;
    reg.SetDWord(kHkeyLocalMachine, "A\\B", "Start", 4);
    reg.SetString(kHkeyLocalMachine, "a\\b", "Name", "x");
    EXPECT_TRUE(reg.KeyExists(kHkeyLocalMachine, "A"));
    EXPECT_FALSE(reg.KeyExists(kHkeyCurrentUser, "A"));
    EXPECT_EQ(reg.GetDWord(kHkeyLocalMachine, "a\\B", "START"), 4u);
    EXPECT_EQ(reg.GetDWord(kHkeyLocalMachine, "A\\B", "Name"), std::nullopt) << "not a DWORD";
    EXPECT_EQ(reg.GetValue(kHkeyLocalMachine, "A\\B", "name"),
              (MemoryStore::Value{kRegSz, {'x', 0}}));
    EXPECT_TRUE(reg.DeleteValue(kHkeyLocalMachine, "A\\B", "Name"));
    EXPECT_FALSE(reg.DeleteValue(kHkeyLocalMachine, "A\\B", "Name"));
    EXPECT_TRUE(reg.DeleteKey(kHkeyLocalMachine, "A"));
    EXPECT_FALSE(reg.KeyExists(kHkeyLocalMachine, "A\\B"));
    EXPECT_FALSE(reg.DeleteKey(kHkeyLocalMachine, ""));
    EXPECT_THAT(reg.Calls(), testing::IsEmpty()) << "seeding is not a call";
}

TEST(MemoryRegistry, HandlesItNeverGaveOutAreInvalid) {
    MemoryStore store;
    std::uint32_t type = kRegDword;
    std::uint32_t size = 4;
    std::uint32_t buffer = 0;
    EXPECT_EQ(store.QueryValueEx(0x1234, "v", type, &buffer, size), 6);
    EXPECT_EQ(store.CloseKey(0x1234), 6);
    EXPECT_EQ(store.CloseKey(0), 6);
    HandleValue key = 0x99;
    EXPECT_EQ(store.OpenKeyEx(0x80000007, "x", 0, kKeyRead, key), 6);
    EXPECT_EQ(key, 0u) << "a failed open hands out no handle";
    // Opening a root by itself hands out the predefined handle, sign-extended like an HKEY.
    ASSERT_EQ(store.OpenKeyEx(kHkeyLocalMachine, "", 0, kKeyRead, key), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(key), kHkeyLocalMachine);
    EXPECT_EQ(store.CloseKey(key), 0);
    EXPECT_EQ(store.OpenHandleCount(), 0u);
}

TEST(RegistryRecorder, FaultsMatchByCallKeyAccessAndValueAndCount) {
    MemoryRegistry reg;
    reg.AddKey(kHkeyLocalMachine, "SYSTEM\\X");
    reg.InjectFault({.call = RegCall::OpenKeyEx,
                     .result = 5,
                     .root = kHkeyLocalMachine,
                     .subKey = "system\\x",
                     .access = kKeyWrite});
    reg.InjectFault(
        {.call = RegCall::QueryValueEx, .result = 1015, .valueName = "Broken", .times = 2});
    HandleValue key = 0;
    EXPECT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, "SYSTEM\\X", 0, kKeyWrite, key), 5);
    EXPECT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, "SYSTEM\\X", 0, kKeyWrite, key), 5);
    ASSERT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, "SYSTEM\\X", 0, kKeyRead, key), 0);
    std::uint32_t type = kRegDword;
    std::uint32_t size = 4;
    std::uint32_t buffer = 0;
    EXPECT_EQ(reg.QueryValueEx(key, "broken", type, &buffer, size), 1015);
    EXPECT_EQ(reg.QueryValueEx(key, "Other", type, &buffer, size), 2);
    EXPECT_EQ(reg.QueryValueEx(key, "Broken", type, &buffer, size), 1015);
    EXPECT_EQ(reg.QueryValueEx(key, "Broken", type, &buffer, size), 2) << "used up";
    EXPECT_EQ(reg.OpenKeyCount(), 1u);
    EXPECT_EQ(reg.CloseKey(key), 0);
    EXPECT_EQ(reg.OpenKeyCount(), 0u);
    reg.ClearFaults();
    EXPECT_EQ(reg.OpenKeyEx(kHkeyLocalMachine, "SYSTEM\\X", 0, kKeyWrite, key), 0);
    EXPECT_EQ(reg.CloseKey(key), 0);

    const auto calls = reg.CallTexts();
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[0], "OpenKeyEx(HKEY_LOCAL_MACHINE, \"SYSTEM\\X\", 0, KEY_WRITE) = 5 injected");
    EXPECT_EQ(calls[3], "QueryValueEx(HKEY_LOCAL_MACHINE\\SYSTEM\\X, \"broken\", type 4, size 4)"
                        " = 1015 injected");
    EXPECT_EQ(calls[4], "QueryValueEx(HKEY_LOCAL_MACHINE\\SYSTEM\\X, \"Other\", type 4, size 4)"
                        " = 2");
}

TEST(RegistryRecorder, AFailedCloseLeavesTheKeyOpen) {
    MemoryRegistry reg;
    reg.FailNext(RegCall::CloseKey, 1011);
    HandleValue key = 0;
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, "k", key), 0);
    EXPECT_EQ(reg.CloseKey(key), 1011);
    EXPECT_EQ(reg.OpenKeyCount(), 1u);
    EXPECT_EQ(reg.Store().OpenHandleCount(), 1u);
    EXPECT_EQ(reg.CloseKey(key), 0);
    EXPECT_EQ(reg.OpenKeyCount(), 0u);
    EXPECT_THAT(reg.CallTexts(), ElementsAre("CreateKey(HKEY_CURRENT_USER, \"k\") = 0",
                                             "CloseKey(HKEY_CURRENT_USER\\k) = 1011 injected",
                                             "CloseKey(HKEY_CURRENT_USER\\k) = 0"));
}

} // namespace
} // namespace kv::reg
