// Opening an address: from this process only when it is not elevated; elevated, through
// the desktop's shell, else copied to the clipboard and the user told.

#include "ui/web_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::ui {
namespace {

struct Recorded {
    std::vector<std::wstring> ownToken, unelevated, copied, told;
};

WebOpener Fake(Recorded& seen, bool elevated, HRESULT unelevatedResult, bool copyWorks) {
    return {[elevated] { return elevated; },
            [&seen](HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                    const wchar_t* directory, int show) {
                EXPECT_EQ(std::wstring(verb), L"Open");
                EXPECT_FALSE(parameters);
                EXPECT_FALSE(directory);
                EXPECT_EQ(show, SW_SHOW);
                seen.ownToken.emplace_back(file);
                return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
            },
            [&seen, unelevatedResult](std::wstring_view address) {
                seen.unelevated.emplace_back(address);
                return unelevatedResult;
            },
            [&seen, copyWorks](HWND, std::wstring_view text) {
                seen.copied.emplace_back(text);
                return copyWorks;
            },
            [&seen](std::wstring_view text) {
                seen.told.emplace_back(text);
            }};
}

TEST(OpenWebAddress, TakesTheWayThatFitsTheToken) {
    const std::wstring address = L"http://example.com/a?b=1&c=2";
    struct Case {
        const char* name;
        bool elevated;
        HRESULT unelevatedResult;
        bool copyWorks;
        size_t ownToken, unelevated, copied;
        const wchar_t* told; // part of the message, or nullptr for none
    };
    const Case cases[] = {
        {"not elevated: as ever", false, E_FAIL, true, 1, 0, 0, nullptr},
        {"elevated: the desktop's shell", true, S_OK, true, 0, 1, 0, nullptr},
        {"elevated, no shell: copied", true, E_NOINTERFACE, true, 0, 1, 1, L"copied"},
        {"elevated, no clipboard either", true, E_FAIL, false, 0, 1, 1, L"Type it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorded seen;
        OpenWebAddress(nullptr, address, Fake(seen, c.elevated, c.unelevatedResult, c.copyWorks));
        EXPECT_EQ(seen.ownToken.size(), c.ownToken);
        EXPECT_EQ(seen.unelevated.size(), c.unelevated);
        EXPECT_EQ(seen.copied.size(), c.copied);
        for (const auto* calls : {&seen.ownToken, &seen.unelevated, &seen.copied}) {
            for (const std::wstring& given : *calls) {
                EXPECT_EQ(given, address);
            }
        }
        ASSERT_EQ(seen.told.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_NE(seen.told[0].find(c.told), std::wstring::npos);
            EXPECT_TRUE(seen.told[0].ends_with(address));
        }
    }
}

} // namespace
} // namespace kv::ui
