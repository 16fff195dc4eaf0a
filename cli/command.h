#pragma once
// What a command line asks for: parsed from the arguments (program name left out) into a
// command, or a usage error that says why. Parsing decides everything before anything
// runs, so a command line that exits with a usage error never changes anything.

#include "protection/switches.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kv::cli {

// Exit codes scripts test.
enum ExitCode : int {
    kDone = 0,
    kFailed = 1,       // refused or failed
    kUsage = 2,        // the command line itself is wrong; nothing was changed
    kNotCompliant = 3, // check: a protection is off or does not hold for a listed drive
};

using protection::Switch;

enum class Verb { Help, Version, Status, Set, Check };

struct Command {
    Verb verb = Verb::Help;
    bool json = false;                  // status --json, set ... --json
    Switch name = Switch::WriteProtect; // set
    bool argumentOn = false;            // set NAME on|off: "on" (for autorun, on allows it)
    bool passwordStdin = false;         // set ... --password-stdin
    bool windowsPolicy = false;         // set write-protect|usb-lock on --windows-policy
    std::vector<Switch> checks;         // check NAME...: each once, in the order given

    bool operator==(const Command&) const = default;
};

struct UsageError {
    std::wstring reason; // one line, without the program name

    bool operator==(const UsageError&) const = default;
};

using Parsed = std::variant<Command, UsageError>;

// Whether the raw command line (GetCommandLineW's) holds anything after the program's
// own name, which is read as the system reads it: up to the closing quote when it starts
// with one, else up to the first space or tab. Without, the window opens and the line
// need not be split into arguments at all.
bool HasArguments(std::wstring_view commandLine);

// `arguments` is what followed the program name; an empty list is the window's business,
// not the command line's, and parses as Help.
Parsed ParseArguments(const std::vector<std::wstring>& arguments);

// The name as written on the command line: L"write-protect", L"usb-lock", L"autorun".
std::wstring_view ArgumentName(Switch name);

// The usage text for --help, and the short one that follows a usage error; lines end in
// "\n".
std::wstring_view UsageText();
std::wstring_view ShortUsageText();

} // namespace kv::cli
