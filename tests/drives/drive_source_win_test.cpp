// The Windows drive source on real drive letters, plugged and pulled through Wine's mount
// manager while the test runs.

#include "drives/drive_line.h"
#include "drives/drive_source_win.h"
#include "tests/drives/wine_drive.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kv::drives {
namespace {

struct Listed {
    wchar_t letter;
    std::wstring volume;
    bool operator==(const Listed&) const = default;
};

// Everything the source yields, in its order.
std::vector<Listed> ReadAll(DriveSource& source) {
    std::vector<Listed> listed;
    const auto drives = source.ReadyDrives();
    EXPECT_TRUE(drives.has_value());
    for (const ListedDrive& drive : drives ? *drives : std::vector<ListedDrive>{}) {
        EXPECT_EQ(drive.letter.size(), 1u);
        listed.push_back({drive.letter.at(0), drive.label});
    }
    return listed;
}

std::wstring ExpectedCaption(const std::map<wchar_t, std::wstring>& drives) {
    if (drives.empty()) {
        return L"No USB Storage device detected.";
    }
    std::wstring list;
    for (const auto& [letter, volume] : drives) {
        list += (list.empty() ? L"" : L", ") + volume + L" (" + letter + L":)";
    }
    return std::to_wstring(drives.size()) + L" device(s) detected: " + list;
}

class WindowsDriveSourceTest : public ::testing::Test {
protected:
    static constexpr wchar_t kFirst = L'M';
    static constexpr wchar_t kSecond = L'P';

    void SetUp() override {
        if (!test::RunningUnderWine()) {
            GTEST_SKIP() << "drive letters are plugged through Wine's mount manager";
        }
        // A run that died half-way may have left our letters behind.
        test::RemoveDrive(kFirst);
        test::RemoveDrive(kSecond);
        for (const Listed& drive : ReadAll(*source_)) {
            baseline_[drive.letter] = drive.volume;
        }
    }

    void TearDown() override {
        for (const auto& [letter, folder] : plugged_) {
            test::UnplugFolder(letter, folder);
        }
    }

    // A fresh folder (with a label file unless `label` is empty) mapped as a removable drive.
    void Plug(wchar_t letter, const std::wstring& label) {
        std::wstring folder;
        const std::uint32_t result = test::PlugFolder(letter, label, folder);
        plugged_.emplace_back(letter, folder);
        ASSERT_EQ(result, 0u);
    }

    // The source's entry for `letter`, if it lists one.
    std::optional<ListedDrive> Find(wchar_t letter) {
        const auto drives = source_->ReadyDrives();
        EXPECT_TRUE(drives.has_value());
        for (const ListedDrive& drive : drives ? *drives : std::vector<ListedDrive>{}) {
            if (drive.letter == std::wstring(1, letter)) {
                return drive;
            }
        }
        return std::nullopt;
    }

    std::wstring Pass() {
        const auto drives = source_->ReadyDrives();
        EXPECT_TRUE(drives.has_value()) << "the pass failed";
        return drives ? DriveLineCaption(*drives) : std::wstring();
    }

    std::unique_ptr<DriveSource> source_ = MakeWindowsDriveSource();
    std::map<wchar_t, std::wstring> baseline_;
    std::vector<std::pair<wchar_t, std::wstring>> plugged_;
};

TEST_F(WindowsDriveSourceTest, FixedDrivesNeverAppear) {
    // The prefix's C: (its Windows folder) and Z: (the Unix root) are ready fixed drives.
    EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeW(L"Z:\\"), static_cast<UINT>(DRIVE_FIXED));
    Plug(kFirst, L"DATA");
    for (const Listed& drive : ReadAll(*source_)) {
        EXPECT_NE(drive.letter, L'C');
        EXPECT_NE(drive.letter, L'Z');
    }
}

TEST_F(WindowsDriveSourceTest, PluggedDrivesAppearInLetterOrderWithTheirLabels) {
    Plug(kSecond, L"BACKUP"); // plugged first, listed second
    Plug(kFirst, L"DATA");

    std::vector<Listed> ours;
    for (const Listed& drive : ReadAll(*source_)) {
        if (drive.letter == kFirst || drive.letter == kSecond) {
            ours.push_back(drive);
        }
    }
    EXPECT_EQ(ours, (std::vector<Listed>{{kFirst, L"DATA"}, {kSecond, L"BACKUP"}}));

    auto expected = baseline_;
    expected[kFirst] = L"DATA";
    expected[kSecond] = L"BACKUP";
    EXPECT_EQ(Pass(), ExpectedCaption(expected));
}

TEST_F(WindowsDriveSourceTest, PulledDriveIsGoneFromTheNextPass) {
    Plug(kFirst, L"DATA");
    Plug(kSecond, L"BACKUP");
    auto expected = baseline_;
    expected[kFirst] = L"DATA";
    expected[kSecond] = L"BACKUP";
    EXPECT_EQ(Pass(), ExpectedCaption(expected));

    ASSERT_EQ(test::RemoveDrive(kFirst), 0u);
    expected.erase(kFirst);
    EXPECT_EQ(Pass(), ExpectedCaption(expected));

    ASSERT_EQ(test::RemoveDrive(kSecond), 0u);
    EXPECT_EQ(Pass(), ExpectedCaption(baseline_));
}

TEST_F(WindowsDriveSourceTest, VolumeWithoutLabelHasAnEmptyName) {
    Plug(kFirst, L"");
    auto expected = baseline_;
    expected[kFirst] = L"";
    const std::wstring caption = Pass();
    EXPECT_EQ(caption, ExpectedCaption(expected));
    if (baseline_.empty()) {
        EXPECT_EQ(caption, L"1 device(s) detected:  (M:)");
    }
}

// Wine's volumes are writable unless an ISO image backs them; cfgmgr32's device functions
// are stubs there, so the driver is unknown, and asking again after a change is safe.
TEST_F(WindowsDriveSourceTest, ReadOnlyFlagAndAnUnknownDriverUnderWine) {
    std::wstring folder;
    ASSERT_EQ(test::PlugReadOnlyFolder(kFirst, L"RO", folder), 0u);
    plugged_.emplace_back(kFirst, folder);
    Plug(kSecond, L"RW");

    const auto ro = Find(kFirst);
    const auto rw = Find(kSecond);
    ASSERT_TRUE(ro && rw);
    EXPECT_TRUE(ro->readOnly);
    EXPECT_FALSE(rw->readOnly);
    EXPECT_EQ(rw->driver, std::nullopt);
    EXPECT_EQ(ro->driver, std::nullopt);

    // Reattached without the image: writable, and seen so on the next pass.
    Plug(kFirst, L"RO");
    source_->DevicesChanged();
    const auto again = Find(kFirst);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->readOnly);
}

} // namespace
} // namespace kv::drives
