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
        {{L"frobnicate"}, L"unknown command 'frobnicate'."},
        {{L"--json"}, L"unknown option '--json'."},
        {{L"status", L"--xml"}, L"unknown option '--xml'."},
        {{L"status", L"now"}, L"unexpected argument after 'status'."},
        {{L"status", L"--xml=s3cret"}, L"unknown option '--xml'."},
        {{L"set"}, L"set needs a protection: write-protect, usb-lock or autorun."},
        {{L"set", L"--password-stdin"},
         L"set needs a protection: write-protect, usb-lock or autorun."},
        {{L"set", L"writeprotect", L"on"},
         L"unknown protection 'writeprotect': use write-protect, usb-lock or autorun."},
        {{L"set", L"usb-lock"}, L"set usb-lock needs on or off."},
        {{L"set", L"autorun", L"yes"}, L"unknown value 'yes' for autorun: use on or off."},
        {{L"set", L"autorun", L"off", L"--windows-policy"},
         L"--windows-policy goes with write-protect or usb-lock, not autorun."},
        {{L"status", L"--windows-policy"}, L"unknown option '--windows-policy'."},
        {{L"set", L"autorun", L"1"}, L"unknown value '1' for autorun: use on or off."},
        // Words and option values where none belong may be a misplaced password: not echoed.
        {{L"set", L"autorun", L"on", L"s3cret"}, L"unexpected argument after 'on'."},
        {{L"set", L"autorun", L"on", L"/key:s3cret"}, L"unknown option '/key'."},
        {{L"set", L"autorun", L"on", L"--force"}, L"unknown option '--force'."},
        {{L"--version", L"2"}, L"unexpected argument after '--version'."},
        {{L""}, L"unknown command ''."},
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
