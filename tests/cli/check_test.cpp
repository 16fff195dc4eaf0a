// `check` from the command line to its exit code, over the in-memory registry and a fake
// drive source: the verdict a detection script acts on.

#include "cli/check.h"
#include "cli/run.h"
#include "tests/cli/recording_console.h"
#include "tests/drives/fake_drive_source.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <optional>

namespace kv::cli {
namespace {

const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
const std::string kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

using drives::test::FakeDrive;

// A flash drive attached through USBSTOR, writable now: neither protection holds for it.
const FakeDrive kWritable{
    L"E", drives::DriveType::Removable, true, L"DATA", false, drives::Bus::Usb, L"USBSTOR"};
// A read-only volume on a UAS disk: write protection holds, the lock does not cover it.
const FakeDrive kReadOnlyUas{
    L"F", drives::DriveType::Removable, true, L"SSD", true, drives::Bus::Usb, L"UASPStor"};

using test::RecordingConsole;

class NoDeriver final : public password::KeyDeriver {
public:
    bool Derive(std::string_view, std::span<const std::uint8_t>, std::uint32_t,
                std::span<std::uint8_t>) override {
        return false;
    }
};

class CheckTest : public ::testing::Test {
protected:
    // The three states: write protection, the lock, autorun suppressed.
    void SetStates(bool writeProtect, bool lock, bool autorunSuppressed) {
        registry.SetDWord(reg::kHkeyLocalMachine, kPolicies, "WriteProtect", writeProtect);
        registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", lock ? 4 : 3);
        registry.SetDWord(reg::kHkeyLocalMachine, kExplorer, "NoDriveTypeAutoRun",
                          autorunSuppressed ? 255 : 0);
    }
    int Run(std::vector<std::wstring> arguments) {
        Services services{registry,
                          drives,
                          [] { return password::StoredPasswordRead{}; },
                          deriver,
                          {},
                          [](long code) {
                              return L"system text " + std::to_wstring(code);
                          }};
        return RunCommandLine(arguments, services, console);
    }

    test::MemoryRegistry registry;
    drives::test::FakeDriveSource drives;
    NoDeriver deriver;
    RecordingConsole console;
};

TEST_F(CheckTest, ExitCodeAndLinesFollowTheStatesAndTheDrives) {
    const std::string lockUnknown = "kelvane: the state of USB Device Lock is unknown: the value "
                                    "could not be read: system text 5.\n";
    const char* const wpBefore = "Write protection does not hold for DATA (E:): it was attached "
                                 "before the change. Remove and re-attach it.\n";
    const char* const lockUas = "The lock does not hold for SSD (F:): the USB Attached SCSI "
                                "driver it uses is not covered.\n";
    const std::string wpOn = "USB Device Write Protection: Enabled\n";
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        const char* on; // W write protection, L the lock, A autorun suppressed
        std::vector<FakeDrive> drives;
        bool lockUnreadable;
        int exitCode;
        std::string out;
    };
    // clang-format off
    const Case cases[] = {
        {"nothing on, nothing named", {L"check"}, "", {kWritable}, false, kDone,
         "No protection is on, so there is nothing to check.\nCompliant.\n"},
        {"on and holding", {L"check"}, "W", {kReadOnlyUas}, false, kDone, wpOn + "Compliant.\n"},
        {"on, a drive attached before", {L"check"}, "W", {kReadOnlyUas, kWritable}, false,
         kNotCompliant, wpBefore + std::string("Not compliant.\n")},
        {"the lock on, a drive still listed", {L"check"}, "L", {kReadOnlyUas}, false,
         kNotCompliant, lockUas + std::string("Not compliant.\n")},
        {"named and off", {L"check", L"write-protect", L"usb-lock"}, "W", {}, false,
         kNotCompliant, "USB Device Lock: Unlocked\nNot compliant.\n"},
        {"both named, both on, no drive", {L"check", L"usb-lock", L"write-protect"}, "WL", {},
         false, kDone, wpOn + "USB Device Lock: Locked\nCompliant.\n"},
        // A protection that is on but not named is not asked about.
        {"another protection does not hold", {L"check", L"write-protect"}, "WL", {kReadOnlyUas},
         false, kDone, wpOn + "Compliant.\n"},
        // Autorun is checked in the protection's sense: suppressed.
        {"autorun suppressed", {L"check", L"autorun"}, "A", {kWritable}, false, kDone,
         "USB Device Autorun: Disabled\nCompliant.\n"},
        {"autorun allowed", {L"check", L"AUTORUN"}, "", {}, false, kNotCompliant,
         "USB Device Autorun: Enabled\nNot compliant.\n"},
        // Only the states a check needs decide it; without names, all of them.
        {"an unread state not asked about", {L"check", L"write-protect"}, "WL", {}, true, kDone,
         wpOn + "Compliant.\n"},
        {"an unread state, nothing named", {L"check"}, "WL", {}, true, kFailed, ""},
        {"an unread state named, another off", {L"check", L"usb-lock", L"autorun"}, "WL", {},
         true, kFailed, "USB Device Autorun: Enabled\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string_view on = c.on;
        const auto has = [&](char p) {
            return on.find(p) != std::string_view::npos;
        };
        SetStates(has('W'), has('L'), has('A'));
        drives.drives = c.drives;
        registry.ClearFaults();
        if (c.lockUnreadable) {
            registry.InjectFault(
                {.call = test::RegCall::OpenKeyEx, .result = 5, .subKey = kUsbStor});
        }
        console = RecordingConsole{};
        EXPECT_EQ(Run(c.arguments), c.exitCode);
        EXPECT_EQ(console.out, c.out);
        EXPECT_EQ(console.err, c.exitCode == kFailed ? lockUnknown : "");
        EXPECT_EQ(registry.OpenKeyCount(), 0u);
    }
}

TEST_F(CheckTest, FailsWhenTheDrivesCannotBeListed) {
    SetStates(true, true, true);
    drives.Fail(21);
    EXPECT_EQ(Run({L"check", L"autorun"}), kFailed);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err,
              "kelvane: the drives could not be listed: fake read failed (system text 21).\n");
}

TEST_F(CheckTest, JsonIsTheStatusObjectWithTheVerdictAdded) {
    SetStates(true, false, false);
    drives.drives = {kWritable};
    ASSERT_EQ(Run({L"status", L"--json"}), kDone);
    const std::string status = console.out;
    console = RecordingConsole{};

    EXPECT_EQ(Run({L"check", L"--json"}), kNotCompliant);
    ASSERT_TRUE(status.ends_with("}\n"));
    const std::string body = status.substr(0, status.size() - 2);
    ASSERT_TRUE(console.out.starts_with(body)) << console.out;
    EXPECT_EQ(console.out.substr(body.size()),
              R"(, "checked": ["writeProtect"], "compliant": false, "reasons": [)"
              R"({"protection": "writeProtect", "drive": "E", "text": "Write protection does )"
              R"(not hold for DATA (E:): it was attached before the change. Remove and )"
              R"(re-attach it."}]})"
              "\n");
    EXPECT_EQ(console.err, "");
}

TEST_F(CheckTest, JsonSaysNullWhenComplianceCannotBeTold) {
    SetStates(false, true, true);
    registry.InjectFault({.call = test::RegCall::OpenKeyEx, .result = 5, .subKey = kUsbStor});
    EXPECT_EQ(Run({L"check", L"usb-lock", L"write-protect", L"--json"}), kFailed);
    EXPECT_TRUE(console.out.ends_with(
        R"(, "checked": ["writeProtect", "usbLock"], "compliant": null, "reasons": [)"
        R"({"protection": "writeProtect", "text": "USB Device Write Protection: Disabled"}]})"
        "\n"))
        << console.out;
    EXPECT_NE(console.err, "");
}

} // namespace
} // namespace kv::cli
