// The main window's long click sequence on the three switches, run over the in-memory
// registry: every key the switches open is closed again, whatever the calls return, and
// the state keeps alternating as the clicks ask.

#include "protection/switches.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kv::protection {
namespace {

constexpr int kClicksPerSwitch = 2000;

constexpr reg::RootValue kHklm = reg::kHkeyLocalMachine;
constexpr reg::RootValue kHkcu = reg::kHkeyCurrentUser;
const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
const std::string kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

class SwitchSoakTest : public ::testing::Test {
protected:
    // A click as the window makes it: the change that leads away from the state held (the
    // protective one when it is unknown), then the state read back. Counts the lines the window
    // would list.
    void Click(Switch which) {
        const OnOff to = held[Index(which)] == OnOff::On ? OnOff::Off : OnOff::On;
        for (const ValueWrite& value : switches.Write(which, to).values) {
            errorLines += value.created.errorLine.has_value() + value.stored.errorLine.has_value();
        }
        Show(which);
    }
    void Show(Switch which) {
        const SwitchState state = switches.Read(which);
        for (const auto& read : state.reads) {
            errorLines += read.result().errorLine.has_value();
        }
        held[Index(which)] = state.Known();
    }
    static int Index(Switch which) { return static_cast<int>(which); }

    // The window's sequence: load, then kClicksPerSwitch clicks on each switch, one after
    // the other in turn. before(i) runs before the i-th round of three clicks.
    void Soak(const std::function<void(int)>& before) {
        for (const Switch which : kAll) {
            Show(which);
        }
        for (int i = 0; i < kClicksPerSwitch; ++i) {
            before(i);
            for (const Switch which : kAll) {
                Click(which);
            }
            registry.ClearCalls(); // the log of two thousand rounds is not needed
        }
    }

    static constexpr Switch kAll[] = {Switch::WriteProtect, Switch::UsbLock, Switch::Autorun};
    kv::test::MemoryRegistry registry;
    Switches switches{registry};
    std::optional<OnOff> held[3];
    int errorLines = 0;
};

TEST_F(SwitchSoakTest, EveryKeyIsClosedAndTheStatesAlternate) {
    registry.SetDWord(kHklm, kPolicies, "WriteProtect", 0);
    registry.SetDWord(kHklm, kUsbStor, "Start", 3);
    registry.SetDWord(kHklm, kExplorer, "NoDriveTypeAutoRun", 0);
    registry.SetDWord(kHkcu, kExplorer, "NoDriveTypeAutoRun", 0);
    int round = 0;
    Soak([&](int i) {
        round = i;
        // Each switch shows the state its last click asked for.
        const OnOff expected = i % 2 == 1 ? OnOff::On : OnOff::Off;
        for (const Switch which : kAll) {
            ASSERT_EQ(held[Index(which)], expected) << i;
        }
        ASSERT_EQ(registry.OpenKeyCount(), 0u) << "after round " << i;
    });
    EXPECT_EQ(round, kClicksPerSwitch - 1);
    EXPECT_EQ(registry.GetDWord(kHklm, kPolicies, "WriteProtect"), 0u);
    EXPECT_EQ(registry.GetDWord(kHklm, kUsbStor, "Start"), 3u);
    EXPECT_EQ(registry.GetDWord(kHkcu, kExplorer, "NoDriveTypeAutoRun"), 0u);
    EXPECT_EQ(errorLines, 0);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(registry.Store().OpenHandleCount(), 0u);
}

TEST_F(SwitchSoakTest, KeysMissingAtStartAreCreatedAndClosed) {
    Soak([](int) {});
    EXPECT_TRUE(registry.KeyExists(kHklm, kPolicies));
    EXPECT_TRUE(registry.KeyExists(kHkcu, kExplorer));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(registry.Store().OpenHandleCount(), 0u);
}

TEST_F(SwitchSoakTest, FailingCallsOnTheWayLeaveNoKeyOpen) {
    registry.SetDWord(kHklm, kPolicies, "WriteProtect", 1);
    registry.SetDWord(kHklm, kUsbStor, "Start", 4);
    // Every call but the close fails now and then, with the codes Windows gives.
    struct Failure {
        kv::test::RegCall call;
        reg::Status result;
    };
    const Failure failures[] = {
        {kv::test::RegCall::OpenKeyEx, 5},      {kv::test::RegCall::QueryValueEx, 2},
        {kv::test::RegCall::SetValueEx, 5},     {kv::test::RegCall::CreateKey, 5},
        {kv::test::RegCall::QueryValueEx, 234}, {kv::test::RegCall::OpenKeyEx, 1009},
        {kv::test::RegCall::SetValueEx, 1013},
    };
    int injected = 0;
    Soak([&](int i) {
        if (i % 3 == 0) {
            const Failure& f = failures[(i / 3) % std::size(failures)];
            registry.FailNext(f.call, f.result);
            ++injected;
        }
        ASSERT_EQ(registry.OpenKeyCount(), 0u) << "after round " << i;
    });
    EXPECT_GT(errorLines, injected / 2); // the failures did happen and were reported
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(registry.Store().OpenHandleCount(), 0u);
}

} // namespace
} // namespace kv::protection
