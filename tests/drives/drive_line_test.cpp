#include "drives/drive_line.h"
#include "tests/drives/fake_drive_source.h"

#include <gtest/gtest.h>

namespace kv::drives::test {
namespace {

std::wstring Caption(FakeDriveSource& source) {
    const auto drives = source.ReadyDrives();
    EXPECT_TRUE(drives.has_value()) << "the pass failed";
    return drives ? DriveLineCaption(*drives) : std::wstring();
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

TEST(DriveLine, ListsReadyRemovableDrivesAndFixedOnesOfUsbStorage) {
    FakeDriveSource source;
    source.drives = {
        {L"A", DriveType::Removable, false, L"EMPTY"}, // no medium
        {L"C", DriveType::Fixed, true, L"SYSTEM", false, Bus::Sata},
        {L"D", DriveType::Optical, true, L"DISC", true, Bus::Usb},
        {L"E", DriveType::Removable, true, L"DATA"},
        {L"F", DriveType::Fixed, true, L"SSD", false, Bus::Usb},
        {L"G", DriveType::Fixed, true, L"CARD", false, Bus::Sd},
        {L"H", DriveType::Fixed, true, L"NVME", false, Bus::Nvme},
        {L"I", DriveType::Fixed, true, L"ASKED", false, Bus::Unknown},
        {L"N", DriveType::Network, true, L"SHARE"},
        {L"R", DriveType::RamDisk, true, L"RAM"},
    };
    EXPECT_EQ(Caption(source), L"3 device(s) detected: DATA (E:), SSD (F:), CARD (G:)");
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

} // namespace
} // namespace kv::drives::test
