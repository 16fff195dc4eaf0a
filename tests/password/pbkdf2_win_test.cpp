#include "password/pbkdf2_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::password {
namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string DeriveHex(std::string_view password, std::string_view salt, std::uint32_t count,
                      std::size_t length) {
    std::vector<std::uint8_t> key(length);
    const std::vector<std::uint8_t> salt_bytes(salt.begin(), salt.end());
    CngKeyDeriver deriver;
    if (!deriver.Derive(password, salt_bytes, count, key))
        return "failed";
    return Hex(key);
}

TEST(CngKeyDeriver, GivesPublishedPbkdf2HmacSha256Answers) {
    EXPECT_EQ(DeriveHex("password", "salt", 1, 32),
              "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
    EXPECT_EQ(DeriveHex("password", "salt", 2, 32),
              "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");
    EXPECT_EQ(DeriveHex("password", "salt", 4096, 32),
              "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
    EXPECT_EQ(DeriveHex("passwd", "salt", 1, 64),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
}

// Stored texts made by an independent PBKDF2 implementation (salt 00 01 .. 0f, 1000
// rounds), so the whole path from typed units to key is checked, not just CNG.
TEST(VerifyPassword, AcceptsStoredFormsMadeElsewhere) {
    const std::wstring salt = L"pbkdf2-sha256$1000$AAECAwQFBgcICQoLDA0ODw==$";
    const std::wstring horse = salt + L"yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQ=";
    EXPECT_TRUE(VerifyPassword(horse, L"correct horse"));
    EXPECT_FALSE(VerifyPassword(horse, L"Correct horse"));
    EXPECT_FALSE(VerifyPassword(horse, L"correct horse "));
    EXPECT_FALSE(VerifyPassword(horse, L""));

    const std::wstring blanks = salt + L"D4nM8XXIsCSEBILzIVG7eVIPctgQ04mQ0785guXHMkQ=";
    EXPECT_TRUE(VerifyPassword(blanks, L"   "));
    EXPECT_FALSE(VerifyPassword(blanks, L"  "));
    EXPECT_FALSE(VerifyPassword(blanks, L"    "));

    // "pässwörd пароль" and U+1F600 as the window hands it over: a surrogate pair.
    const std::wstring unicode = salt + L"vkLq0DviiNPGRyzUA8TxzTYkQUpoL3C/5LtZm71bPCo=";
    const std::wstring typed = L"p\u00e4ssw\u00f6rd \u043f\u0430\u0440\u043e\u043b\u044c "
                               L"\xD83D\xDE00";
    EXPECT_TRUE(VerifyPassword(unicode, typed));
    EXPECT_FALSE(VerifyPassword(unicode, typed.substr(0, typed.size() - 1)));
    EXPECT_FALSE(VerifyPassword(unicode, L"p\u00e4ssw\u00f6rd ?????? ??"));
}

TEST(HashNewPassword, StoresASaltedFormThatOnlyTheTextOpens) {
    const std::wstring text = L"Kelvane 1";
    const auto first = HashNewPassword(text, 1000);
    const auto second = HashNewPassword(text, 1000);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(ClassifyStoredPassword(*first), StoredKind::Hashed);
    EXPECT_EQ(first->find(text), std::wstring::npos);
    EXPECT_NE(*first, *second); // fresh salt each time
    const auto parsed = ParseStoredPassword(*first);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->iterations, 1000u);

    EXPECT_TRUE(VerifyPassword(*first, text));
    EXPECT_TRUE(VerifyPassword(*second, text));
    for (const wchar_t* other : {L"kelvane 1", L"Kelvane 1 ", L" Kelvane 1", L"Kelvane1", L""})
        EXPECT_FALSE(VerifyPassword(*first, other));
}

TEST(HashNewPassword, KeepsBlanksAndNonAnsiText) {
    const auto blanks = HashNewPassword(L"   ", 1000);
    ASSERT_TRUE(blanks);
    EXPECT_TRUE(VerifyPassword(*blanks, L"   "));
    EXPECT_FALSE(VerifyPassword(*blanks, L" "));
    EXPECT_FALSE(VerifyPassword(*blanks, L""));

    // Cyrillic "пароль"; its look-alike spells "п", "а", "р", "о" with Latin letters.
    const std::wstring cyrillic = L"\u043f\u0430\u0440\u043e\u043b\u044c\xD83D\xDD11";
    const auto hashed = HashNewPassword(cyrillic, 1000);
    ASSERT_TRUE(hashed);
    EXPECT_TRUE(VerifyPassword(*hashed, cyrillic));
    EXPECT_FALSE(VerifyPassword(*hashed, L"\u043fap\u043e\u043b\u044c\xD83D\xDD11"));
    EXPECT_FALSE(VerifyPassword(*hashed, L"??????\xD83D\xDD11"));
}

TEST(HashNewPassword, UsesTheDefaultCountAndRefusesNonsense) {
    const auto hashed = HashNewPassword(L"x");
    ASSERT_TRUE(hashed);
    const auto parsed = ParseStoredPassword(*hashed);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->iterations, 600000u);
    EXPECT_TRUE(VerifyPassword(*hashed, L"x"));

    EXPECT_FALSE(HashNewPassword(L"", 1000)); // the empty text means no password
    EXPECT_FALSE(HashNewPassword(L"x", 0));
    EXPECT_FALSE(HashNewPassword(L"x", kMaxIterations + 1));
}

} // namespace
} // namespace kv::password
