#include "drives/drive_line.h"
#include "tests/drives/fake_drive_source.h"

#include <gtest/gtest.h>

namespace kv::drives::test {
namespace {

std::wstring Caption(FakeDriveSource& source) {
    const auto line = BuildDriveLine(source);
    EXPECT_TRUE(line.has_value()) << "the pass failed";
    return line ? *line : std::wstring();
}

FakeDrive Usb(std::wstring letter, std::wstring volume) {
    return FakeDrive{std::move(letter), DriveType::Removable, true, std::move(volume)};
}

TEST(DriveLine, NoReadyRemovableDriveSaysSo) {
    FakeDriveSource source;
    EXPECT_EQ(Caption(source), L"No USB Storage device detected.");

    source.drives = {{L"A", DriveType::Removable, false, L""},
                     {L"C", DriveType::Fixed, true, L"SYSTEM"}};
    EXPECT_EQ(Caption(source), L"No USB Storage device detected.");
}

TEST(DriveLine, ListsReadyRemovableDrivesInCollectionOrder) {
    FakeDriveSource source;
    source.drives = {Usb(L"E", L"DATA")};
    EXPECT_EQ(Caption(source), L"1 device(s) detected: DATA (E:)");

    source.drives.push_back(Usb(L"F", L"BACKUP"));
    EXPECT_EQ(Caption(source), L"2 device(s) detected: DATA (E:), BACKUP (F:)");

    // The order is the collection's, not the letters'.
    source.drives = {Usb(L"F", L"BACKUP"), Usb(L"E", L"DATA")};
    EXPECT_EQ(Caption(source), L"2 device(s) detected: BACKUP (F:), DATA (E:)");
}

TEST(DriveLine, CountIsPlainDecimal) {
    FakeDriveSource source;
    std::wstring expected;
    for (wchar_t letter = L'D'; letter <= L'O'; ++letter) { // twelve drives
        source.drives.push_back(Usb(std::wstring(1, letter), L"V"));
        expected += (expected.empty() ? L"" : L", ") + std::wstring(L"V (") + letter + L":)";
    }
    EXPECT_EQ(Caption(source), L"12 device(s) detected: " + expected);
}

TEST(DriveLine, EmptyVolumeNameLeavesTwoBlanksAfterTheColon) {
    FakeDriveSource source;
    source.drives = {Usb(L"E", L"")};
    EXPECT_EQ(Caption(source), L"1 device(s) detected:  (E:)");

    // Also as the first of two: the separator still follows.
    source.drives.push_back(Usb(L"F", L"BACKUP"));
    EXPECT_EQ(Caption(source), L"2 device(s) detected:  (E:), BACKUP (F:)");
}

TEST(DriveLine, SkipsNotReadyAndOtherTypesWithoutReadingMore) {
    FakeDriveSource source;
    source.drives = {
        {L"A", DriveType::Removable, false, L"EMPTY"}, // no medium
        {L"C", DriveType::Fixed, true, L"SYSTEM"},     {L"D", DriveType::Optical, true, L"DISC"},
        {L"E", DriveType::Removable, true, L"DATA"},   {L"N", DriveType::Network, true, L"SHARE"},
        {L"R", DriveType::RamDisk, true, L"RAM"},      {L"U", DriveType::Unknown, true, L"ODD"},
    };
    EXPECT_EQ(Caption(source), L"1 device(s) detected: DATA (E:)");

    const std::vector<Asked> expected = {
        {Read::Collect, 0},    {Read::IsReady, 0}, {Read::IsReady, 1}, {Read::Type, 1},
        {Read::IsReady, 2},    {Read::Type, 2},    {Read::IsReady, 3}, {Read::Type, 3},
        {Read::VolumeName, 3}, {Read::Letter, 3},  {Read::IsReady, 4}, {Read::Type, 4},
        {Read::IsReady, 5},    {Read::Type, 5},    {Read::IsReady, 6}, {Read::Type, 6},
    };
    EXPECT_EQ(source.log, expected);
}

TEST(DriveLine, EachPassStartsFromAnEmptyListAndTakesTheCollectionAnew) {
    FakeDriveSource source;
    source.drives = {Usb(L"E", L"DATA"), Usb(L"F", L"BACKUP")};
    EXPECT_EQ(Caption(source), L"2 device(s) detected: DATA (E:), BACKUP (F:)");
    EXPECT_EQ(Caption(source), L"2 device(s) detected: DATA (E:), BACKUP (F:)");

    source.drives.erase(source.drives.begin()); // E: pulled out between passes
    EXPECT_EQ(Caption(source), L"1 device(s) detected: BACKUP (F:)");
    source.drives.clear();
    EXPECT_EQ(Caption(source), L"No USB Storage device detected.");
}

TEST(DriveLine, ListGivesLetterAndLabelApartInTheLineOrder) {
    FakeDriveSource source;
    source.drives = {
        Usb(L"F", L"BACKUP"), {L"C", DriveType::Fixed, true, L"SYSTEM"}, Usb(L"E", L"")};
    const auto drives = ListReadyRemovableDrives(source);
    ASSERT_TRUE(drives.has_value());
    EXPECT_EQ(*drives, (std::vector<ListedDrive>{{L"F", L"BACKUP"}, {L"E", L""}}));
}

// A failure at any read ends the pass there and gives the error instead of a caption.
struct FailurePoint {
    Read read;
    std::size_t drive;
};

class DriveLineFailure : public ::testing::TestWithParam<FailurePoint> {};

TEST_P(DriveLineFailure, GivesTheErrorAndNoCaption) {
    FakeDriveSource source;
    source.drives = {Usb(L"E", L"DATA"), Usb(L"F", L"BACKUP")};
    source.FailAt(GetParam().read, GetParam().drive, 21);

    const auto line = BuildDriveLine(source);
    ASSERT_FALSE(line.has_value());
    EXPECT_EQ(line.error(), (DriveError{L"fake read", 21}));
    // Nothing was asked after the failing read.
    EXPECT_EQ(source.log.back(), (Asked{GetParam().read, GetParam().drive}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryRead, DriveLineFailure,
    ::testing::Values(FailurePoint{Read::Collect, 0}, FailurePoint{Read::IsReady, 0},
                      FailurePoint{Read::Type, 0}, FailurePoint{Read::VolumeName, 0},
                      FailurePoint{Read::Letter, 0}, FailurePoint{Read::IsReady, 1},
                      FailurePoint{Read::Type, 1}, FailurePoint{Read::VolumeName, 1},
                      FailurePoint{Read::Letter, 1}));

TEST(DriveLine, FailureOnASkippedDriveStillEndsThePass) {
    FakeDriveSource source;
    source.drives = {{L"C", DriveType::Fixed, true, L"SYSTEM"}, Usb(L"E", L"DATA")};
    source.FailAt(Read::Type, 0, 5);
    EXPECT_FALSE(BuildDriveLine(source).has_value());
}

} // namespace
} // namespace kv::drives::test
