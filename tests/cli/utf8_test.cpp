#include "cli/utf8.h"

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

// Wide text as Windows holds it: one wchar_t per UTF-16 code unit, also where wchar_t is
// 32 bits wide, so unpaired surrogates can be written on both.
std::wstring Utf16(std::initializer_list<unsigned> units) {
    std::wstring text;
    for (const unsigned unit : units) {
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

TEST(ToUtf8, SurrogatesPairOrBecomeReplacementCharacters) {
    EXPECT_EQ(ToUtf8(L"A\u00e9\u20ac"), "A\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(ToUtf8(Utf16({0xD83D, 0xDE00})), "\xf0\x9f\x98\x80"); // one emoji
    EXPECT_EQ(ToUtf8(Utf16({'a', 0xD800, 'b'})), "a\xef\xbf\xbd"
                                                 "b");
    EXPECT_EQ(ToUtf8(Utf16({0xDC00, 0xD800})), "\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(ToUtf8(Utf16({'x', 0xDBFF})), "x\xef\xbf\xbd");
}

TEST(FromUtf8, DecodesUtf8AndRefusesEverythingElse) {
    EXPECT_EQ(FromUtf8(""), L"");
    EXPECT_EQ(FromUtf8("p\xc3\xa4ss \xe2\x82\xac"), L"p\u00e4ss \u20ac");
    const auto emoji = FromUtf8("\xf0\x9f\x98\x80");
    ASSERT_TRUE(emoji);
    EXPECT_EQ(ToUtf8(*emoji), "\xf0\x9f\x98\x80");

    for (const std::string_view bad : {
             "\x80",             // stray continuation byte
             "\xc3",             // cut off
             "\xc0\xaf",         // overlong "/"
             "\xe0\x80\xaf",     // overlong "/"
             "\xed\xa0\x80",     // an encoded surrogate
             "\xf4\x90\x80\x80", // above U+10FFFF
             "\xff",             // never in UTF-8
             "ok\xe9",           // Latin-1, not UTF-8
         }) {
        EXPECT_FALSE(FromUtf8(bad)) << bad.size();
    }
}

TEST(FirstLine, EndsAtTheFirstLineBreakWithoutCrOrBom) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"secret", "secret"},
        {"secret\n", "secret"},
        {"secret\r\n", "secret"},
        {"secret\r\nmore\n", "secret"},
        {"\xef\xbb\xbfsecret\r\n", "secret"},
        {" two  words \n", " two  words "},
        {"\n", ""},
        {"", ""},
        {"a\rb\n", "a\rb"},
    };
    for (const auto& [input, line] : cases) {
        EXPECT_EQ(FirstLine(input), line) << input;
    }
}

// A password piped from cmd's echo arrives in the console's code page. What the line is
// taken as, with a stand-in for the system's decoder that says which code page it was asked.
TEST(DecodeInputLine, UsesUtf8WhenValidElseTheConsolesCodePage) {
    const CodePageDecoder decode = [](unsigned codePage,
                                      std::string_view bytes) -> std::optional<std::wstring> {
        return L"cp" + std::to_wstring(codePage) + L":" + std::to_wstring(bytes.size());
    };
    struct Case {
        const char* what;
        std::string_view line;
        unsigned consoleCodePage; // 0: no console
        unsigned oemCodePage;
        std::optional<std::wstring> text;
    };
    const Case cases[] = {
        {"ASCII", "pass word", 850, 437, L"pass word"},
        {"UTF-8 stays UTF-8 whatever the console", "P\xC3\xA4ss", 850, 437, L"P\u00e4ss"},
        {"cmd's echo in CP 850", "P\x84ss", 850, 437, L"cp850:4"},
        {"no console: the OEM code page", "P\x84ss", 0, 437, L"cp437:4"},
        {"a UTF-8 console cannot explain the bytes", "P\x84ss", 65001, 437, std::nullopt},
        {"nor a UTF-8 OEM code page", "P\x84ss", 0, 65001, std::nullopt},
        {"nothing to ask", "P\x84ss", 0, 0, std::nullopt},
        {"an empty line", "", 850, 437, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeInputLine(c.line, c.consoleCodePage, c.oemCodePage, decode), c.text);
    }
    EXPECT_EQ(DecodeInputLine("P\x84ss", 850, 437, nullptr), std::nullopt);
}

} // namespace
} // namespace kv::cli
