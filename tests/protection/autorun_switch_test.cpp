// Autorun: the same value machine-wide and per-user; either one at 255 disables autorun.

#include "tests/protection/switch_test_support.h"

#include <optional>

namespace kv::protection::testing {
namespace {

const Shown kEnabled{L"Enabled", kGreenRgb, StatusImage::Green, L"&Disable"};
const Shown kDisabled{L"Disabled", kRedRgb, StatusImage::Red, L"&Enable"};
const char* const kName = "NoDriveTypeAutoRun";

constexpr std::int64_t kNoKey = -2;
constexpr std::int64_t kNoValue = -1;

class AutorunTest : public SwitchTest {
protected:
    void SeedOne(reg::RootValue root, std::int64_t stored) {
        if (stored != kNoKey) {
            registry.AddKey(root, kExplorer);
        }
        if (stored >= 0) {
            registry.SetDWord(root, kExplorer, kName, static_cast<std::uint32_t>(stored));
        }
    }
    void Seed(std::int64_t machine, std::int64_t user) {
        SeedOne(kHklm, machine);
        SeedOne(kHkcu, user);
    }
    std::optional<std::uint32_t> Value(reg::RootValue root) const {
        return registry.GetDWord(root, kExplorer, kName);
    }
};

struct ReadCase {
    std::int64_t machine;
    std::int64_t user;
    Shown shown;
    std::size_t lines;
};

class AutorunReadTest : public AutorunTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(AutorunReadTest, ShowsDisabledWhenEitherValueIs255) {
    const ReadCase& c = GetParam();
    Seed(c.machine, c.user);
    ReadSwitch(Switch::Autorun, view);
    ExpectShown(c.shown);
    EXPECT_EQ(errors.size(), c.lines);
    // txtRegValue keeps the per-user text; a read creates nothing.
    EXPECT_EQ(view.regValue,
              c.user >= 0 ? std::to_wstring(static_cast<std::int32_t>(c.user)) : L"Error");
    EXPECT_EQ(registry.KeyExists(kHklm, kExplorer), c.machine != kNoKey);
    EXPECT_EQ(registry.KeyExists(kHkcu, kExplorer), c.user != kNoKey);
}

INSTANTIATE_TEST_SUITE_P(
    Values, AutorunReadTest,
    ::testing::Values(ReadCase{255, 255, kDisabled, 0}, ReadCase{255, 0, kDisabled, 0},
                      ReadCase{0, 255, kDisabled, 0}, ReadCase{0, 0, kEnabled, 0},
                      ReadCase{145, 145, kEnabled, 0}, ReadCase{0xFFFFFFFF, 511, kEnabled, 0},
                      ReadCase{255, kNoValue, kDisabled, 1},
                      // Unreadable values do not count as 255.
                      ReadCase{kNoValue, kNoValue, kEnabled, 2},
                      ReadCase{kNoKey, kNoKey, kEnabled, 2}));

struct ClickCase {
    std::int64_t machine;
    std::int64_t user;
    std::uint32_t written;
    Shown shown;
};

class AutorunClickTest : public AutorunTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(AutorunClickTest, WritesBothValuesCreatingMissingKeys) {
    const ClickCase& c = GetParam();
    Seed(c.machine, c.user);
    ReadSwitch(Switch::Autorun, view);
    ToggleSwitch(Switch::Autorun, view);
    EXPECT_EQ(Value(kHklm), c.written);
    EXPECT_EQ(Value(kHkcu), c.written);
    ExpectShown(c.shown);
}

INSTANTIATE_TEST_SUITE_P(Values, AutorunClickTest,
                         ::testing::Values(ClickCase{kNoKey, kNoKey, 255, kDisabled},
                                           ClickCase{0, 0, 255, kDisabled},
                                           ClickCase{255, 0, 0, kEnabled},
                                           ClickCase{255, 255, 0, kEnabled}));

TEST_F(AutorunTest, DeniedMachineWideWriteStillWritesPerUser) {
    Seed(0, 0);
    ReadSwitch(Switch::Autorun, view);
    registry.InjectFault({.call = kv::test::RegCall::OpenKeyEx,
                          .result = 5,
                          .root = kHklm,
                          .access = reg::kKeyWrite});
    ToggleSwitch(Switch::Autorun, view); // "&Disable"
    EXPECT_EQ(errors, std::vector<std::string>{"Access to this key is denied"});
    EXPECT_EQ(Value(kHklm), 0u);
    EXPECT_EQ(Value(kHkcu), 255u);
    ExpectShown(kDisabled);
    // Enabling again clears only the per-user value: still shown disabled.
    registry.SetDWord(kHklm, kExplorer, kName, 255);
    ToggleSwitch(Switch::Autorun, view);
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(Value(kHkcu), 0u);
    ExpectShown(kDisabled);
}

TEST_F(AutorunTest, StepsRunInTheirOrder) {
    Seed(kNoKey, kNoKey);
    ToggleSwitch(Switch::Autorun, view);
    EXPECT_EQ(log,
              (std::vector<std::string>{"button?", "button?", "hide red", "hide green",
                                        "text Error", "text?", "text Error", "text?", "show green",
                                        "label Enabled", "colour 0,128,0", "button &Disable"}));
    log.clear();
    ToggleSwitch(Switch::Autorun, view);
    EXPECT_EQ(
        log, (std::vector<std::string>{
                 "button?", "create HKEY_LOCAL_MACHINE\\" + kExplorer, "set NoDriveTypeAutoRun 255",
                 "create HKEY_CURRENT_USER\\" + kExplorer, "set NoDriveTypeAutoRun 255", "hide red",
                 "hide green", "text 255", "text?", "text 255", "text?", "show red",
                 "label Disabled", "colour 192,0,0", "button &Enable"}));
}

TEST_F(AutorunTest, AFailingStepDoesNotStopTheOthers) {
    Seed(255, 255); // either value alone decides the state, so one lost step changes nothing
    ReadSwitch(Switch::Autorun, view);
    const std::vector<std::string> steps = log;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::vector<std::string> expected = steps;
        expected[i] = "failed " + expected[i];
        RecordingView failing(log);
        failing.failStep = static_cast<int>(i);
        log.clear();
        ASSERT_NO_THROW(ReadSwitch(Switch::Autorun, failing));
        EXPECT_EQ(log, expected) << "failing step " << steps[i];
    }
}

TEST_F(AutorunTest, AFailingErrorListDoesNotStopTheRead) {
    kv::reg::mdl_RegFunctions::SetErrorSink(
        [](const std::string&) { throw std::runtime_error("list"); });
    Seed(kNoValue, 255);
    ASSERT_NO_THROW(ReadSwitch(Switch::Autorun, view));
    ExpectShown(kDisabled);
}

} // namespace
} // namespace kv::protection::testing
