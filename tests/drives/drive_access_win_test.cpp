// Windows' answer on a drive: the decision from real security descriptors and the user's
// own token, and the real question on real drive letters under Wine.

#include "drives/drive_access_win.h"
#include "drives/drive_source_win.h"
#include "tests/drives/wine_drive.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

namespace kv::drives {
namespace {

struct LocalDescriptor {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ~LocalDescriptor() { ::LocalFree(sd); }
};

// An identification copy of the test's own token, as the source makes one.
HANDLE OwnToken() {
    HANDLE process = nullptr;
    HANDLE copy = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process)) {
        ::DuplicateToken(process, SecurityIdentification, &copy);
        ::CloseHandle(process);
    }
    return copy;
}

TEST(DriveAccess, DecidedFromTheDescriptorAndTheUsersToken) {
    using A = Answer;
    // 0x10116: write data, append, write attributes, write extended attributes, delete: the
    // deny entry Windows' removable-storage policy gives interactive users (IU); the same
    // entry for the test's own group of everyone (WD), since a test's token need not be
    // interactive.
    struct Case {
        const wchar_t* sddl;
        DriveAccess expected;
    };
    const Case cases[] = {
        {L"O:BAG:SYD:(D;;0x10116;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)",
         {A::Denied, A::Allowed}},
        {L"O:BAG:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)", {A::Allowed, A::Allowed}},
        {L"O:BAG:SYD:(D;;FA;;;WD)(A;;FA;;;WD)", {A::Denied, A::Denied}},
        {L"O:BAG:SYD:(D;;0x1;;;WD)(A;;FA;;;WD)", {A::Allowed, A::Denied}},
        {L"O:BAG:SYD:", {A::Denied, A::Denied}}, // an empty list grants nothing
        {L"O:BAG:SY", {A::Allowed, A::Allowed}}, // no list at all grants everything
        // Without owner and group AccessCheck cannot judge: not a denial.
        {L"D:(D;;FA;;;WD)", {A::Unknown, A::Unknown}},
    };
    const HANDLE token = OwnToken();
    ASSERT_NE(token, nullptr);
    for (const Case& c : cases) {
        LocalDescriptor descriptor;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1,
                                                                           &descriptor.sd, nullptr))
            << testing::PrintToString(std::wstring(c.sddl));
        const DriveAccess got = AccessUnder(descriptor.sd, token);
        EXPECT_EQ(got.write, c.expected.write) << testing::PrintToString(std::wstring(c.sddl));
        EXPECT_EQ(got.read, c.expected.read) << testing::PrintToString(std::wstring(c.sddl));
    }

    // The policy's own entry for interactive users applies as the token's groups say.
    LocalDescriptor policy;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:BAG:SYD:(D;;0x10116;;;IU)(A;;FA;;;WD)", SDDL_REVISION_1, &policy.sd, nullptr));
    BOOL interactive = FALSE;
    PSID iu = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"IU", &iu));
    ASSERT_TRUE(::CheckTokenMembership(token, iu, &interactive));
    ::LocalFree(iu);
    EXPECT_EQ(AccessUnder(policy.sd, token),
              (DriveAccess{interactive ? A::Denied : A::Allowed, A::Allowed}));

    // Garbage, no descriptor or no token: unknown, never a crash or a denial.
    alignas(8) unsigned char garbage[64] = {0xff, 0xff, 0xff, 0xff};
    EXPECT_EQ(AccessUnder(garbage, token), DriveAccess{});
    EXPECT_EQ(AccessUnder(nullptr, token), DriveAccess{});
    EXPECT_EQ(AccessUnder(policy.sd, nullptr), DriveAccess{});
    ::CloseHandle(token);
}

TEST(DriveAccess, ADenialStandsOnlyWhenTheOpenIsRefusedToo) {
    using A = Answer;
    struct Case {
        Answer fromList;
        std::uint32_t openError;
        Answer expected;
    };
    const Case cases[] = {
        {A::Denied, ERROR_ACCESS_DENIED, A::Denied},
        {A::Denied, ERROR_WRITE_PROTECT, A::Denied},
        {A::Denied, ERROR_SUCCESS, A::Allowed}, // the open went through: the user can
        {A::Denied, ERROR_NOT_READY, A::Unknown},
        {A::Allowed, ERROR_ACCESS_DENIED, A::Allowed}, // only a denial is checked
        {A::Unknown, ERROR_ACCESS_DENIED, A::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConfirmedByOpen(c.fromList, c.openError), c.expected) << "case " << (&c - cases);
    }
}

// Under Wine nothing is enforced on drives: the real question must still end, on any
// letter, in "allowed" or "unknown".
TEST(DriveAccess, TheRealQuestionUnderWineNeverDenies) {
    if (!test::RunningUnderWine()) {
        GTEST_SKIP() << "on Windows the answer depends on the machine's policy";
    }
    constexpr wchar_t kLetter = L'Q';
    test::RemoveDrive(kLetter);
    std::wstring folder;
    ASSERT_EQ(test::PlugFolder(kLetter, L"ASKED", folder), 0u);
    for (const wchar_t letter : {L'C', kLetter, L'Z', L'Y' /* nothing there */}) {
        const DriveAccess access = AskAccess(letter);
        for (const Answer answer : {access.write, access.read}) {
            EXPECT_NE(answer, Answer::Denied) << "drive " << static_cast<char>(letter);
        }
    }
    // Through the source too, before and after a policy change.
    const auto source = MakeWindowsDriveSource();
    for (int pass = 0; pass < 2; ++pass) {
        const auto drives = source->ReadyDrives();
        ASSERT_TRUE(drives.has_value());
        bool seen = false;
        for (const ListedDrive& drive : *drives) {
            if (drive.letter == L"Q") {
                seen = true;
                EXPECT_NE(drive.mayWrite, Answer::Denied);
                EXPECT_NE(drive.mayRead, Answer::Denied);
                EXPECT_EQ(drive.arrivedAt, std::nullopt); // cfgmgr32 is a stub under Wine
            }
        }
        EXPECT_TRUE(seen);
        source->AccessChanged();
    }
    test::UnplugFolder(kLetter, folder);
}

} // namespace
} // namespace kv::drives
