#include "drives/attachment.h"
#include "drives/drive_name.h"
#include "drives/holds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

ListedDrive Drive(bool readOnly, Bus bus, std::optional<std::wstring> driver,
                  Answer mayWrite = Answer::Unknown, Answer mayRead = Answer::Unknown,
                  std::optional<std::int64_t> arrivedAt = std::nullopt) {
    ListedDrive drive{L"E", L"DATA", readOnly, bus, driver, CoverageOf(bus, driver)};
    drive.mayWrite = mayWrite;
    drive.mayRead = mayRead;
    drive.arrivedAt = arrivedAt;
    return drive;
}

TEST(Holds, WhetherEachProtectionHoldsForADriveWithoutWindowsPolicy) {
    using A = Answer;
    using V = Verdict;
    struct Case {
        ListedDrive drive;
        Verdict writeProtect;
        Verdict lock;
    };
    const Case cases[] = {
        {Drive(true, Bus::Usb, L"USBSTOR"), V::ReadOnlyVolume, V::AttachedBefore},
        {Drive(false, Bus::Usb, L"USBSTOR"), V::AttachedBefore, V::AttachedBefore},
        {Drive(false, Bus::Usb, L"UASPStor"), V::NotCovered, V::NotCovered},
        {Drive(true, Bus::Usb, L"UASPStor"), V::ReadOnlyVolume, V::NotCovered},
        {Drive(false, Bus::Sd, std::nullopt), V::NotCovered, V::NotCovered},
        {Drive(false, Bus::Scsi, std::nullopt), V::Unknown, V::Unknown},
        {Drive(true, Bus::Unknown, std::nullopt), V::ReadOnlyVolume, V::Unknown},
        // Windows' own answer wins over the guess from the driver, each for its protection.
        {Drive(false, Bus::Usb, L"UASPStor", A::Denied, A::Allowed), V::DeniedByWindows,
         V::NotCovered},
        {Drive(false, Bus::Usb, L"UASPStor", A::Denied, A::Denied), V::DeniedByWindows,
         V::DeniedByWindows},
        {Drive(false, Bus::Usb, L"USBSTOR", A::Allowed, A::Denied), V::AttachedBefore,
         V::DeniedByWindows},
        {Drive(true, Bus::Usb, L"USBSTOR", A::Denied, A::Allowed), V::ReadOnlyVolume,
         V::AttachedBefore},
    };
    for (const Case& c : cases) {
        const auto at = "case " + std::to_string(&c - cases);
        EXPECT_EQ(VerdictFor(DriveProtection::WriteProtect, c.drive), c.writeProtect) << at;
        EXPECT_EQ(VerdictFor(DriveProtection::Lock, c.drive), c.lock) << at;
    }
}

TEST(Holds, WithWindowsPolicySetTheArrivalTellsWaitingFromNotApplied) {
    constexpr std::int64_t kSetAt = 1000;
    const WindowsPolicyFacts policy{.set = true, .setByKelvane = true, .setAt = kSetAt};
    const WindowsPolicyFacts undated{.set = true};
    using A = Answer;
    using V = Verdict;
    struct Case {
        ListedDrive drive;
        WindowsPolicyFacts policy;
        Verdict verdict;
    };
    const Case cases[] = {
        {Drive(false, Bus::Usb, L"UASPStor", A::Allowed, A::Allowed, kSetAt - 1), policy,
         V::UntilReattached},
        {Drive(false, Bus::Usb, L"UASPStor", A::Allowed, A::Allowed, kSetAt), policy,
         V::UntilReattached},
        {Drive(false, Bus::Usb, L"UASPStor", A::Allowed, A::Allowed, std::nullopt), policy,
         V::UntilReattached},
        {Drive(false, Bus::Usb, L"UASPStor", A::Allowed, A::Allowed, kSetAt + 1), undated,
         V::UntilReattached},
        {Drive(false, Bus::Usb, L"UASPStor", A::Allowed, A::Allowed, kSetAt + 1), policy,
         V::PolicyNotApplied},
        // Came after, and Windows would not say: only Kelvane's own switch can be judged.
        {Drive(false, Bus::Usb, L"UASPStor", A::Unknown, A::Unknown, kSetAt + 1), policy,
         V::NotCovered},
        {Drive(false, Bus::Usb, L"UASPStor", A::Denied, A::Denied, kSetAt + 1), policy,
         V::DeniedByWindows},
        {Drive(true, Bus::Usb, L"USBSTOR", A::Allowed, A::Allowed, kSetAt + 1), policy,
         V::ReadOnlyVolume},
        {Drive(false, Bus::Usb, L"USBSTOR", A::Allowed, A::Allowed, kSetAt + 1),
         {},
         V::AttachedBefore},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VerdictFor(DriveProtection::WriteProtect, c.drive, c.policy), c.verdict)
            << "case " << (&c - cases);
    }
    // The lock asks Windows about reading, not writing.
    const ListedDrive readable = Drive(false, Bus::Usb, L"UASPStor", A::Denied, A::Allowed, 5);
    EXPECT_EQ(VerdictFor(DriveProtection::Lock, readable, policy), V::UntilReattached);
}

TEST(Holds, ShortfallsOnlyForProtectionsThatAreOnByLetter) {
    const std::vector<ListedDrive> drives = {
        {L"F", L"SSD", false, Bus::Usb, L"UASPStor", Coverage::NotCovered},
        {L"E", L"DATA", false, Bus::Usb, L"USBSTOR", Coverage::Covered},
        {L"G", L"RO", true, Bus::Usb, L"USBSTOR", Coverage::Covered},
    };
    EXPECT_TRUE(Shortfalls(drives, {}).empty());
    EXPECT_EQ(ShortfallNotice({}), L"");

    const auto wp = Shortfalls(drives, {.writeProtect = true});
    ASSERT_EQ(wp.size(), 2u); // G: is read-only
    EXPECT_EQ(wp[0].drive.letter, L"E");
    EXPECT_EQ(wp[1].drive.letter, L"F");

    const auto both = Shortfalls(drives, {.writeProtect = true, .lock = true});
    ASSERT_EQ(both.size(), 5u);
    EXPECT_EQ(both[1].protection, DriveProtection::Lock);
    EXPECT_EQ(both[1].drive.letter, L"E");
    EXPECT_EQ(ShortfallNotice(both), L"Write protection does not hold for DATA (E:): it was "
                                     L"attached before the change. Remove and re-attach it. "
                                     L"And 4 more.");
    const std::wstring list = ShortfallList(both);
    EXPECT_EQ(std::count(list.begin(), list.end(), L'\n'), 4);

    // With Windows' policy for write protection, the same drives wait for re-attaching.
    const auto waiting =
        Shortfalls(drives, {.writeProtect = true}, {.writeProtect = {.set = true}});
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_EQ(waiting[0].why, Verdict::UntilReattached);
    EXPECT_EQ(ShortfallNotice(waiting), L"Write protection will hold for DATA (E:) once it is "
                                        L"re-attached or Windows restarts. And 1 more.");
}

TEST(Holds, TheWindowsWordsForEachVerdict) {
    const ListedDrive ssd{L"F", L"SSD", false, Bus::Usb, L"UASPStor"};
    const ListedDrive card{L"G", L"CARD", false, Bus::Sd, L"sdstor"};
    const ListedDrive odd{L"H", L"", false, Bus::Scsi, std::nullopt};
    const ListedDrive vendor{L"I", L"X", false, Bus::Usb, L"RtsUer"};
    const WindowsPolicyFacts none{};
    const WindowsPolicyFacts ours{.set = true, .setByKelvane = true};
    const WindowsPolicyFacts theirs{.set = true};
    using P = DriveProtection;
    using V = Verdict;
    struct Case {
        P protection;
        V verdict;
        ListedDrive drive;
        WindowsPolicyFacts policy;
        std::wstring_view text;
    };
    const Case cases[] = {
        {P::WriteProtect, V::NotCovered, ssd, none,
         L"Write protection does not hold for SSD (F:): the USB Attached SCSI driver it uses is "
         L"not covered."},
        {P::WriteProtect, V::Unknown, odd, none,
         L"Write protection may not hold for  (H:): it is writable and Windows did not say how "
         L"it is attached."},
        {P::Lock, V::AttachedBefore, card, none,
         L"The lock does not hold for CARD (G:): it stays usable until it is removed."},
        {P::Lock, V::NotCovered, card, none,
         L"The lock does not hold for CARD (G:): the SD card driver it uses is not covered."},
        {P::Lock, V::NotCovered, vendor, none,
         L"The lock does not hold for X (I:): the RtsUer driver it uses is not covered."},
        {P::Lock, V::Unknown, odd, none,
         L"The lock may not hold for  (H:): it is usable and Windows did not say how it is "
         L"attached."},
        {P::WriteProtect, V::UntilReattached, ssd, ours,
         L"Write protection will hold for SSD (F:) once it is re-attached or Windows restarts."},
        {P::Lock, V::PolicyNotApplied, ssd, theirs,
         L"The lock does not hold for SSD (F:): Windows did not apply its policy to it (Windows "
         L"Home, or a policy that replaced it)."},
        {P::WriteProtect, V::ReadOnlyVolume, card, ours,
         L"Write protection holds for CARD (G:): its volume is read-only."},
        {P::WriteProtect, V::DeniedByWindows, ssd, ours,
         L"Write protection holds for SSD (F:): Windows denies writing to it (Windows' policy, "
         L"added by Kelvane)."},
        {P::Lock, V::DeniedByWindows, ssd, theirs,
         L"The lock holds for SSD (F:): Windows denies reading it (Windows' policy, set outside "
         L"Kelvane)."},
        {P::WriteProtect, V::DeniedByWindows, ssd, none,
         L"Write protection holds for SSD (F:): Windows denies writing to it."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VerdictText(c.protection, c.verdict, c.drive, c.policy), c.text);
    }
}

TEST(DriveName, ALabelCannotBreakLinesOrReorderThem) {
    struct Case {
        std::wstring label;
        std::wstring_view name;
    };
    const Case cases[] = {
        {L"DATA", L"DATA (E:)"},
        {L"", L" (E:)"},
        {L"Gr\u00fc\u00dfe \u65e5", L"Gr\u00fc\u00dfe \u65e5 (E:)"},
        {L"A\r\nB", L"A  B (E:)"},
        {L"A\u0085B\u009bC", L"A B C (E:)"},
        {L"A\u2028B\u2029C", L"A B C (E:)"},
        {std::wstring(L"A\0B\x7f", 4), L"A B  (E:)"},
        {L"\u202eEVIL\u202c\u2066x\u2069", L"EVILx (E:)"},
    };
    for (const Case& c : cases) {
        ListedDrive drive{L"E", c.label};
        EXPECT_EQ(DriveName(drive), c.name);
    }
}

} // namespace
} // namespace kv::drives
