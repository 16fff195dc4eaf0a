// What the windows may show of a stored password, and the wiping of password buffers.

#include "password/password_check.h"
#include "password/secret_text.h"
#include "password/stored_marker.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kv::password {
namespace {

TEST(StoredPasswordMarker, EmptyExactlyWhenNoLoginIsAskedForAndNeverTheText) {
    const std::wstring hashed =
        L"pbkdf2-sha256$1000$AAECAwQFBgcICQoLDA0ODw==$yRTMTwbMbo9G0VfjobWqerzuuxe7BETNTErBbKKumGQ=";
    const StoredPasswordRead reads[] = {
        {StoreReadStatus::Missing, L"", 0},  {StoreReadStatus::Value, L"", 0},
        {StoreReadStatus::Value, L" ", 0},   {StoreReadStatus::Value, L"Text1", 0},
        {StoreReadStatus::Value, hashed, 0}, {StoreReadStatus::Failed, L"", 5},
    };
    for (const StoredPasswordRead& read : reads) {
        SCOPED_TRACE(testing::PrintToString(read.text));
        const std::wstring marker = StoredPasswordMarker(read);
        EXPECT_EQ(marker.empty(), !LoginRequired(read));
        // One of three fixed texts: nothing of the stored text gets through.
        EXPECT_TRUE(marker.empty() || marker == kMarkerPasswordSet || marker == kMarkerUnreadable);
    }
    EXPECT_EQ(StoredPasswordMarker({StoreReadStatus::Value, L"x", 0}), kMarkerPasswordSet);
    EXPECT_EQ(StoredPasswordMarker({StoreReadStatus::Failed, L"", 2}), kMarkerUnreadable);
    EXPECT_NE(kMarkerPasswordSet, kMarkerUnreadable);
}

TEST(SecretText, FilledInPlaceTruncatedAndWiped) {
    SecretText secret;
    EXPECT_TRUE(secret.empty());
    wchar_t* buffer = secret.Resize(6);
    std::wmemcpy(buffer, L"abcdef", 6);
    EXPECT_EQ(secret.view(), L"abcdef");
    secret.Truncate(4);
    EXPECT_EQ(secret.view(), L"abcd");
    // What was cut off is overwritten, not merely left behind the end.
    EXPECT_EQ(buffer[4], L'\0');
    EXPECT_EQ(buffer[5], L'\0');
    secret.Truncate(10);
    EXPECT_EQ(secret.view(), L"abcd");

    // A longer text replaces a shorter one in a buffer of its own.
    std::wstring longer(100, L'x');
    wchar_t* bigger = secret.Resize(longer.size());
    std::wmemcpy(bigger, longer.data(), longer.size());
    EXPECT_EQ(secret.view(), longer);

    secret.Wipe();
    EXPECT_TRUE(secret.empty());
    for (std::size_t i = 0; i < longer.size(); ++i) {
        ASSERT_EQ(bigger[i], L'\0') << i; // the buffer is kept by the cleared string
    }
}

TEST(WipeText, OverwritesEveryCharacterAndEmpties) {
    std::wstring text(40, L'p');
    const wchar_t* data = text.data();
    WipeText(text);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.data(), data);
    for (std::size_t i = 0; i < 40; ++i) {
        ASSERT_EQ(data[i], L'\0') << i;
    }

    StoredPasswordRead read{StoreReadStatus::Value, L"legacy secret text", 0};
    WipeRead(read);
    EXPECT_TRUE(read.text.empty());
    EXPECT_EQ(read.status, StoreReadStatus::Value);
}

} // namespace
} // namespace kv::password
