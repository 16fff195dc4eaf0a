// What a change stores, and the one rule that tells a refusal for lack of rights from
// other failures.

#include "protection/switches.h"
#include "tests/protection/switch_keys.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <optional>

namespace kv::protection::testing {
namespace {

using kv::test::Fault;
using kv::test::MemoryRegistry;
using kv::test::RegCall;

TEST(SwitchWrite, StoresTheValuesCreatingMissingKeysAndReadsBackAsAsked) {
    struct Case {
        Switch which;
        OnOff to;
        std::uint32_t stored;
    };
    const Case cases[] = {
        {Switch::WriteProtect, OnOff::On, 1}, {Switch::WriteProtect, OnOff::Off, 0},
        {Switch::UsbLock, OnOff::On, 4},      {Switch::UsbLock, OnOff::Off, 3},
        {Switch::Autorun, OnOff::On, 255},    {Switch::Autorun, OnOff::Off, 0},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry; // no key at all
        Switches switches(registry);
        const WriteResult written = switches.Write(c.which, c.to);
        EXPECT_TRUE(written.Done());
        EXPECT_FALSE(written.Refused());
        EXPECT_EQ(written.FirstFailure(), 0);
        EXPECT_EQ(switches.Read(c.which).Known(), c.to);
        EXPECT_EQ(registry.OpenKeyCount(), 0u);
        if (c.which == Switch::Autorun) {
            EXPECT_EQ(registry.GetDWord(kHklm, kExplorer, kAutorunName), c.stored);
            EXPECT_EQ(registry.GetDWord(kHkcu, kExplorer, kAutorunName), c.stored);
        } else {
            const bool wp = c.which == Switch::WriteProtect;
            EXPECT_EQ(
                registry.GetDWord(kHklm, wp ? kPolicies : kUsbStor, wp ? "WriteProtect" : "Start"),
                c.stored);
        }
    }
}

TEST(SwitchWrite, ARefusalIsAValueNotStoredForLackOfRights) {
    struct Case {
        const char* what;
        bool keyExists;
        Fault fault;
        bool done, refused;
        reg::Status first;
    };
    const Case cases[] = {
        {"store denied", true, {.call = RegCall::SetValueEx, .result = 5}, false, true, 5},
        {"open for writing denied",
         true,
         {.call = RegCall::OpenKeyEx, .result = 5, .access = reg::kKeyWrite},
         false,
         true,
         5},
        // The key could not be made, so the store found none: the refusal explains it.
        {"creation denied", false, {.call = RegCall::CreateKey, .result = 5}, false, true, 5},
        {"creation denied, key there",
         true,
         {.call = RegCall::CreateKey, .result = 5},
         true,
         false,
         0},
        {"cannot write", true, {.call = RegCall::SetValueEx, .result = 1013}, false, false, 1013},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        if (c.keyExists) {
            registry.AddKey(kHklm, kUsbStor);
        }
        registry.InjectFault(c.fault);
        const WriteResult written = Switches(registry).Write(Switch::UsbLock, OnOff::On);
        EXPECT_EQ(written.Done(), c.done);
        EXPECT_EQ(written.Refused(), c.refused);
        EXPECT_EQ(written.FirstFailure(), c.first);
        EXPECT_EQ(registry.GetDWord(kHklm, kUsbStor, "Start"),
                  c.done ? std::optional<std::uint32_t>(4) : std::nullopt);
        // Only what a window may show: the refused store's line, never the creation's.
        const auto& value = written.values.at(0);
        EXPECT_FALSE(value.created.errorLine);
        EXPECT_EQ(value.stored.errorLine.has_value(), !c.done);
    }
}

TEST(SwitchWrite, AutorunWritesThePerUserValueWhenTheMachineWideOneIsRefused) {
    MemoryRegistry registry;
    registry.SetDWord(kHklm, kExplorer, kAutorunName, 0);
    registry.InjectFault({.call = RegCall::SetValueEx, .result = 5, .root = kHklm});
    Switches switches(registry);
    const WriteResult written = switches.Write(Switch::Autorun, OnOff::On);
    ASSERT_EQ(written.values.size(), 2u);
    EXPECT_FALSE(written.values[0].Done());
    EXPECT_TRUE(written.values[1].Done());
    EXPECT_TRUE(written.Refused());
    EXPECT_EQ(registry.GetDWord(kHklm, kExplorer, kAutorunName), 0u);
    EXPECT_EQ(registry.GetDWord(kHkcu, kExplorer, kAutorunName), 255u);
    // The per-user 255 alone suppresses autorun for this user.
    EXPECT_EQ(switches.Read(Switch::Autorun).Known(), OnOff::On);
}

} // namespace
} // namespace kv::protection::testing
