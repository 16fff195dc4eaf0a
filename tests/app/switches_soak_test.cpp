// The main window's long click sequence on the three switches, run over the in-memory
// registry: every key the switches open is closed again, whatever the calls return, and
// the state keeps alternating as the clicks ask.

#include "protection/switches.h"
#include "registry/mdl_RegFunctions.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace kv::protection {
namespace {

constexpr int kClicksPerSwitch = 2000;

constexpr reg::RootValue kHklm = reg::kHkeyLocalMachine;
constexpr reg::RootValue kHkcu = reg::kHkeyCurrentUser;
const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
const std::string kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// One block of the window; the three share txtRegValue as the window's blocks do.
class Block final : public SwitchView {
public:
    Block(std::wstring& regValue, std::wstring buttonCaption)
        : button(std::move(buttonCaption)), regValue_(regValue) {}

    void SetImageVisible(StatusImage image, bool visible) override {
        (image == StatusImage::Green ? green : red) = visible;
    }
    void SetStatusCaption(const std::wstring& text) override { caption = text; }
    void SetStatusColour(Rgb rgb) override { colour = rgb; }
    std::wstring ButtonCaption() const override { return button; }
    void SetButtonCaption(const std::wstring& text) override { button = text; }
    void SetRegValueText(const std::wstring& text) override { regValue_ = text; }
    std::wstring RegValueText() const override { return regValue_; }

    bool green = true, red = true;
    std::wstring caption;
    Rgb colour{};
    std::wstring button;

private:
    std::wstring& regValue_;
};

struct Window {
    std::wstring txtRegValue = L"Text1";
    Block writeProtection{txtRegValue, L"&Enable"};
    Block lock{txtRegValue, L"&Lock"};
    Block autorun{txtRegValue, L"&Enable"};

    void Load() {
        ReadSwitch(Switch::WriteProtect, writeProtection);
        ReadSwitch(Switch::UsbLock, lock);
        ReadSwitch(Switch::Autorun, autorun);
    }
};

class SwitchSoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        kv::reg::mdl_RegFunctions::ResetStateForTesting();
        kv::reg::mdl_RegFunctions::SetErrorSink([this](const std::string&) { ++errorLines; });
        kv::reg::mdl_RegFunctions::SetRegistryApi(&registry);
    }
    void TearDown() override {
        kv::reg::mdl_RegFunctions::SetRegistryApi(nullptr);
        kv::reg::mdl_RegFunctions::SetErrorSink(nullptr);
    }

    // The window's sequence: load, then kClicksPerSwitch clicks on each switch, one after
    // the other in turn. before(i) runs before the i-th round of three clicks.
    void Soak(const std::function<void(int)>& before) {
        window.Load();
        for (int i = 0; i < kClicksPerSwitch; ++i) {
            before(i);
            ToggleSwitch(Switch::WriteProtect, window.writeProtection);
            ToggleSwitch(Switch::UsbLock, window.lock);
            ToggleSwitch(Switch::Autorun, window.autorun);
            registry.ClearCalls(); // the log of two thousand rounds is not needed
        }
    }

    kv::test::MemoryRegistry registry;
    Window window;
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
        const bool on = i % 2 == 1;
        ASSERT_EQ(window.writeProtection.caption, on ? L"Enabled" : L"Disabled") << i;
        ASSERT_EQ(window.lock.caption, on ? L"Locked" : L"Unlocked") << i;
        ASSERT_EQ(window.autorun.caption, on ? L"Disabled" : L"Enabled") << i;
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
