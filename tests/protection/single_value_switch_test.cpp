// Write protection and the storage lock: one DWORD each, read through txtRegValue.

#include "tests/protection/switch_test_support.h"

#include <optional>

namespace kv::protection::testing {
namespace {

const Shown kOn{L"Enabled", kGreenRgb, StatusImage::Green, L"&Disable"};
const Shown kOff{L"Disabled", kRedRgb, StatusImage::Red, L"&Enable"};
const Shown kLocked{L"Locked", kRedRgb, StatusImage::Red, L"&Unlock"};
const Shown kUnlocked{L"Unlocked", kGreenRgb, StatusImage::Green, L"&Lock"};

struct Stored {
    bool key = true;
    std::optional<std::uint32_t> value;
};
const Stored kNoKey{false, std::nullopt};
const Stored kNoValue{true, std::nullopt};
Stored Holding(std::uint32_t v) {
    return {true, v};
}

struct Single {
    const SwitchOps* ops;
    const std::string* subKey;
    const char* valueName;
};
const Single kWp{&kWriteProtect, &kPolicies, "WriteProtect"};
const Single kUsb{&kLock, &kUsbStor, "Start"};

class SingleValueSwitchTest : public SwitchTest {
protected:
    void Seed(const Single& sw, const Stored& stored) {
        if (stored.key) {
            registry.AddKey(kHklm, *sw.subKey);
        }
        if (stored.value) {
            registry.SetDWord(kHklm, *sw.subKey, sw.valueName, *stored.value);
        }
    }
    std::optional<std::uint32_t> Value(const Single& sw) const {
        return registry.GetDWord(kHklm, *sw.subKey, sw.valueName);
    }
    std::string Create(const Single& sw) const {
        return "create HKEY_LOCAL_MACHINE\\" + *sw.subKey;
    }
};

struct ReadCase {
    Single sw;
    Stored stored;
    Shown shown;
    const wchar_t* text; // txtRegValue afterwards
    bool createsKey;
};

class ReadTest : public SingleValueSwitchTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadTest, ShowsTheStateAndCreatesTheKeyOnlyWhenTold) {
    const ReadCase& c = GetParam();
    Seed(c.sw, c.stored);
    c.sw.ops->read(view);
    ExpectShown(c.shown);
    EXPECT_EQ(view.regValue, c.text);
    EXPECT_EQ(Count(Create(c.sw)), c.createsKey ? 1u : 0u);
    EXPECT_TRUE(registry.KeyExists(kHklm, *c.sw.subKey));
    // Only a failed read leaves a line.
    EXPECT_EQ(errors, c.stored.value ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Invalid Key Name"});
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadTest,
    ::testing::Values(ReadCase{kWp, kNoKey, kOff, L"Error", true},
                      ReadCase{kWp, kNoValue, kOff, L"Error", true},
                      ReadCase{kWp, Holding(1), kOn, L"1", false},
                      ReadCase{kWp, Holding(0), kOff, L"0", false},
                      ReadCase{kWp, Holding(2), kOff, L"2", true},
                      ReadCase{kWp, Holding(0xFFFFFFFF), kOff, L"-1", true},
                      ReadCase{kUsb, kNoKey, kUnlocked, L"Error", true},
                      ReadCase{kUsb, kNoValue, kUnlocked, L"Error", true},
                      ReadCase{kUsb, Holding(4), kLocked, L"4", false},
                      ReadCase{kUsb, Holding(3), kUnlocked, L"3", false},
                      // The driver's other start types all load it: storage is usable.
                      ReadCase{kUsb, Holding(0), kUnlocked, L"0", false},
                      ReadCase{kUsb, Holding(1), kUnlocked, L"1", false},
                      ReadCase{kUsb, Holding(2), kUnlocked, L"2", false},
                      ReadCase{kUsb, Holding(0xFFFFFFFF), kUnlocked, L"-1", false}));

struct ClickCase {
    Single sw;
    Stored stored;
    int clicks;
    std::uint32_t written;
    Shown shown;
};

class ClickTest : public SingleValueSwitchTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickTest, WritesWhatTheCaptionAsksAndShowsTheResult) {
    const ClickCase& c = GetParam();
    Seed(c.sw, c.stored);
    c.sw.ops->read(view);
    for (int i = 0; i < c.clicks; ++i) {
        c.sw.ops->click(view);
    }
    EXPECT_EQ(Value(c.sw), c.written);
    ExpectShown(c.shown);
}

INSTANTIATE_TEST_SUITE_P(Values, ClickTest,
                         ::testing::Values(ClickCase{kWp, kNoKey, 1, 1, kOn},
                                           ClickCase{kWp, Holding(1), 1, 0, kOff},
                                           ClickCase{kWp, Holding(0xFFFFFFFF), 1, 1, kOn},
                                           ClickCase{kWp, Holding(2), 2, 0, kOff},
                                           ClickCase{kUsb, kNoKey, 1, 4, kLocked},
                                           ClickCase{kUsb, Holding(4), 1, 3, kUnlocked},
                                           ClickCase{kUsb, Holding(4), 2, 4, kLocked},
                                           ClickCase{kUsb, Holding(2), 1, 4, kLocked}));

class DeniedTest : public SingleValueSwitchTest, public ::testing::WithParamInterface<Single> {};

TEST_P(DeniedTest, LeavesTheDisplayAndAddsOneLine) {
    const Single& sw = GetParam();
    Seed(sw, Holding(3)); // neither switch's "on" value
    sw.ops->read(view);
    const RecordingView before = view;
    registry.InjectFault(
        {.call = kv::test::RegCall::OpenKeyEx, .result = 5, .access = reg::kKeyWrite});
    sw.ops->click(view);
    EXPECT_EQ(errors, std::vector<std::string>{"Access to this key is denied"});
    EXPECT_EQ(Value(sw), 3u);
    EXPECT_EQ(view.caption, before.caption);
    EXPECT_EQ(view.colour, before.colour);
    EXPECT_EQ(view.button, before.button);
    EXPECT_EQ(view.greenVisible, before.greenVisible);
    EXPECT_EQ(view.redVisible, before.redVisible);
}

INSTANTIATE_TEST_SUITE_P(Switches, DeniedTest, ::testing::Values(kWp, kUsb));

TEST_F(SingleValueSwitchTest, StepsRunInTheirOrder) {
    enum Action { kRead, kToggle };
    const auto run = [&](const Single& sw, const Stored& stored, Action action) {
        Seed(sw, stored);
        log.clear();
        if (action == kRead) {
            sw.ops->read(view);
        } else {
            sw.ops->click(view);
        }
        return log;
    };
    using Log = std::vector<std::string>;
    EXPECT_EQ(run(kWp, kNoValue, kRead),
              (Log{"hide green", "hide red", "text Error", "text?", Create(kWp), "label Disabled",
                   "colour 192,0,0", "show red", "button &Enable"}));
    // Each comparison reads txtRegValue afresh.
    EXPECT_EQ(run(kWp, Holding(0), kRead),
              (Log{"hide green", "hide red", "text 0", "text?", "text?", "text?", "label Disabled",
                   "colour 192,0,0", "show red", "button &Enable"}));
    EXPECT_EQ(run(kWp, Holding(0), kToggle),
              (Log{"button?", "set WriteProtect 1", "hide green", "hide red", "text 1", "text?",
                   "text?", "label Enabled", "colour 0,128,0", "show green", "button &Disable"}));
    EXPECT_EQ(run(kUsb, Holding(4), kRead),
              (Log{"hide red", "hide green", "text 4", "text?", "text?", "label Locked",
                   "colour 192,0,0", "show red", "button &Unlock"}));
    EXPECT_EQ(
        run(kUsb, Holding(4), kToggle),
        (Log{"button?", "button?", "set Start 3", "hide red", "hide green", "text 3", "text?",
             "text?", "text?", "label Unlocked", "colour 0,128,0", "show green", "button &Lock"}));
}

TEST_F(SingleValueSwitchTest, AFailingControlReachesTheCaller) {
    // The start-up sequence abandons the step; nothing after the failure runs.
    for (const Single& sw : {kWp, kUsb}) {
        RecordingView failing(log);
        failing.failStep = 3; // reading txtRegValue back
        log.clear();
        EXPECT_THROW(sw.ops->read(failing), std::runtime_error) << sw.ops->name;
        EXPECT_EQ(log.back(), "failed text?");
    }
}

} // namespace
} // namespace kv::protection::testing
