// One command from start to exit code over the in-memory registry, a fake drive source and
// a recording console: what is written, what is said, and the code a script sees.

#include "cli/run.h"
#include "tests/cli/recording_console.h"
#include "tests/drives/fake_drive_source.h"
#include "tests/support/registry/reg_memory.h"

#include <gtest/gtest.h>

#include <optional>

namespace kv::cli {
namespace {

const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
const std::string kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

using test::RecordingConsole;

// Hashed passwords are checked under Wine; here the stored text is the old plain form.
class NoDeriver final : public password::KeyDeriver {
public:
    bool Derive(std::string_view, std::span<const std::uint8_t>, std::uint32_t,
                std::span<std::uint8_t>) override {
        return false;
    }
};

class RunTest : public ::testing::Test {
protected:
    RunTest() { registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 3); }

    int Run(std::vector<std::wstring> arguments) {
        Services services{registry,
                          drives,
                          [this] { return stored; },
                          deriver,
                          [this](const std::wstring& checked, std::wstring_view entered) {
                              rewritten.emplace_back(checked + L"|" + std::wstring(entered));
                          },
                          [](long code) { return L"system text " + std::to_wstring(code); },
                          {[this] { return std::optional<bool>(systemOnUsb); },
                           [this] {
                               ++applied;
                               return true;
                           },
                           [] {
                               return std::int64_t{134100000000000000};
                           }},
                          [this] { return elevated; },
                          [this](const audit::Event& event) {
                              events.push_back(event);
                              return auditResult;
                          }};
        return RunCommandLine(arguments, services, console);
    }
    std::optional<std::uint32_t> Start() const {
        return registry.GetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start");
    }

    test::MemoryRegistry registry;
    drives::test::FakeDriveSource drives;
    NoDeriver deriver;
    password::StoredPasswordRead stored{password::StoreReadStatus::Missing, L"", 0};
    bool systemOnUsb = false;
    int applied = 0; // times Windows was asked to apply its policy
    RecordingConsole console;
    std::vector<std::wstring> rewritten; // "checked|entered" for each rewrite asked for
    bool elevated = false;
    std::vector<audit::Event> events; // what was recorded in the event log
    long auditResult = 0;             // what writing an event returns
};

TEST_F(RunTest, StatusPrintsTheStateAndDrivesAndChangesNothing) {
    drives.drives = {{L"E", drives::DriveType::Removable, true, L"DATA"}};
    stored = {password::StoreReadStatus::Value, L"secret", 0}; // status never asks
    // Windows' own policy is read as it stands: set or not.
    const std::string policy = "SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
    registry.SetDWord(reg::kHkeyLocalMachine, policy, "Deny_All", 0);
    registry.SetDWord(reg::kHkeyLocalMachine, policy + "\\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}",
                      "Deny_Write", 1);
    registry.ClearCalls();
    EXPECT_EQ(Run({L"status", L"--json"}), kDone);
    EXPECT_EQ(console.out, R"({"version": 1, "writeProtect": false, "usbLock": false, )"
                           R"("autorun": true, )"
                           R"("drives": [{"letter": "E", "label": "DATA", "readOnly": false, )"
                           R"("bus": "unknown", "driver": null, )"
                           R"("windowsAccess": {"write": "unknown", "read": "unknown"}}], )"
                           R"("windowsPolicy": {"Deny_All": false, "Deny_Write": true, )"
                           R"("layer": {"writeProtect": {"set": true, "byKelvane": false, )"
                           R"("values": [{"key": "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}", )"
                           R"("name": "Deny_Write", "set": true, "byKelvane": false}]}, )"
                           R"("usbLock": {"set": false, "byKelvane": false, )"
                           R"("values": [{"key": "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}", )"
                           R"("name": "Deny_Write", "set": true, "byKelvane": false}]}}}})"
                           "\n");
    EXPECT_EQ(console.err, "");
    EXPECT_EQ(console.reads, 0);
    for (const test::CallRecord& call : registry.Calls()) {
        EXPECT_NE(call.call, test::RegCall::SetValueEx);
        EXPECT_NE(call.call, test::RegCall::CreateKey);
    }
}

TEST_F(RunTest, StatusFailsWholeWhenTheDrivesCannotBeListed) {
    drives.Fail(21);
    EXPECT_EQ(Run({L"status"}), kFailed);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err,
              "kelvane: the drives could not be listed: fake read failed (system text 21).\n");
}

TEST_F(RunTest, SetEndsInTheCodeAndLineItsOutcomeCallsFor) {
    using password::StoreReadStatus;
    struct Case {
        const char* what;
        const password::StoredPasswordRead* stored;
        std::vector<std::wstring> arguments;
        std::optional<std::wstring> input;
        std::optional<test::Fault> fault;
        int exitCode;
        std::string said; // standard output when it succeeds, else standard error
        std::uint32_t start;
    };
    const std::vector<std::wstring> lockOn = {L"set", L"usb-lock", L"on"};
    const std::vector<std::wstring> lockOnStdin = {L"set", L"usb-lock", L"on", L"--password-stdin"};
    const password::StoredPasswordRead none{StoreReadStatus::Missing, L"", 0};
    const password::StoredPasswordRead set{StoreReadStatus::Value, L"pass word", 0};
    const password::StoredPasswordRead unreadable{StoreReadStatus::Failed, L"", 5};
    const test::Fault denied{.call = test::RegCall::SetValueEx, .result = 5};
    const Case cases[] = {
        {"done", &none, lockOn, std::nullopt, std::nullopt, kDone, "USB Device Lock: Locked\n", 4},
        {"refused", &none, lockOn, std::nullopt, denied, kFailed,
         "kelvane: administrator rights are needed for set usb-lock on: Windows refused the "
         "change. Run it as an administrator.\n",
         3},
        {"failed", &none, lockOn, std::nullopt,
         test::Fault{.call = test::RegCall::SetValueEx, .result = 1013}, kFailed,
         "kelvane: set usb-lock on failed: system text 1013.\n", 3},
        // The write reports success but nothing was stored.
        {"not held", &none, lockOn, std::nullopt,
         test::Fault{.call = test::RegCall::SetValueEx, .result = 0}, kFailed,
         "kelvane: set usb-lock on did not take effect: the registry now gives USB Device "
         "Lock: Unlocked.\n",
         3},
        {"not read back", &none, lockOn, std::nullopt,
         test::Fault{.call = test::RegCall::QueryValueEx, .result = 1009}, kFailed,
         "kelvane: set usb-lock on: written, but it could not be read back: system text "
         "1009.\n",
         4},
        {"password right", &set, lockOnStdin, L"pass word", std::nullopt, kDone,
         "USB Device Lock: Locked\n", 4},
        {"password wrong", &set, lockOnStdin, L"Pass word", std::nullopt, kFailed,
         "kelvane: Invalid password. Nothing was changed.\n", 3},
        {"password not passed", &set, lockOn, L"pass word", std::nullopt, kFailed,
         "kelvane: a password is set: pass --password-stdin and write the password to "
         "standard input; nothing was changed.\n",
         3},
        {"no input", &set, lockOnStdin, std::nullopt, std::nullopt, kFailed,
         "kelvane: no password could be read from standard input; nothing was changed.\n", 3},
        {"store unreadable", &unreadable, lockOnStdin, L"", std::nullopt, kFailed,
         "kelvane: the stored password cannot be read (system text 5); nothing was changed.\n", 3},
        {"usage",
         &none,
         {L"set", L"usb-lock", L"up"},
         std::nullopt,
         std::nullopt,
         kUsage,
         "kelvane: unknown value for usb-lock: use on or off.\n",
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 3);
        registry.ClearFaults();
        if (c.fault) {
            registry.InjectFault(*c.fault);
        }
        stored = *c.stored;
        console = RecordingConsole{};
        console.input = c.input;
        EXPECT_EQ(Run(c.arguments), c.exitCode);
        registry.ClearFaults();
        if (c.exitCode == kDone) {
            EXPECT_EQ(console.out, c.said);
            EXPECT_EQ(console.err, "");
        } else {
            EXPECT_EQ(console.out, "");
            EXPECT_TRUE(console.err.starts_with(c.said)) << console.err;
        }
        EXPECT_EQ(Start(), c.start);
        EXPECT_EQ(registry.OpenKeyCount(), 0u);
    }
}

TEST_F(RunTest, StatusNeverReportsAStateItCouldNotRead) {
    registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 4);
    registry.InjectFault({.call = test::RegCall::OpenKeyEx, .result = 5, .subKey = kUsbStor});
    EXPECT_EQ(Run({L"status", L"--json"}), kFailed);
    EXPECT_EQ(console.out, R"({"version": 1, "writeProtect": false, "usbLock": null, )"
                           R"("autorun": true, )"
                           R"("drives": [], "windowsPolicy": {"layer": {"writeProtect": )"
                           R"({"set": false, "byKelvane": false, "values": []}, "usbLock": )"
                           R"({"set": false, "byKelvane": false, "values": []}}}})"
                           "\n");
    const std::string line = "kelvane: the state of USB Device Lock is unknown: the value could "
                             "not be read: system text 5.\n";
    EXPECT_EQ(console.err, line);

    console = RecordingConsole{};
    EXPECT_EQ(Run({L"status"}), kFailed);
    EXPECT_EQ(console.out, "USB Device Write Protection: Disabled\n"
                           "USB Device Lock: unknown (the value could not be read: system text 5)\n"
                           "USB Device Autorun: Enabled\n"
                           "No USB Storage device detected.\n");
    EXPECT_EQ(console.err, line);
}

TEST_F(RunTest, SetJsonFailsAsStatusDoesWhenTheReportIsNotComplete) {
    // The lock cannot be read; write protection is changed and read back.
    registry.InjectFault({.call = test::RegCall::OpenKeyEx, .result = 5, .subKey = kUsbStor});
    const std::string policies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
    EXPECT_EQ(Run({L"set", L"write-protect", L"on", L"--json"}), kFailed);
    EXPECT_NE(console.out.find(R"("writeProtect": true, "usbLock": null)"), std::string::npos)
        << console.out;
    EXPECT_EQ(console.err, "kelvane: done (USB Device Write Protection: Enabled), but the state "
                           "of USB Device Lock is unknown: the value could not be read: system "
                           "text 5.\n");
    EXPECT_EQ(registry.GetDWord(reg::kHkeyLocalMachine, policies, "WriteProtect"), 1u);

    console = RecordingConsole{};
    EXPECT_EQ(Run({L"status", L"--json"}), kFailed);
    // Without --json only the changed state is reported, and it was read back.
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"set", L"write-protect", L"off"}), kDone);
    EXPECT_EQ(console.out, "USB Device Write Protection: Disabled\n");

    registry.ClearFaults();
    drives.Fail(21);
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"set", L"write-protect", L"on", L"--json"}), kFailed);
    EXPECT_EQ(console.out, "");
    EXPECT_TRUE(console.err.ends_with("kelvane: done (USB Device Write Protection: Enabled), "
                                      "but the state cannot be reported.\n"))
        << console.err;
}

TEST_F(RunTest, AutorunSaysWhenOnlyThePerUserValueWasWritten) {
    registry.SetDWord(reg::kHkeyLocalMachine, kExplorer, "NoDriveTypeAutoRun", 255);
    registry.InjectFault(
        {.call = test::RegCall::SetValueEx, .result = 5, .root = reg::kHkeyLocalMachine});
    EXPECT_EQ(Run({L"set", L"autorun", L"on"}), kFailed);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(console.err,
              "kelvane: set autorun on: only the per-user value was written, not the "
              "machine-wide one (Windows refused it: administrator rights are needed). The "
              "registry now gives USB Device Autorun: Disabled.\n");
    EXPECT_EQ(registry.GetDWord(reg::kHkeyCurrentUser, kExplorer, "NoDriveTypeAutoRun"), 0u);
}

// Administrator rights are named as the way out only to a process that lacks them: an
// elevated one (or SYSTEM) is told which key refused, since running again cannot help.
TEST_F(RunTest, ARefusalIsExplainedByTheRightsTheProcessHas) {
    struct Case {
        const char* what;
        bool elevated;
        std::vector<std::wstring> arguments;
        reg::RootValue root;
        std::string key;
        std::string said;
    };
    const std::string usbStorPath = "HKEY_LOCAL_MACHINE\\" + kUsbStor;
    const Case cases[] = {
        {"lock, standard user",
         false,
         {L"set", L"usb-lock", L"on"},
         reg::kHkeyLocalMachine,
         kUsbStor,
         "kelvane: administrator rights are needed for set usb-lock on: Windows refused the "
         "change. Run it as an administrator.\n"},
        {"lock, elevated",
         true,
         {L"set", L"usb-lock", L"on"},
         reg::kHkeyLocalMachine,
         kUsbStor,
         "kelvane: Windows refused set usb-lock on: Kelvane runs as an administrator, so the "
         "permissions of " +
             usbStorPath + " or a policy forbid the change.\n"},
        {"autorun half, elevated",
         true,
         {L"set", L"autorun", L"off"},
         reg::kHkeyLocalMachine,
         kExplorer,
         "kelvane: set autorun off: only the per-user value was written, not the machine-wide "
         "one (Windows refused it: Kelvane runs as an administrator, so the permissions of "
         "HKEY_LOCAL_MACHINE\\" +
             kExplorer +
             " or a policy forbid the change). The registry now gives USB Device Autorun: "
             "Disabled.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 3);
        registry.ClearFaults();
        registry.InjectFault(
            {.call = test::RegCall::SetValueEx, .result = 5, .root = c.root, .subKey = c.key});
        console = RecordingConsole{};
        elevated = c.elevated;
        EXPECT_EQ(Run(c.arguments), kFailed);
        EXPECT_EQ(console.out, "");
        EXPECT_EQ(console.err, c.said);
        EXPECT_EQ(Start(), 3u);
    }
}

// A cancelled command fails and leaves the registry as it was, wherever the cancel came.
TEST_F(RunTest, ACancelledSetFailsAndChangesNothing) {
    stored = {password::StoreReadStatus::Value, L"pass word", 0};
    for (const bool atPrompt : {true, false}) {
        SCOPED_TRACE(atPrompt ? "at the prompt" : "before the change");
        console = RecordingConsole{};
        console.console = true;
        console.input = L"pass word";
        console.cancelAtPrompt = atPrompt;
        console.cancelledBeforeChange = !atPrompt;
        registry.ClearCalls();
        EXPECT_EQ(Run({L"set", L"usb-lock", L"on"}), kFailed);
        EXPECT_EQ(console.err, "kelvane: cancelled; nothing was changed.\n");
        EXPECT_EQ(Start(), 3u);
        for (const test::CallRecord& call : registry.Calls()) {
            EXPECT_NE(call.call, test::RegCall::SetValueEx);
        }
    }
}

TEST_F(RunTest, PasswordIsAskedAtAConsoleLimitedInLengthAndRewrittenHashed) {
    const std::vector<std::wstring> lockOn = {L"set", L"usb-lock", L"on"};
    stored = {password::StoreReadStatus::Value, L"pass word", 0};
    struct Case {
        const char* what;
        bool atConsole;
        std::wstring typed;
        int exitCode;
        std::string said;
    };
    const Case cases[] = {
        // At a prompt the password is asked for without --password-stdin.
        {"typed at a console", true, L"pass word", kDone, ""},
        {"too long", true, std::wstring(password::kMaxPasswordLength + 1, L'x'), kFailed,
         "kelvane: the password is longer than 1024 characters; nothing was changed.\n"},
        {"no console, no option", false, L"pass word", kFailed, "kelvane: a password is set"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 3);
        console = RecordingConsole{};
        console.console = c.atConsole;
        console.input = c.typed;
        rewritten.clear();
        EXPECT_EQ(Run(lockOn), c.exitCode);
        EXPECT_TRUE(console.err.starts_with(c.said)) << console.err;
        EXPECT_EQ(Start(), c.exitCode == kDone ? 4u : 3u);
        // The plain-text form of an earlier version goes once the password was right.
        EXPECT_EQ(rewritten, c.exitCode == kDone ? std::vector<std::wstring>{L"pass word|pass word"}
                                                 : std::vector<std::wstring>{});
    }
}

TEST_F(RunTest, ChangeMadeStaysDoneWhenItsOutputCannotBeWritten) {
    console.outputFails = true;
    EXPECT_EQ(Run({L"set", L"usb-lock", L"on"}), kDone);
    EXPECT_EQ(Start(), 4u);
    EXPECT_EQ(console.err,
              "kelvane: done (USB Device Lock: Locked), but the output could not be written.\n");

    console = RecordingConsole{};
    console.outputFails = true;
    EXPECT_EQ(Run({L"status"}), kFailed);
    EXPECT_EQ(console.err, "kelvane: the output could not be written.\n");
}

TEST_F(RunTest, SetJsonPrintsTheNewStateAsStatusDoes) {
    drives.drives = {{L"E", drives::DriveType::Removable, true, L"DATA"}};
    EXPECT_EQ(Run({L"set", L"usb-lock", L"on", L"--json"}), kDone);
    const std::string afterSet = console.out;
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"status", L"--json"}), kDone);
    EXPECT_EQ(afterSet, console.out);
    EXPECT_NE(afterSet.find(R"("usbLock": true)"), std::string::npos) << afterSet;
}

const std::string kPolicyDisks = "SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices\\"
                                 "{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";

TEST_F(RunTest, TheWindowsPolicyFlagAddsTheLayerAndOffTakesAwayOnlyKelvanes) {
    struct Case {
        const char* what;
        std::vector<std::wstring> on;
        std::optional<std::uint32_t> before; // Deny_Write for removable disks beforehand
        std::optional<std::uint32_t> afterOn, afterOff;
        std::string said;
    };
    const Case cases[] = {
        {"added",
         {L"set", L"write-protect", L"on", L"--windows-policy"},
         {},
         1u,
         {},
         "USB Device Write Protection: Enabled\nWindows' removable-storage policy: added\n"},
        {"set beforehand",
         {L"set", L"write-protect", L"on", L"--windows-policy"},
         1u,
         1u,
         1u,
         "USB Device Write Protection: Enabled\nWindows' removable-storage policy: added\n"},
        {"without the flag",
         {L"set", L"write-protect", L"on"},
         {},
         {},
         {},
         "USB Device Write Protection: Enabled\n"},
        {"the lock",
         {L"set", L"usb-lock", L"on", L"--windows-policy"},
         {},
         1u,
         {},
         "USB Device Lock: Locked\nWindows' removable-storage policy: added\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.DeleteKey(reg::kHkeyLocalMachine, "SOFTWARE");
        if (c.before) {
            registry.SetDWord(reg::kHkeyLocalMachine, kPolicyDisks, "Deny_Write", *c.before);
        }
        console = RecordingConsole{};
        EXPECT_EQ(Run(c.on), kDone) << console.err;
        EXPECT_EQ(console.out, c.said);
        EXPECT_EQ(registry.GetDWord(reg::kHkeyLocalMachine, kPolicyDisks, "Deny_Write"), c.afterOn);

        EXPECT_EQ(Run({c.on[0], c.on[1], L"off"}), kDone) << console.err;
        EXPECT_EQ(registry.GetDWord(reg::kHkeyLocalMachine, kPolicyDisks, "Deny_Write"),
                  c.afterOff);
    }
}

TEST_F(RunTest, TheLayerIsShownInStatusAndItsRefusalsSaid) {
    EXPECT_EQ(Run({L"set", L"usb-lock", L"on", L"--windows-policy", L"--json"}), kDone);
    EXPECT_NE(console.out.find(R"("usbLock": {"set": true, "byKelvane": true, )"
                               R"("since": "2025-12-12T08:00:00Z", "values": [{"key": )"),
              std::string::npos)
        << console.out;
    EXPECT_EQ(applied, 1);
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"status"}), kDone);
    EXPECT_NE(console.out.find("Windows' removable-storage policy under USB Device Lock: set by "
                               "Kelvane since 2025-12-12T08:00:00Z\n"),
              std::string::npos)
        << console.out;

    // Windows from a USB drive: the switch is set, the layer refused, and the exit says so.
    registry.DeleteKey(reg::kHkeyLocalMachine, "SOFTWARE");
    systemOnUsb = true;
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"set", L"write-protect", L"on", L"--windows-policy"}), kFailed);
    EXPECT_EQ(console.err, "kelvane: set write-protect on: USB Device Write Protection: Enabled, "
                           "but Windows' removable-storage policy was not added: Windows runs "
                           "from a USB, SD, MMC or 1394 drive, and the policy could lock it out "
                           "of itself.\n");
    EXPECT_FALSE(registry.GetDWord(reg::kHkeyLocalMachine, kPolicyDisks, "Deny_Write"));

    systemOnUsb = false;
    registry.InjectFault({.call = test::RegCall::CreateKey, .result = 5, .subKey = kPolicyDisks});
    console = RecordingConsole{};
    EXPECT_EQ(Run({L"set", L"write-protect", L"on", L"--windows-policy"}), kFailed);
    EXPECT_NE(console.err.find("Windows refused it ({53f5630d-b6bf-11d0-94f2-00a0c91efb8b}"
                               "\\Deny_Write); administrator rights are needed."),
              std::string::npos)
        << console.err;
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST_F(RunTest, EveryChangeAndWrongPasswordIsRecordedAndNothingElse) {
    using audit::EventId;
    const std::vector<std::wstring> lockOnStdin = {L"set", L"usb-lock", L"on", L"--password-stdin"};
    const password::StoredPasswordRead none{password::StoreReadStatus::Missing, L"", 0};
    const password::StoredPasswordRead set{password::StoreReadStatus::Value, L"pass word", 0};
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        const password::StoredPasswordRead* stored;
        std::optional<test::Fault> fault;
        std::vector<EventId> ids;
        std::vector<std::wstring> inserts; // of the one event, when there is one
    };
    const Case cases[] = {
        {"done",
         {L"set", L"usb-lock", L"on"},
         &none,
         std::nullopt,
         {EventId::ProtectionChanged},
         {L"USB Device Lock", L"Unlocked", L"Locked", L"Kelvane command line", L"Done"}},
        // Autorun in the window's words: "on" allows it, shown as "Enabled".
        {"autorun",
         {L"set", L"autorun", L"on"},
         &none,
         std::nullopt,
         {EventId::ProtectionChanged},
         {L"USB Device Autorun", L"Disabled", L"Enabled", L"Kelvane command line", L"Done"}},
        {"refused",
         {L"set", L"usb-lock", L"on"},
         &none,
         test::Fault{.call = test::RegCall::SetValueEx, .result = 5},
         {EventId::ProtectionRefused},
         {L"USB Device Lock", L"Unlocked", L"Locked", L"Kelvane command line",
          L"Refused by Windows: system text 5"}},
        {"failed",
         {L"set", L"usb-lock", L"on"},
         &none,
         test::Fault{.call = test::RegCall::SetValueEx, .result = 1013},
         {EventId::ProtectionFailed},
         {L"USB Device Lock", L"Unlocked", L"Locked", L"Kelvane command line",
          L"Failed: system text 1013"}},
        // The state before could not be read; the change is recorded all the same.
        {"before unknown",
         {L"set", L"usb-lock", L"on"},
         &none,
         test::Fault{.call = test::RegCall::QueryValueEx, .result = 1009, .times = 1},
         {EventId::ProtectionChanged},
         {L"USB Device Lock", L"Unknown", L"Locked", L"Kelvane command line", L"Done"}},
        {"right password", lockOnStdin, &set, std::nullopt, {EventId::ProtectionChanged}, {}},
        {"wrong password",
         lockOnStdin,
         &set,
         std::nullopt,
         {EventId::PasswordCheckFailed},
         {L"Kelvane command line"}},
        {"status", {L"status"}, &set, std::nullopt, {}, {}},
        {"usage", {L"set", L"usb-lock"}, &none, std::nullopt, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry.SetDWord(reg::kHkeyLocalMachine, kUsbStor, "Start", 3);
        registry.SetDWord(reg::kHkeyLocalMachine, kExplorer, "NoDriveTypeAutoRun", 255);
        registry.SetDWord(reg::kHkeyCurrentUser, kExplorer, "NoDriveTypeAutoRun", 255);
        registry.ClearFaults();
        if (c.fault) {
            registry.InjectFault(*c.fault);
        }
        stored = *c.stored;
        console = RecordingConsole{};
        console.input = c.what == std::string("wrong password") ? L"Pass word" : L"pass word";
        events.clear();
        Run(c.arguments);
        registry.ClearFaults();
        std::vector<EventId> ids;
        for (const audit::Event& event : events) {
            ids.push_back(event.id);
        }
        EXPECT_EQ(ids, c.ids);
        if (!c.inserts.empty() && !events.empty()) {
            EXPECT_EQ(events[0].inserts, c.inserts);
        }
    }
}

TEST_F(RunTest, AnEventLogThatCannotBeWrittenIsOneLineAndChangesNothingElse) {
    auditResult = 1502; // the event log is full
    EXPECT_EQ(Run({L"set", L"usb-lock", L"on"}), kDone);
    EXPECT_EQ(Start(), 4u);
    EXPECT_EQ(console.out, "USB Device Lock: Locked\n");
    EXPECT_EQ(console.err, "kelvane: the event log could not be written: system text 1502.\n");

    // A wrong password: the refusal's own line follows, and its exit code stands.
    stored = {password::StoreReadStatus::Value, L"pass word", 0};
    console = RecordingConsole{};
    console.input = L"wrong";
    EXPECT_EQ(Run({L"set", L"usb-lock", L"off", L"--password-stdin"}), kFailed);
    EXPECT_EQ(console.err, "kelvane: the event log could not be written: system text 1502.\n"
                           "kelvane: Invalid password. Nothing was changed.\n");
    EXPECT_EQ(Start(), 4u);
}

} // namespace
} // namespace kv::cli
