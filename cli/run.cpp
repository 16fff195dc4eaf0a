#include "cli/run.h"

#include "cli/command.h"
#include "cli/status_report.h"
#include "cli/utf8.h"
#include "drives/drive_line.h"
#include "password/password_format.h"
#include "protection/switch_words.h"
#include "protection/switches.h"
#include "registry/mdl_RegFunctions.h"

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
using protection::OnOff;
using protection::SwitchState;

// Every failure is one line on standard error, saying why.
int Fail(Console& console, const std::wstring& why) {
    console.Err(ToUtf8(L"kelvane: " + why + L"\n"));
    return kFailed;
}

// A record that cannot be written changes nothing: it is said once, and the command goes on.
void Recorded(long written, Services& services, Console& console) {
    if (written != 0) {
        console.Err(ToUtf8(L"kelvane: the event log could not be written: " +
                           services.systemMessage(written) + L".\n"));
    }
}

audit::AuditTrail Trail(Services& services) {
    return audit::AuditTrail(services.audit, audit::Origin::CommandLine);
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

// A state the window would show, or unknown with the system's words for why.
ReportedState Reported(const SwitchState& state, Services& services) {
    if (const auto known = state.Known()) {
        return {*known, {}};
    }
    return {std::nullopt, L"the value could not be read: " + services.systemMessage(state.error)};
}

// Set or not; a value that cannot be read counts as not set: Windows acts on the policy,
// Kelvane only mentions it.
std::optional<bool> PolicyValue(reg::RegistryApi& registry, const std::string& key,
                                const std::string& name) {
    const auto read = reg::mdl_RegFunctions::GetDWordValue(registry, key, name);
    if (read.form() != reg::mdl_RegFunctions::RegReadResult::Form::Number) {
        return std::nullopt;
    }
    return read.number() != 0;
}

// Windows' Removable Storage Access policy for removable disks; unset values stay unset.
WindowsPolicy ReadWindowsPolicy(reg::RegistryApi& registry) {
    const std::string root =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
    const std::string disks = root + "\\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
    return {.denyAll = PolicyValue(registry, root, "Deny_All"),
            .denyWrite = PolicyValue(registry, disks, "Deny_Write"),
            .denyRead = PolicyValue(registry, disks, "Deny_Read")};
}

// The state as `status` reports it, or the one line that says why it cannot be.
std::optional<StatusReport> ReadReport(Services& services, Console& console) {
    const protection::Switches switches(services.registry);
    const auto read = [&](Switch name) {
        return Reported(switches.Read(name), services);
    };
    StatusReport report;
    report.states = {read(Switch::WriteProtect), read(Switch::UsbLock), read(Switch::Autorun)};
    report.windowsPolicy = ReadWindowsPolicy(services.registry);
    const auto drives = services.drives.ReadyDrives();
    if (!drives) {
        Fail(console,
             L"the drives could not be listed: " + DriveErrorText(drives.error(), services) + L".");
        return std::nullopt;
    }
    report.drives = *drives;
    return report;
}

// Why the report is not complete: each protection whose state is unknown, or nothing.
std::wstring UnknownStates(const StatusReport& report) {
    std::wstring unknown;
    for (const auto& [name, state] : {std::pair{Switch::WriteProtect, report.states.writeProtect},
                                      {Switch::UsbLock, report.states.usbLock},
                                      {Switch::Autorun, report.states.autorun}}) {
        if (!state.protection) {
            unknown += (unknown.empty() ? L"the state of " : L"; the state of ") +
                       std::wstring(protection::WordsOf(name).heading) + L" is unknown: " +
                       state.unknownBecause;
        }
    }
    return unknown;
}

int Status(const Command& command, Services& services, Console& console) {
    const auto report = ReadReport(services, console);
    if (!report) {
        return kFailed;
    }
    const int printed =
        Print(console, command.json ? StatusJson(*report) : ToUtf8(StatusText(*report)));
    // A state that could not be read is never reported as one: the report says unknown,
    // and the exit code and one line say that it is not complete.
    if (const std::wstring unknown = UnknownStates(*report); !unknown.empty()) {
        return Fail(console, unknown + L".");
    }
    return printed;
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
        Recorded(Trail(services).PasswordCheckFailed(), services, console);
        return Fail(console, L"Invalid password. Nothing was changed.");
    }
    if (password::ClassifyStoredPassword(stored.text) == password::StoredKind::Legacy &&
        services.rewriteHashed) {
        services.rewriteHashed(stored.text, entered.view());
    }
    return kDone;
}

// Autorun has two values: when only one of them was written, which one, and why not the
// other.
std::wstring OnlyOneHalf(const protection::WriteResult& written, Services& services) {
    if (written.values.size() != 2 || written.values[0].Done() == written.values[1].Done()) {
        return {};
    }
    const bool userWritten = written.values[1].Done();
    const std::wstring why = written.Refused()
                                 ? L"Windows refused it: administrator rights are needed"
                                 : L"it failed: " + services.systemMessage(written.FirstFailure());
    return std::wstring(L"only the ") + (userWritten ? L"per-user" : L"machine-wide") +
           L" value was written, not the " + (userWritten ? L"machine-wide" : L"per-user") +
           L" one (" + why + L")";
}

int Set(const Command& command, Services& services, Console& console) {
    if (const int refused = CheckPassword(command, services, console); refused != kDone) {
        return refused;
    }
    const Switch name = command.name;
    const std::wstring asked =
        L"set " + std::wstring(ArgumentName(name)) + (command.argumentOn ? L" on" : L" off");
    const OnOff wanted = ProtectionFor(name, command.argumentOn);
    protection::Switches switches(services.registry);
    const auto before = switches.Read(name).Known();
    const protection::WriteResult written = switches.Write(name, wanted);
    Recorded(Trail(services).ProtectionChange(
                 name, before, wanted, audit::OutcomeOf(written),
                 written.Done() ? L"" : services.systemMessage(written.FirstFailure())),
             services, console);
    // The state is whatever the registry holds now, read by the window's rules.
    const SwitchState read = switches.Read(name);
    const ReportedState now = Reported(read, services);

    if (const std::wstring half = OnlyOneHalf(written, services); !half.empty()) {
        return Fail(console, asked + L": " + half + L". The registry now gives " +
                                 StateLine(name, now) + L".");
    }
    if (written.Refused()) {
        return Fail(console, L"administrator rights are needed for " + asked +
                                 L": Windows refused the change. Run it as an administrator.");
    }
    if (!written.Done()) {
        return Fail(console,
                    asked + L" failed: " + services.systemMessage(written.FirstFailure()) + L".");
    }
    if (!now.protection) {
        return Fail(console, asked + L": written, but it could not be read back: " +
                                 services.systemMessage(read.error) + L".");
    }
    if (*now.protection != wanted) {
        return Fail(console, asked + L" did not take effect: the registry now gives " +
                                 StateLine(name, now) + L".");
    }
    const std::wstring state = StateLine(name, now);
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
