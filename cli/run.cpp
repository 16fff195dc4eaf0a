#include "cli/run.h"

#include "cli/command.h"
#include "cli/status_report.h"
#include "cli/utf8.h"
#include "drives/drive_line.h"
#include "password/password_format.h"
#include "protection/switches.h"
#include "registry/mdl_RegFunctions.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

#ifndef KELVANE_VERSION
#error "KELVANE_VERSION comes from the project version in the top CMakeLists.txt"
#endif

namespace kv::cli {
namespace {

using password::LoginAccepted;
using password::LoginRequired;
using password::SecretText;
using password::StoredPasswordRead;
using password::StoreReadStatus;

constexpr std::int32_t kAccessDenied = 5;

// Every failure is one line on standard error, saying why.
int Fail(Console& console, const std::wstring& why) {
    console.Err(ToUtf8(L"kelvane: " + why + L"\n"));
    return kFailed;
}

int Print(Console& console, std::string_view utf8) {
    return console.Out(utf8) ? kDone : Fail(console, L"the output could not be written.");
}

// A change that was made stays made when its report cannot be written: it is said where
// it still can be, and the exit code is the change's.
int PrintChange(Console& console, std::string_view utf8, const std::wstring& state) {
    if (!console.Out(utf8)) {
        console.Err(
            ToUtf8(L"kelvane: done (" + state + L"), but the output could not be written.\n"));
    }
    return kDone;
}

std::wstring Widened(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring DriveErrorText(const drives::DriveError& error, Services& services) {
    return error.call + L" failed (" + services.systemMessage(error.code) + L")";
}

SwitchStates ReadStates() {
    return {.writeProtect = protection::IsSwitchOn(protection::Switch::WriteProtect),
            .usbLock = protection::IsSwitchOn(protection::Switch::UsbLock),
            .autorun = protection::IsSwitchOn(protection::Switch::Autorun)};
}

// The state as `status` reports it, or the one line that says why it cannot be.
std::optional<StatusReport> ReadReport(Services& services, Console& console) {
    StatusReport report;
    report.states = ReadStates();
    // Values that are missing are part of the state; their read failures are no error here.
    reg::mdl_RegFunctions::TakeFailures();
    const auto drives = drives::ListReadyRemovableDrives(services.drives);
    if (!drives) {
        Fail(console,
             L"the drives could not be listed: " + DriveErrorText(drives.error(), services) + L".");
        return std::nullopt;
    }
    report.drives = *drives;
    return report;
}

int Status(const Command& command, Services& services, Console& console) {
    const auto report = ReadReport(services, console);
    if (!report) {
        return kFailed;
    }
    return Print(console, command.json ? StatusJson(*report) : ToUtf8(StatusText(*report)));
}

// Whoever may change the protections from the window may change them from here: the
// password, when one is set, is asked for in the same way and checked by the same code.
int CheckPassword(const Command& command, Services& services, Console& console) {
    StoredPasswordRead stored = services.readStoredPassword();
    struct Wiper {
        StoredPasswordRead& read;
        ~Wiper() { password::WipeRead(read); }
    } wiper{stored};
    if (!LoginRequired(stored)) {
        return kDone;
    }
    if (stored.status == StoreReadStatus::Failed) {
        return Fail(console, L"the stored password cannot be read (" +
                                 services.systemMessage(stored.error) + L"); nothing was changed.");
    }
    // Typed at a prompt it is asked for without echo; a script pipes it.
    if (!command.passwordStdin && !console.CanAskPassword()) {
        return Fail(console, L"a password is set: pass --password-stdin and write the password "
                             L"to standard input; nothing was changed.");
    }
    SecretText entered;
    switch (console.ReadPasswordLine(entered)) {
    case PasswordLine::Read:
        break;
    case PasswordLine::None:
        return Fail(console,
                    L"no password could be read from standard input; nothing was changed.");
    case PasswordLine::TooLong:
        return Fail(console, L"the password is longer than " +
                                 std::to_wstring(password::kMaxPasswordLength) +
                                 L" characters; nothing was changed.");
    }
    if (!LoginAccepted(stored, entered.view(), services.deriver)) {
        return Fail(console, L"Invalid password. Nothing was changed.");
    }
    if (password::ClassifyStoredPassword(stored.text) == password::StoredKind::Legacy &&
        services.rewriteHashed) {
        services.rewriteHashed(stored.text, entered.view());
    }
    return kDone;
}

int Set(const Command& command, Services& services, Console& console) {
    if (const int refused = CheckPassword(command, services, console); refused != kDone) {
        return refused;
    }
    const std::wstring asked =
        L"set " + std::wstring(ArgumentName(command.name)) + (command.on ? L" on" : L" off");
    const std::vector<std::int32_t> failures = protection::SetSwitch(command.name, command.on);
    // The state is whatever the registry holds now, read by the window's rules.
    const bool nowOn = protection::IsSwitchOn(command.name);
    reg::mdl_RegFunctions::TakeFailures();

    if (std::ranges::find(failures, kAccessDenied) != failures.end()) {
        return Fail(console, L"administrator rights are needed for " + asked +
                                 L": Windows refused the change. Run it as an administrator.");
    }
    if (!failures.empty()) {
        return Fail(console,
                    asked + L" failed: " + services.systemMessage(failures.front()) + L".");
    }
    if (nowOn != command.on) {
        return Fail(console, asked + L" did not take effect: the registry now gives " +
                                 StateLine(command.name, nowOn) + L".");
    }
    const std::wstring state = StateLine(command.name, nowOn);
    if (!command.json) {
        return PrintChange(console, ToUtf8(state + L"\n"), state);
    }
    // The whole state, as `status --json` gives it, for a script that goes on from there.
    const auto report = ReadReport(services, console);
    if (!report) {
        console.Err(ToUtf8(L"kelvane: done (" + state + L").\n"));
        return kDone;
    }
    return PrintChange(console, StatusJson(*report), state);
}

int Run(const Command& command, Services& services, Console& console) {
    switch (command.verb) {
    case Verb::Help:
        return Print(console, ToUtf8(UsageText()));
    case Verb::Version:
        return Print(console, "Kelvane " KELVANE_VERSION "\n");
    case Verb::Status:
        return Status(command, services, console);
    case Verb::Set:
        return Set(command, services, console);
    }
    return kFailed;
}

} // namespace

int RunCommandLine(const std::vector<std::wstring>& arguments, Services& services,
                   Console& console) {
    const Parsed parsed = ParseArguments(arguments);
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        console.Err(ToUtf8(L"kelvane: " + usage->reason + L"\n" + std::wstring(ShortUsageText())));
        return kUsage;
    }
    try {
        return Run(std::get<Command>(parsed), services, console);
    } catch (const std::exception& e) {
        return Fail(console, L"unexpected failure: " + Widened(e.what()) + L".");
    } catch (...) {
        return Fail(console, L"unexpected failure.");
    }
}

} // namespace kv::cli
