#include "cli/command.h"

#include "protection/switch_facts.h"

#include <algorithm>
#include <optional>

namespace kv::cli {
namespace {

// Windows command lines are case-insensitive by habit: "STATUS", "Set USB-Lock ON".
std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return folded;
}

bool LooksLikeOption(std::wstring_view argument) {
    return !argument.empty() && (argument.front() == L'-' || argument.front() == L'/');
}

bool IsHelpFlag(std::wstring_view folded) {
    return folded == L"--help" || folded == L"-h" || folded == L"/?" || folded == L"-?" ||
           folded == L"/h" || folded == L"/help";
}

// A password given as an argument would be readable in every process list, so any spelling
// of one is turned away (and never echoed back), rather than reported as unknown.
bool IsPasswordArgument(std::wstring_view folded) {
    if (folded == L"--password-stdin") {
        return false;
    }
    const std::size_t name = folded.find_first_not_of(L"-/");
    if (name == 0 || name == std::wstring_view::npos) {
        return false;
    }
    const std::wstring_view option = folded.substr(name);
    for (const std::wstring_view prefix : {L"pass", L"pw", L"pin", L"secret"}) {
        if (option.starts_with(prefix)) {
            return true;
        }
    }
    return option == L"p" || option.starts_with(L"p=") || option.starts_with(L"p:");
}

std::optional<Switch> SwitchFromArgument(std::wstring_view folded) {
    for (const protection::SwitchFacts& known : protection::kSwitchFacts) {
        if (folded == known.commandName) {
            return known.which;
        }
    }
    return std::nullopt;
}

// No usage error repeats what was typed: a stray word or an option's value may be a
// password typed in the wrong place (`set usb-lock on s3cret`), a usage error is often
// shown or logged, and typed text may hold escape sequences the console would act on.
// Each says what was expected instead.
struct Expected {
    std::wstring_view options; // for an unknown option
    std::wstring_view words;   // for a word too many
};
constexpr Expected kAtStart{L"unknown option: use status, check, set, --help or --version.",
                            L"unknown command: use status, check, set, help or --version."};
constexpr Expected kAfterStatus{L"unknown option: status takes only --json.",
                                L"too many arguments: status takes only --json."};
constexpr Expected kAfterCheck{
    L"unknown option: check takes only --json.",
    L"check takes write-protect, usb-lock or autorun (or none, for the protections that are "
    L"on)."};
constexpr Expected kAfterSet{
    L"unknown option: set takes --json, --password-stdin and --windows-policy.",
    L"too many arguments: set takes a protection, on or off, --json, --password-stdin and "
    L"--windows-policy."};
constexpr Expected kAfterVersion{L"--version takes no argument.", L"--version takes no argument."};

UsageError Unexpected(std::wstring_view argument, const Expected& expected) {
    return {std::wstring(LooksLikeOption(argument) ? expected.options : expected.words)};
}

Parsed ParseStatus(const std::vector<std::wstring>& arguments) {
    Command command{.verb = Verb::Status};
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (Folded(arguments[i]) == L"--json") {
            command.json = true;
        } else {
            return Unexpected(arguments[i], kAfterStatus);
        }
    }
    return command;
}

Parsed ParseCheck(const std::vector<std::wstring>& arguments) {
    Command command{.verb = Verb::Check};
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring folded = Folded(arguments[i]);
        if (folded == L"--json") {
            command.json = true;
        } else if (LooksLikeOption(folded)) {
            return Unexpected(arguments[i], kAfterCheck);
        } else if (const auto name = SwitchFromArgument(folded)) {
            if (std::ranges::find(command.checks, *name) == command.checks.end()) {
                command.checks.push_back(*name);
            }
        } else {
            return Unexpected(arguments[i], kAfterCheck);
        }
    }
    return command;
}

Parsed ParseSet(const std::vector<std::wstring>& arguments) {
    Command command{.verb = Verb::Set};
    std::vector<std::wstring_view> words;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring folded = Folded(arguments[i]);
        if (folded == L"--password-stdin") {
            command.passwordStdin = true;
        } else if (folded == L"--json") {
            command.json = true;
        } else if (folded == L"--windows-policy") {
            command.windowsPolicy = true;
        } else if (LooksLikeOption(folded) || words.size() == 2) {
            return Unexpected(arguments[i], kAfterSet);
        } else {
            words.push_back(arguments[i]);
        }
    }
    if (words.empty()) {
        return UsageError{L"set needs a protection: write-protect, usb-lock or autorun."};
    }
    const auto name = SwitchFromArgument(Folded(words[0]));
    if (!name) {
        return UsageError{L"unknown protection: use write-protect, usb-lock or autorun."};
    }
    command.name = *name;
    const std::wstring argumentName(ArgumentName(*name));
    if (words.size() < 2) {
        return UsageError{L"set " + argumentName + L" needs on or off."};
    }
    const std::wstring value = Folded(words[1]);
    if (value != L"on" && value != L"off") {
        return UsageError{L"unknown value for " + argumentName + L": use on or off."};
    }
    command.argumentOn = value == L"on";
    if (command.windowsPolicy && *name == Switch::Autorun) {
        return UsageError{L"--windows-policy goes with write-protect or usb-lock, not autorun."};
    }
    return command;
}

} // namespace

Parsed ParseArguments(const std::vector<std::wstring>& arguments) {
    // Asking for help anywhere is answered with help, and help changes nothing.
    for (const std::wstring& argument : arguments) {
        if (IsHelpFlag(Folded(argument))) {
            return Command{.verb = Verb::Help};
        }
    }
    for (const std::wstring& argument : arguments) {
        if (IsPasswordArgument(Folded(argument))) {
            return UsageError{L"a password is not accepted on the command line, where other "
                              L"users can see it; pass --password-stdin and write it to "
                              L"standard input."};
        }
    }
    if (arguments.empty()) {
        return Command{.verb = Verb::Help};
    }

    const std::wstring verb = Folded(arguments[0]);
    if (verb == L"status") {
        return ParseStatus(arguments);
    }
    if (verb == L"set") {
        return ParseSet(arguments);
    }
    if (verb == L"check") {
        return ParseCheck(arguments);
    }
    if (verb == L"help") {
        return Command{.verb = Verb::Help};
    }
    if (verb == L"--version") {
        if (arguments.size() > 1) {
            return Unexpected(arguments[1], kAfterVersion);
        }
        return Command{.verb = Verb::Version};
    }
    return Unexpected(arguments[0], kAtStart);
}

std::wstring_view ArgumentName(Switch name) {
    return protection::FactsOf(name).commandName;
}

std::wstring_view ShortUsageText() {
    return L"Usage: kelvane status [--json]\n"
           L"       kelvane check [write-protect] [usb-lock] [autorun] [--json]\n"
           L"       kelvane set write-protect|usb-lock|autorun on|off [--json]\n"
           L"                   [--password-stdin] [--windows-policy]\n"
           L"       (autorun on ALLOWS autorun, turning that protection off)\n"
           L"       kelvane --help | --version\n";
}

std::wstring_view UsageText() {
    return L"Usage:\n"
           L"  kelvane                        open the window\n"
           L"  kelvane status [--json]        show the protections and the ready removable\n"
           L"                                 drives (--json: one JSON object)\n"
           L"  kelvane set NAME on|off [--json] [--password-stdin]\n"
           L"                                 switch a protection on or off; NAME is\n"
           L"                                 write-protect, usb-lock or autorun (--json:\n"
           L"                                 then print the state as status --json does)\n"
           L"                                 For autorun the sense is reversed, as in the\n"
           L"                                 window: 'autorun on' ALLOWS autorun (the\n"
           L"                                 protection is off), 'autorun off' suppresses\n"
           L"                                 it (the protection is on).\n"
           L"  kelvane check [NAME...] [--json]\n"
           L"                                 whether each named protection is on (autorun:\n"
           L"                                 suppressed) and holds for every listed drive;\n"
           L"                                 no NAME: the protections that are on\n"
           L"  kelvane set write-protect|usb-lock on --windows-policy\n"
           L"                                 also add Windows' own removable-storage\n"
           L"                                 policy; 'off' takes away what Kelvane added\n"
           L"  kelvane --help                 show this text (also -h, /?, help)\n"
           L"  kelvane --version              show the version\n"
           L"\n"
           L"When a password is set, 'set' asks for it at a console prompt, without echo;\n"
           L"a script passes --password-stdin and writes the password as the first line of\n"
           L"standard input. Changing a protection needs administrator rights.\n"
           L"\n"
           L"Exit codes: 0 done (check: compliant); 1 refused or failed, or a state could\n"
           L"not be read; 2 usage error (nothing was changed); 3 check: not compliant.\n";
}

bool HasArguments(std::wstring_view commandLine) {
    std::size_t at = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        at = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        at = std::min(commandLine.find_first_of(L" \t"), commandLine.size());
    }
    return commandLine.find_first_not_of(L" \t", at) != std::wstring_view::npos;
}

} // namespace kv::cli
