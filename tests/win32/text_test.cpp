// The shared text rules: narrow texts widened without inventing letters, and names compared
// as Windows compares them.
#include "win32/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kv::win32::SameIgnoringCase;
using kv::win32::Widened;

TEST(Widened, KeepsAsciiAndMarksEveryOtherByte) {
    struct Case {
        std::string narrow;
        std::wstring wide;
    };
    const Case cases[] = {
        {"", L""},
        {"Can't Write Key", L"Can't Write Key"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
        {"\x7F", L"\x7F"},
        // A Windows-1252 e-acute and a UTF-8 one: neither may come out as a Latin-1 letter,
        // nor as a C1 control (0x9B would start a terminal escape).
        {"caf\xE9", L"caf\xFFFD"},
        {"caf\xC3\xA9", L"caf\xFFFD\xFFFD"},
        {"\x9B"
         "2J",
         L"\xFFFD"
         L"2J"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Widened(c.narrow), c.wide) << c.narrow;
    }
}

TEST(SameIgnoringCase, ComparesWholeNamesWithoutRegardToCase) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        bool same;
    };
    const Case cases[] = {
        {L"USBSTOR", L"usbstor", true},
        {L"UASPStor", L"UASPSTOR", true},
        {L"", L"", true},
        {L"USBSTOR", L"USBSTOR2", false},
        {L"USBSTO", L"USBSTOR", false},
        {L"sdstor", L"sdbus", false},
        {L"USBSTOR", L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameIgnoringCase(c.a, c.b), c.same) << c.a << L" / " << c.b;
        EXPECT_EQ(SameIgnoringCase(c.b, c.a), c.same) << c.b << L" / " << c.a;
    }
}

} // namespace
