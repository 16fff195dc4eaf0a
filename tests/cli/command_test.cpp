#include "cli/command.h"

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

using Args = std::vector<std::wstring>;

struct GoodLine {
    Args args;
    Command expected;
};

TEST(ParseArguments, GoodCommandLines) {
    const Command status{.verb = Verb::Status};
    const Command json{.verb = Verb::Status, .json = true};
    const Command help{.verb = Verb::Help};
    const GoodLine lines[] = {
        {{L"status"}, status},
        {{L"status", L"--json"}, json},
        {{L"STATUS", L"--JSON"}, json},
        {{L"set", L"write-protect", L"on"},
         {.verb = Verb::Set, .name = Switch::WriteProtect, .argumentOn = true}},
        {{L"set", L"usb-lock", L"off"}, {.verb = Verb::Set, .name = Switch::UsbLock}},
        {{L"Set", L"AutoRun", L"Off", L"--password-stdin"},
         {.verb = Verb::Set, .name = Switch::Autorun, .passwordStdin = true}},
        {{L"set", L"write-protect", L"on", L"--Windows-Policy"},
         {.verb = Verb::Set,
          .name = Switch::WriteProtect,
          .argumentOn = true,
          .windowsPolicy = true}},
        {{L"set", L"--windows-policy", L"usb-lock", L"off"},
         {.verb = Verb::Set, .name = Switch::UsbLock, .windowsPolicy = true}},
        {{L"set", L"--password-stdin", L"autorun", L"on"},
         {.verb = Verb::Set, .name = Switch::Autorun, .argumentOn = true, .passwordStdin = true}},
        {{L"--help"}, help},
        {{L"-h"}, help},
        {{L"/?"}, help},
        {{L"help"}, help},
        {{L"help", L"set"}, help},
        // Help anywhere wins: it changes nothing, even on a line that is otherwise wrong.
        {{L"set", L"usb-lock", L"--help"}, help},
        {{L"bogus", L"/?"}, help},
        {{L"--version"}, {.verb = Verb::Version}},
        {{L"set", L"usb-lock", L"on", L"--json"},
         {.verb = Verb::Set, .json = true, .name = Switch::UsbLock, .argumentOn = true}},
        {{L"check"}, {.verb = Verb::Check}},
        // Each name once, in the order given, whatever the case; --json anywhere.
        {{L"Check", L"--json", L"AUTORUN", L"write-protect", L"autorun"},
         {.verb = Verb::Check, .json = true, .checks = {Switch::Autorun, Switch::WriteProtect}}},
        {{L"check", L"usb-lock"}, {.verb = Verb::Check, .checks = {Switch::UsbLock}}},
    };
    for (const GoodLine& line : lines) {
        const Parsed parsed = ParseArguments(line.args);
        ASSERT_TRUE(std::holds_alternative<Command>(parsed)) << line.args.size();
        EXPECT_EQ(std::get<Command>(parsed), line.expected) << line.args[0];
    }
}

struct BadLine {
    Args args;
    std::wstring reason;
};

TEST(ParseArguments, BadCommandLinesSayWhy) {
    const std::wstring noPassword =
        L"a password is not accepted on the command line, where other users can see it; "
        L"pass --password-stdin and write it to standard input.";
    const BadLine lines[] = {
        {{L"frobnicate"}, L"unknown command: use status, check, set, help or --version."},
        {{L"--json"}, L"unknown option: use status, check, set, --help or --version."},
        {{L"status", L"--xml"}, L"unknown option: status takes only --json."},
        {{L"status", L"now"}, L"too many arguments: status takes only --json."},
        {{L"set"}, L"set needs a protection: write-protect, usb-lock or autorun."},
        {{L"set", L"--password-stdin"},
         L"set needs a protection: write-protect, usb-lock or autorun."},
        {{L"set", L"writeprotect", L"on"},
         L"unknown protection: use write-protect, usb-lock or autorun."},
        {{L"set", L"usb-lock"}, L"set usb-lock needs on or off."},
        {{L"set", L"autorun", L"yes"}, L"unknown value for autorun: use on or off."},
        {{L"set", L"autorun", L"off", L"--windows-policy"},
         L"--windows-policy goes with write-protect or usb-lock, not autorun."},
        {{L"status", L"--windows-policy"}, L"unknown option: status takes only --json."},
        {{L"set", L"autorun", L"on", L"s3cret"},
         L"too many arguments: set takes a protection, on or off, --json, --password-stdin and "
         L"--windows-policy."},
        {{L"set", L"autorun", L"on", L"--force"},
         L"unknown option: set takes --json, --password-stdin and --windows-policy."},
        {{L"--version", L"2"}, L"--version takes no argument."},
        {{L"check", L"write-protect", L"s3cret"},
         L"check takes write-protect, usb-lock or autorun (or none, for the protections that "
         L"are on)."},
        {{L"check", L"--password-stdin"}, L"unknown option: check takes only --json."},
        {{L""}, L"unknown command: use status, check, set, help or --version."},
        // Every spelling of a password argument is refused, and the password is not echoed.
        {{L"set", L"autorun", L"on", L"--password", L"s3cret"}, noPassword},
        {{L"set", L"autorun", L"on", L"--password=s3cret"}, noPassword},
        {{L"set", L"autorun", L"on", L"/Password:s3cret"}, noPassword},
        {{L"set", L"autorun", L"on", L"-p", L"s3cret"}, noPassword},
        {{L"set", L"autorun", L"on", L"/pass:s3cret"}, noPassword},
        {{L"set", L"autorun", L"on", L"--pw=s3cret"}, noPassword},
        {{L"status", L"--PASSWORD-STDIN=x"}, noPassword},
    };
    for (const BadLine& line : lines) {
        const Parsed parsed = ParseArguments(line.args);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << line.args.size();
        EXPECT_EQ(std::get<UsageError>(parsed).reason, line.reason);
    }
}

// A usage error is shown and logged: it never repeats what was typed, which may be a
// password in the wrong place or escape sequences the console would act on, wherever on
// the line the stray text stands.
TEST(ParseArguments, UsageErrorsNeverRepeatWhatWasTyped) {
    const std::wstring typed = L"hunter2\x1b[2J\x9b"
                               L"31m";
    const std::vector<Args> lines = {
        {typed},
        {L"--" + typed},
        {L"/" + typed + L":x"},
        {L"status", typed},
        {L"status", L"--" + typed},
        {L"status", L"--json", typed},
        {L"set", typed, L"on"},
        {L"set", L"usb-lock", typed},
        {L"set", L"usb-lock", L"on", typed},
        {L"set", typed, L"on", L"more"},
        {L"set", L"usb-lock", L"on", L"--x=" + typed},
        {L"--version", typed},
    };
    for (const Args& line : lines) {
        const Parsed parsed = ParseArguments(line);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << line.front();
        const std::wstring& reason = std::get<UsageError>(parsed).reason;
        EXPECT_EQ(reason.find(L"hunter2"), std::wstring::npos) << reason;
        EXPECT_EQ(reason.find_first_of(L"\x1b\x9b"), std::wstring::npos) << reason;
        EXPECT_FALSE(reason.empty());
    }
}

TEST(HasArguments, OnlyWhatFollowsTheProgramName) {
    const struct {
        const wchar_t* line;
        bool expected;
    } lines[] = {
        {L"kelvane.exe", false},
        {L"kelvane.exe  \t ", false},
        {L"\"C:\\Program Files\\Kelvane\\kelvane.exe\"", false},
        {L"\"C:\\Program Files\\Kelvane\\kelvane.exe\" ", false},
        {L"", false},
        {L"kelvane.exe status", true},
        {L"\"C:\\Program Files\\Kelvane\\kelvane.exe\" status", true},
        {L"\"C:\\a b\\kelvane.exe\"status", true},
        {L"\"C:\\unclosed quote status", false},
    };
    for (const auto& l : lines) {
        EXPECT_EQ(HasArguments(l.line), l.expected) << l.line;
    }
}

} // namespace
} // namespace kv::cli
