// The switches without a window, as the command line uses them: the same state as the
// block shows, and the same values stored as its button stores.

#include "tests/protection/switch_test_support.h"

#include <optional>

namespace kv::protection::testing {
namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE";

class WindowlessSwitchTest : public SwitchTest {
protected:
    // What the window's block shows for the switch, as "on" or not.
    bool WindowShowsOn(Switch which) {
        ReadSwitch(which, view);
        return view.caption == StateWord(which, true);
    }
};

TEST_F(WindowlessSwitchTest, IsSwitchOnAgreesWithTheWindowForAnyStoredValue) {
    // No key, no value, and numbers the switches know and do not know.
    const std::optional<std::uint32_t> values[] = {std::nullopt, 0,   1,         2, 3, 4,
                                                   145,          255, 0xFFFFFFFF};
    for (const auto& machine : values) {
        for (const auto& user : values) {
            registry.DeleteKey(kHklm, kPolicies);
            registry.DeleteKey(kHklm, kUsbStor);
            registry.DeleteKey(kHklm, kExplorer);
            registry.DeleteKey(kHkcu, kExplorer);
            if (machine) {
                registry.SetDWord(kHklm, kPolicies, "WriteProtect", *machine);
                registry.SetDWord(kHklm, kUsbStor, "Start", *machine);
                registry.SetDWord(kHklm, kExplorer, "NoDriveTypeAutoRun", *machine);
            }
            if (user) {
                registry.SetDWord(kHkcu, kExplorer, "NoDriveTypeAutoRun", *user);
            }
            for (const Switch which : {Switch::WriteProtect, Switch::UsbLock, Switch::Autorun}) {
                const bool windowless = IsSwitchOn(which);
                EXPECT_EQ(windowless, WindowShowsOn(which))
                    << static_cast<int>(which) << " " << machine.value_or(99) << " "
                    << user.value_or(99);
            }
        }
    }
}

TEST_F(WindowlessSwitchTest, StatusReadsWriteNothing) {
    log.clear();
    (void)IsSwitchOn(Switch::WriteProtect);
    (void)IsSwitchOn(Switch::UsbLock);
    (void)IsSwitchOn(Switch::Autorun);
    EXPECT_EQ(log, std::vector<std::string>{}); // no key created, no value set
}

TEST_F(WindowlessSwitchTest, SetStoresWhatTheButtonStores) {
    struct Case {
        Switch which;
        bool on;
        std::vector<std::string> calls; // creations and writes, in order
    };
    const std::string policies = "create " + kMachine + "\\" + kPolicies;
    const std::string usbStor = "create " + kMachine + "\\" + kUsbStor;
    const std::string machineExplorer = "create " + kMachine + "\\" + kExplorer;
    const std::string userExplorer = "create HKEY_CURRENT_USER\\" + kExplorer;
    const Case cases[] = {
        // Nothing stored yet: the key is created first, as the window's read does.
        {Switch::WriteProtect, true, {policies, "set WriteProtect 1"}},
        {Switch::WriteProtect, false, {"set WriteProtect 0"}},
        {Switch::UsbLock, true, {usbStor, "set Start 4"}},
        {Switch::UsbLock, false, {"set Start 3"}},
        {Switch::Autorun,
         false,
         {machineExplorer, "set NoDriveTypeAutoRun 255", userExplorer,
          "set NoDriveTypeAutoRun 255"}},
        {Switch::Autorun,
         true,
         {machineExplorer, "set NoDriveTypeAutoRun 0", userExplorer, "set NoDriveTypeAutoRun 0"}},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(SetSwitch(c.which, c.on), std::vector<std::int32_t>{});
        EXPECT_EQ(log, c.calls);
        EXPECT_EQ(IsSwitchOn(c.which), c.on);
    }
}

TEST_F(WindowlessSwitchTest, SetGivesTheFailuresOfItsWritesOnly) {
    // The read before the write fails (no value): not a failure of the change.
    registry.InjectFault({.call = kv::test::RegCall::OpenKeyEx,
                          .result = 5,
                          .root = kHklm,
                          .access = reg::kKeyWrite});
    EXPECT_EQ(SetSwitch(Switch::UsbLock, true), std::vector<std::int32_t>{5});
    EXPECT_FALSE(IsSwitchOn(Switch::UsbLock));

    // Autorun: the machine-wide write refused, the per-user one still made.
    EXPECT_EQ(SetSwitch(Switch::Autorun, false), std::vector<std::int32_t>{5});
    EXPECT_EQ(registry.GetDWord(kHkcu, kExplorer, "NoDriveTypeAutoRun"), 255u);
    EXPECT_EQ(kv::reg::mdl_RegFunctions::TakeFailures(), std::vector<std::int32_t>{});
}

} // namespace
} // namespace kv::protection::testing
