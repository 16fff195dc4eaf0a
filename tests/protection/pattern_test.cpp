// What the three switches share: the numeric test on txtRegValue and the caption rule.

#include "protection/switch_pattern.h"
#include "tests/protection/switch_test_support.h"

#include <algorithm>
#include <optional>

namespace kv::protection::testing {
namespace {

struct NumberCase {
    const wchar_t* text;
    std::optional<std::int32_t> number;
};

class NumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTest, OnlyWholeSigned32BitDecimalsAreNumbers) {
    EXPECT_EQ(NumberFromText(GetParam().text), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberTest,
    ::testing::Values(NumberCase{L"0", 0}, NumberCase{L"255", 255}, NumberCase{L"-1", -1},
                      NumberCase{L"007", 7}, NumberCase{L"2147483647", 2147483647},
                      NumberCase{L"-2147483648", -2147483647 - 1},
                      NumberCase{L"2147483648", std::nullopt},
                      NumberCase{L"-2147483649", std::nullopt},
                      NumberCase{L"99999999999999999999", std::nullopt},
                      NumberCase{L"Error", std::nullopt}, NumberCase{L"", std::nullopt},
                      NumberCase{L"-", std::nullopt}, NumberCase{L"+1", std::nullopt},
                      NumberCase{L" 1", std::nullopt}, NumberCase{L"1 ", std::nullopt},
                      NumberCase{L"1.0", std::nullopt}, NumberCase{L"--1", std::nullopt},
                      NumberCase{L"\x0661", std::nullopt})); // a non-ASCII digit

struct CaptionCase {
    const SwitchOps* ops;
    const wchar_t* caption;
};

class OddCaptionTest : public SwitchTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(OddCaptionTest, WritesNothingButReadsAgain) {
    // Values whose read creates no key, so any creation or write would come from the click.
    registry.SetDWord(kHklm, kPolicies, "WriteProtect", 0);
    registry.SetDWord(kHklm, kUsbStor, "Start", 3);
    registry.SetDWord(kHklm, kExplorer, "NoDriveTypeAutoRun", 0);
    registry.SetDWord(kHkcu, kExplorer, "NoDriveTypeAutoRun", 0);
    view.button = GetParam().caption;
    GetParam().ops->click(view);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& e) {
                                return e.starts_with("set ") || e.starts_with("create ");
                            }),
              0);
    EXPECT_NE(view.button, GetParam().caption); // the read put a proper caption back
}

INSTANTIATE_TEST_SUITE_P(Captions, OddCaptionTest,
                         ::testing::Values(CaptionCase{&kWriteProtect, L"&enable"},
                                           CaptionCase{&kWriteProtect, L"Enable"},
                                           CaptionCase{&kWriteProtect, L"&Enable "},
                                           CaptionCase{&kLock, L"&Enable"},
                                           CaptionCase{&kLock, L"&LOCK"},
                                           CaptionCase{&kAutorun, L"&disable"},
                                           CaptionCase{&kAutorun, L""}));

} // namespace
} // namespace kv::protection::testing
