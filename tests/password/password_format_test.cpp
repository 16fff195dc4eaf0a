#include "password/password_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::password {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

HashedPassword Sample() {
    HashedPassword hashed;
    hashed.iterations = 1000;
    for (std::size_t i = 0; i < kSaltBytes; ++i)
        hashed.salt[i] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < kKeyBytes; ++i)
        hashed.key[i] = static_cast<std::uint8_t>(0xF0 - 7 * i);
    return hashed;
}

const std::wstring kSalt = L"AAECAwQFBgcICQoLDA0ODw==";
const std::wstring kKey = L"yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQ=";

TEST(Base64, MatchesPublishedVectorsBothWays) {
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(EncodeBase64(Bytes(plain)), encoded);
        EXPECT_EQ(DecodeBase64(encoded), Bytes(plain)) << encoded;
    }
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<std::uint8_t>(255 - i));
        EXPECT_EQ(DecodeBase64(EncodeBase64(all)), all) << i;
    }
}

TEST(Base64, RejectsAnythingButCanonicalPaddedText) {
    for (const char* bad :
         {"Z", "Zg", "Zg=", "Zg===", "Z===", "====", "Zh==", "Zm9=", "Zm=v", "=Zm9",
          "Zg==Zg==", "Zm9 ", " Zm9v", "Zm9v\n", "Zm-v", "Zm_v", "Zm9v====", "Zm\x80v"})
        EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

TEST(StoredForm, ComposesAndParsesTheExactText) {
    const std::wstring text = L"pbkdf2-sha256$1000$" + kSalt + L"$" + kKey;
    const auto parsed = ParseStoredPassword(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->iterations, 1000u);
    EXPECT_EQ(EncodeBase64(parsed->salt), "AAECAwQFBgcICQoLDA0ODw==");
    EXPECT_EQ(ComposeStoredPassword(*parsed), text);

    const HashedPassword sample = Sample();
    const auto back = ParseStoredPassword(ComposeStoredPassword(sample));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->iterations, sample.iterations);
    EXPECT_EQ(back->salt, sample.salt);
    EXPECT_EQ(back->key, sample.key);
    EXPECT_EQ(HashedPassword{}.iterations, 600000u);
    EXPECT_EQ(kDefaultIterations, 600000u);
}

TEST(StoredForm, AcceptsIterationCountsFromOneToTheBound) {
    for (std::uint32_t count : {1u, 2u, kDefaultIterations, kMaxIterations}) {
        HashedPassword hashed = Sample();
        hashed.iterations = count;
        const auto parsed = ParseStoredPassword(ComposeStoredPassword(hashed));
        ASSERT_TRUE(parsed) << count;
        EXPECT_EQ(parsed->iterations, count);
    }
}

TEST(StoredForm, RejectsMalformedText) {
    const std::wstring salt15 = L"AAECAwQFBgcICQoLDA0O";     // 15 bytes
    const std::wstring salt17 = L"AAECAwQFBgcICQoLDA0ODxA="; // 17 bytes
    const std::wstring key31 = L"yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumA==";
    const std::wstring key33 = L"yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQA";
    const std::wstring good = L"$" + kSalt + L"$" + kKey;
    const std::wstring bad[] = {
        L"pbkdf2-sha256$",
        L"pbkdf2-sha256",
        L"PBKDF2-SHA256$1000" + good,
        L"pbkdf2-sha1$1000" + good,
        L" pbkdf2-sha256$1000" + good,
        L"pbkdf2-sha256$1000" + good + L" ",
        L"pbkdf2-sha256$1000" + good + L"\n",
        L"pbkdf2-sha256$1000" + good + L"$",
        L"pbkdf2-sha256$1000$" + kSalt,
        L"pbkdf2-sha256$1000$" + kSalt + L"$",
        L"pbkdf2-sha256$" + good,
        L"pbkdf2-sha256$$1000" + good,
        L"pbkdf2-sha256$0" + good,
        L"pbkdf2-sha256$01000" + good,
        L"pbkdf2-sha256$-1000" + good,
        L"pbkdf2-sha256$+1000" + good,
        L"pbkdf2-sha256$ 1000" + good,
        L"pbkdf2-sha256$1e3" + good,
        L"pbkdf2-sha256$10000001" + good,
        L"pbkdf2-sha256$4294967296" + good,
        L"pbkdf2-sha256$99999999999999999999999" + good,
        L"pbkdf2-sha256$1000$" + salt15 + L"$" + kKey,
        L"pbkdf2-sha256$1000$" + salt17 + L"$" + kKey,
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + key31,
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + key33,
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + kKey.substr(1),
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + kKey.substr(0, 43) + L"!",
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + kKey.substr(0, 43) + L"\u00e9",
        L"pbkdf2-sha256$1000$" + kSalt + L"$" + kKey.substr(0, 43) + L"\uff1d",
        std::wstring(L"pbkdf2-sha256$1000$") + kSalt + L"$" + kKey + std::wstring(1, L'\0'),
    };
    for (const auto& text : bad) {
        EXPECT_FALSE(ParseStoredPassword(text)) << WideToUtf8(text);
        // Only text without the exact prefix is an older plain password.
        EXPECT_EQ(ClassifyStoredPassword(text),
                  text.starts_with(kHashPrefix) ? StoredKind::Damaged : StoredKind::Legacy)
            << WideToUtf8(text);
    }
}

TEST(StoredForm, ClassifiesEmptyLegacyAndHashed) {
    EXPECT_EQ(ClassifyStoredPassword(L""), StoredKind::NoPassword);
    EXPECT_EQ(ClassifyStoredPassword(L" "), StoredKind::Legacy);
    EXPECT_EQ(ClassifyStoredPassword(L"secret"), StoredKind::Legacy);
    EXPECT_EQ(ClassifyStoredPassword(ComposeStoredPassword(Sample())), StoredKind::Hashed);
}

TEST(ConstantTimeEqual, ComparesEveryByteAndTheLength) {
    const auto a = Bytes("abcdef");
    EXPECT_TRUE(ConstantTimeEqual(a, Bytes("abcdef")));
    EXPECT_TRUE(ConstantTimeEqual(Bytes(""), Bytes("")));
    EXPECT_FALSE(ConstantTimeEqual(a, Bytes("Abcdef")));
    EXPECT_FALSE(ConstantTimeEqual(a, Bytes("abcdeF")));
    EXPECT_FALSE(ConstantTimeEqual(a, Bytes("abcde")));
    EXPECT_FALSE(ConstantTimeEqual(a, Bytes("abcdef ")));
    EXPECT_FALSE(ConstantTimeEqual(Bytes(""), Bytes(" ")));
}

TEST(WideToUtf8, EncodesBmpTextAndSurrogatePairs) {
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(WideToUtf8(L"Ab 1"), "Ab 1");
    EXPECT_EQ(Hex(WideToUtf8(L"\u00e9\u20ac\u043f")), "c3a9e282acd0bf");
    EXPECT_EQ(Hex(WideToUtf8(L"\uffff")), "efbfbf");
    // The pair as UTF-16 units, as a window hands it over, and as one literal (a pair
    // on Windows, one unit where wchar_t is 32 bits): the same bytes either way.
    const std::wstring pair{wchar_t(0xD83D), wchar_t(0xDE00)};
    EXPECT_EQ(Hex(WideToUtf8(pair)), "f09f9880");
    EXPECT_EQ(Hex(WideToUtf8(L"\U0001F600")), "f09f9880");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)})), "f48fbfbf");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{wchar_t(0xD800), wchar_t(0xDC00)})), "f0908080");
}

TEST(WideToUtf8, KeepsUnpairedSurrogatesDistinct) {
    const wchar_t high = wchar_t(0xD83D), low = wchar_t(0xDE00);
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{high})), "eda0bd");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{low})), "edb880");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{high, L'a'})), "eda0bd61");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{low, high})), "edb880eda0bd");
    EXPECT_EQ(Hex(WideToUtf8(std::wstring{high, high, low})), "eda0bdf09f9880");
    EXPECT_NE(WideToUtf8(std::wstring{high}), WideToUtf8(std::wstring{wchar_t(0xD83E)}));
    EXPECT_NE(WideToUtf8(std::wstring{high}), WideToUtf8(L"\ufffd"));
}

} // namespace
} // namespace kv::password
