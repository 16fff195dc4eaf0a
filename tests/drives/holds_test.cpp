#include "drives/attachment.h"
#include "drives/holds.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kv::drives {
namespace {

TEST(Attachment, ClassifiesDriverAndCoverageFromWhatWindowsSaid) {
    using S = std::optional<std::wstring>;
    struct Case {
        Bus bus;
        S service;
        std::wstring_view enumerator;
        Attachment expected;
    };
    const Case cases[] = {
        {Bus::Usb, L"USBSTOR", L"USBSTOR", {L"USBSTOR", Coverage::Covered}},
        {Bus::Usb, L"usbstor", L"", {L"usbstor", Coverage::Covered}},
        {Bus::Usb, L"UASPStor", L"SCSI", {L"UASPStor", Coverage::NotCovered}},
        {Bus::Scsi, L"UASPStor", L"SCSI", {L"UASPStor", Coverage::NotCovered}},
        {Bus::Sd, L"sdbus", L"SD", {L"sdbus", Coverage::NotCovered}},
        {Bus::Usb, L"RtsUer", L"USBSTOR", {L"RtsUer", Coverage::NotCovered}},
        // The parent's service unread: the enumerator, then the bus, say what they can.
        {Bus::Usb, std::nullopt, L"USBSTOR", {L"USBSTOR", Coverage::Covered}},
        {Bus::Usb, L"", L"UsbStor", {L"USBSTOR", Coverage::Covered}},
        {Bus::Usb, std::nullopt, L"SCSI", {std::nullopt, Coverage::Unknown}},
        {Bus::Scsi, std::nullopt, L"", {std::nullopt, Coverage::Unknown}},
        {Bus::Unknown, std::nullopt, L"", {std::nullopt, Coverage::Unknown}},
        {Bus::Nvme, std::nullopt, L"", {std::nullopt, Coverage::NotCovered}},
        {Bus::Mmc, std::nullopt, L"", {std::nullopt, Coverage::NotCovered}},
        {Bus::Ieee1394, std::nullopt, L"", {std::nullopt, Coverage::NotCovered}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Classify(c.bus, c.service, c.enumerator), c.expected)
            << "bus " << static_cast<int>(c.bus) << ", case " << (&c - cases);
    }
}

TEST(Holds, WhetherEachProtectionHoldsForADrive) {
    const auto drive = [](bool readOnly, Bus bus, std::optional<std::wstring> driver) {
        return ListedDrive{L"E", L"DATA", readOnly, bus, std::move(driver)};
    };
    using W = std::optional<WhyNot>;
    struct Case {
        ListedDrive drive;
        W writeProtect;
        W lock;
    };
    const Case cases[] = {
        {drive(true, Bus::Usb, L"USBSTOR"), std::nullopt, WhyNot::AttachedBefore},
        {drive(false, Bus::Usb, L"USBSTOR"), WhyNot::AttachedBefore, WhyNot::AttachedBefore},
        {drive(false, Bus::Usb, L"UASPStor"), WhyNot::NotCovered, WhyNot::NotCovered},
        {drive(true, Bus::Usb, L"UASPStor"), std::nullopt, WhyNot::NotCovered},
        {drive(false, Bus::Sd, std::nullopt), WhyNot::NotCovered, WhyNot::NotCovered},
        {drive(false, Bus::Scsi, std::nullopt), WhyNot::Unknown, WhyNot::Unknown},
        {drive(true, Bus::Unknown, std::nullopt), std::nullopt, WhyNot::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WhyNotHeld(Protection::WriteProtect, c.drive), c.writeProtect);
        EXPECT_EQ(WhyNotHeld(Protection::Lock, c.drive), c.lock);
    }
}

TEST(Holds, ShortfallsOnlyForProtectionsThatAreOnByLetter) {
    const std::vector<ListedDrive> drives = {
        {L"F", L"SSD", false, Bus::Usb, L"UASPStor"},
        {L"E", L"DATA", false, Bus::Usb, L"USBSTOR"},
        {L"G", L"RO", true, Bus::Usb, L"USBSTOR"},
    };
    EXPECT_TRUE(Shortfalls(drives, {}).empty());
    EXPECT_EQ(ShortfallNotice({}), L"");

    const auto wp = Shortfalls(drives, {.writeProtect = true});
    ASSERT_EQ(wp.size(), 2u); // G: is read-only
    EXPECT_EQ(wp[0].drive.letter, L"E");
    EXPECT_EQ(wp[1].drive.letter, L"F");

    const auto both = Shortfalls(drives, {.writeProtect = true, .lock = true});
    ASSERT_EQ(both.size(), 5u);
    EXPECT_EQ(both[1].protection, Protection::Lock);
    EXPECT_EQ(both[1].drive.letter, L"E");
    EXPECT_EQ(ShortfallNotice(both), L"Write protection does not hold for DATA (E:): it was "
                                     L"attached before the change. Remove and re-attach it. "
                                     L"And 4 more.");
    const std::wstring list = ShortfallList(both);
    EXPECT_EQ(std::count(list.begin(), list.end(), L'\n'), 4);
}

TEST(Holds, TheWindowsWordsForEachReason) {
    const ListedDrive ssd{L"F", L"SSD", false, Bus::Usb, L"UASPStor"};
    const ListedDrive card{L"G", L"CARD", false, Bus::Sd, L"sdstor"};
    const ListedDrive odd{L"H", L"", false, Bus::Scsi, std::nullopt};
    const ListedDrive vendor{L"I", L"X", false, Bus::Usb, L"RtsUer"};
    struct Case {
        Shortfall shortfall;
        std::wstring_view text;
    };
    const Case cases[] = {
        {{Protection::WriteProtect, WhyNot::NotCovered, ssd},
         L"Write protection does not hold for SSD (F:): the USB Attached SCSI driver it uses is "
         L"not covered."},
        {{Protection::WriteProtect, WhyNot::Unknown, odd},
         L"Write protection may not hold for  (H:): it is writable and Windows did not say how "
         L"it is attached."},
        {{Protection::Lock, WhyNot::AttachedBefore, card},
         L"The lock does not hold for CARD (G:): it stays usable until it is removed."},
        {{Protection::Lock, WhyNot::NotCovered, card},
         L"The lock does not hold for CARD (G:): the SD card driver it uses is not covered."},
        {{Protection::Lock, WhyNot::NotCovered, vendor},
         L"The lock does not hold for X (I:): the RtsUer driver it uses is not covered."},
        {{Protection::Lock, WhyNot::Unknown, odd},
         L"The lock may not hold for  (H:): it is usable and Windows did not say how it is "
         L"attached."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortfallText(c.shortfall), c.text);
    }
}

} // namespace
} // namespace kv::drives
