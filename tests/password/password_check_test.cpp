#include "password/password_check.h"
#include "password/password_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kv::password {
namespace {

// Gives `right_key` only for exactly the expected password, salt and count, and records
// what it was asked.
class FakeDeriver : public KeyDeriver {
public:
    bool Derive(std::string_view password, std::span<const std::uint8_t> salt,
                std::uint32_t iterations, std::span<std::uint8_t> key) override {
        ++calls;
        last_password.assign(password);
        const bool expected =
            password == password_ && iterations == hashed_.iterations &&
            std::equal(salt.begin(), salt.end(), hashed_.salt.begin(), hashed_.salt.end());
        if (expected && key.size() == kKeyBytes)
            std::copy(hashed_.key.begin(), hashed_.key.end(), key.begin());
        else
            std::fill(key.begin(), key.end(), std::uint8_t{0xEE});
        return succeed;
    }

    // The stored text under which `password` (UTF-8) is the right entry.
    std::wstring Store(std::string password) {
        password_ = std::move(password);
        hashed_.iterations = 1000;
        for (std::size_t i = 0; i < kSaltBytes; ++i)
            hashed_.salt[i] = static_cast<std::uint8_t>(3 * i + 1);
        for (std::size_t i = 0; i < kKeyBytes; ++i)
            hashed_.key[i] = static_cast<std::uint8_t>(i * i + 5);
        return ComposeStoredPassword(hashed_);
    }

    int calls = 0;
    bool succeed = true;
    std::string last_password;

private:
    std::string password_;
    HashedPassword hashed_;
};

TEST(PasswordMatches, LegacyTextComparesExactly) {
    FakeDeriver deriver;
    EXPECT_TRUE(PasswordMatches(L"abc", L"abc", deriver));
    for (const wchar_t* entry : {L"ABC", L"Abc", L"abc ", L" abc", L"ab", L"abcd", L""})
        EXPECT_FALSE(PasswordMatches(L"abc", entry, deriver)) << WideToUtf8(entry);
    EXPECT_TRUE(PasswordMatches(L" ", L" ", deriver));
    EXPECT_FALSE(PasswordMatches(L" ", L"", deriver));
    EXPECT_FALSE(PasswordMatches(L" ", L"  ", deriver));
    EXPECT_TRUE(PasswordMatches(L"\u043f\u0430\u0440\u043e\u043b\u044c",
                                L"\u043f\u0430\u0440\u043e\u043b\u044c", deriver));
    EXPECT_FALSE(PasswordMatches(L"\u043f\u0430\u0440\u043e\u043b\u044c",
                                 L"\u043f\u0430\u0440\u043e\u043b?", deriver));
    // Text that only resembles the prefix is an old plain password.
    EXPECT_TRUE(PasswordMatches(L"PBKDF2-SHA256$0$x$y", L"PBKDF2-SHA256$0$x$y", deriver));
    EXPECT_EQ(deriver.calls, 0);
}

TEST(PasswordMatches, DamagedHashedFormAcceptsNeitherThePasswordNorItsOwnText) {
    FakeDeriver deriver;
    const std::wstring good = deriver.Store("pw");
    const std::wstring prefix(kHashPrefix);
    const std::wstring damaged[] = {
        prefix + L"10000001" + good.substr(good.find(L'$', prefix.size())), // count above cap
        good.substr(0, good.size() - 5),                                    // truncated
        good.substr(0, good.size() - 2) + L"!=",                            // bad Base64
        good.substr(0, good.size() - 4),                                    // key too short
    };
    for (const auto& stored : damaged) {
        SCOPED_TRACE(WideToUtf8(stored));
        ASSERT_EQ(ClassifyStoredPassword(stored), StoredKind::Damaged);
        EXPECT_FALSE(PasswordMatches(stored, L"pw", deriver));
        EXPECT_FALSE(PasswordMatches(stored, stored, deriver));
    }
}

TEST(PasswordMatches, EmptyStoredTextAcceptsNothing) {
    FakeDeriver deriver;
    EXPECT_FALSE(PasswordMatches(L"", L"", deriver));
    EXPECT_FALSE(PasswordMatches(L"", L"x", deriver));
    EXPECT_EQ(deriver.calls, 0);
}

TEST(PasswordMatches, HashedFormDerivesWithStoredSaltAndCount) {
    FakeDeriver deriver;
    const std::wstring stored = deriver.Store("Secret 1");
    EXPECT_TRUE(PasswordMatches(stored, L"Secret 1", deriver));
    EXPECT_EQ(deriver.last_password, "Secret 1");
    for (const wchar_t* entry : {L"secret 1", L"Secret 1 ", L" Secret 1", L"Secret1", L"x"})
        EXPECT_FALSE(PasswordMatches(stored, entry, deriver)) << WideToUtf8(entry);
    // The stored text itself is no key to it.
    EXPECT_FALSE(PasswordMatches(stored, stored, deriver));
}

TEST(PasswordMatches, HashedFormRefusesEmptyEntryAndFailedDerivation) {
    FakeDeriver deriver;
    const std::wstring stored = deriver.Store("pw");
    EXPECT_FALSE(PasswordMatches(stored, L"", deriver));
    EXPECT_EQ(deriver.calls, 0);
    // A failure that still leaves the right bytes behind must not count.
    deriver.succeed = false;
    EXPECT_FALSE(PasswordMatches(stored, L"pw", deriver));
    EXPECT_EQ(deriver.calls, 1);
}

TEST(PasswordMatches, DerivesFromUtf8OfTheTypedUnits) {
    FakeDeriver deriver;
    const std::wstring stored = deriver.Store("\xd0\xbf\xc3\xa9 \xf0\x9f\x98\x80");
    const std::wstring typed{wchar_t(0x043F), wchar_t(0x00E9), L' ', wchar_t(0xD83D),
                             wchar_t(0xDE00)};
    EXPECT_TRUE(PasswordMatches(stored, typed, deriver));
    // Latin "e" for the accented one: a look-alike is another password.
    EXPECT_FALSE(PasswordMatches(
        stored, std::wstring{wchar_t(0x043F), L'e', L' ', wchar_t(0xD83D), wchar_t(0xDE00)},
        deriver));
    // An unpaired surrogate reaches the deriver without crashing and does not match.
    EXPECT_FALSE(PasswordMatches(stored, typed.substr(0, 4), deriver));
    EXPECT_EQ(deriver.last_password, "\xd0\xbf\xc3\xa9 \xed\xa0\xbd");
}

TEST(LoginGate, AsksWhenAPasswordIsStoredOrTheStoreIsUnreadable) {
    using S = StoreReadStatus;
    EXPECT_FALSE(LoginRequired({S::Missing, L"", 0}));
    EXPECT_FALSE(LoginRequired({S::Value, L"", 0}));
    EXPECT_TRUE(LoginRequired({S::Value, L" ", 0}));
    EXPECT_TRUE(LoginRequired({S::Value, L"pbkdf2-sha256$bad", 0}));
    EXPECT_TRUE(LoginRequired({S::Failed, L"", 5}));
}

TEST(LoginGate, UnreadableStoreAcceptsNoEntry) {
    using S = StoreReadStatus;
    FakeDeriver deriver;
    const std::wstring stored = deriver.Store("pw");
    EXPECT_TRUE(LoginAccepted({S::Value, stored, 0}, L"pw", deriver));
    EXPECT_FALSE(LoginAccepted({S::Value, stored, 0}, L"pW", deriver));
    EXPECT_TRUE(LoginAccepted({S::Value, L"old", 0}, L"old", deriver));
    for (const wchar_t* entry : {L"", L"pw", L"old"}) {
        EXPECT_FALSE(LoginAccepted({S::Failed, L"", 5}, entry, deriver));
        EXPECT_FALSE(LoginAccepted({S::Failed, stored, 5}, entry, deriver));
        EXPECT_FALSE(LoginAccepted({S::Missing, L"", 0}, entry, deriver));
    }
}

} // namespace
} // namespace kv::password
