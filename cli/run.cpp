#include "cli/run.h"

#include "cli/check.h"
#include "cli/command.h"
#include "cli/status_report.h"
#include "cli/utf8.h"
#include "drives/drive_line.h"
#include "password/password_format.h"
#include "protection/switch_facts.h"
#include "protection/switches.h"
#include "protection/windows_policy.h"
#include "registry/mdl_RegFunctions.h"
#include "win32/text.h"

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

// Windows' Removable Storage Access policy for removable disks, and the second layer of
// each protection with what Kelvane added of it.
WindowsPolicy ReadWindowsPolicy(Services& services) {
    const protection::DiskPolicyValues disks = protection::ReadDiskPolicy(services.registry);
    const protection::WindowsPolicyLayer layer(services.registry, services.layerSystem);
    return {.denyAll = disks.denyAll,
            .denyWrite = disks.denyWrite,
            .denyRead = disks.denyRead,
            .writeProtectLayer = layer.Read(Switch::WriteProtect),
            .usbLockLayer = layer.Read(Switch::UsbLock)};
}

// The state as `status` reports it, or the one line that says why it cannot be.
std::optional<StatusReport> ReadReport(Services& services, Console& console) {
    const protection::Switches switches(services.registry);
    const auto read = [&](Switch name) {
        return Reported(switches.Read(name), services);
    };
    StatusReport report;
    report.states = {read(Switch::WriteProtect), read(Switch::UsbLock), read(Switch::Autorun)};
    report.windowsPolicy = ReadWindowsPolicy(services);
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
    case PasswordLine::Cancelled:
        return Fail(console, L"cancelled; nothing was changed.");
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

bool IsElevated(Services& services) {
    return services.isElevated && services.isElevated();
}

// Why Windows refused a write. Without administrator rights they are the way out; with
// them, the key's access list or a policy stands in the way, and the key is named so that
// an administrator can look at it.
std::wstring RefusedBecause(Switch name, const protection::WriteResult& written,
                            Services& services) {
    if (!IsElevated(services)) {
        return L"administrator rights are needed";
    }
    return L"Kelvane runs as an administrator, so the permissions of " +
           win32::Widened(protection::RefusedKeyPath(name, written)) +
           L" or a policy forbid the change";
}

// Autorun has two values: when only one of them was written, which one, and why not the
// other.
std::wstring OnlyOneHalf(Switch name, const protection::WriteResult& written, Services& services) {
    if (written.values.size() != 2 || written.values[0].Done() == written.values[1].Done()) {
        return {};
    }
    const bool userWritten = written.values[1].Done();
    const std::wstring why = written.Refused()
                                 ? L"Windows refused it: " + RefusedBecause(name, written, services)
                                 : L"it failed: " + services.systemMessage(written.FirstFailure());
    return std::wstring(L"only the ") + (userWritten ? L"per-user" : L"machine-wide") +
           L" value was written, not the " + (userWritten ? L"machine-wide" : L"per-user") +
           L" one (" + why + L")";
}

// Why the second layer's change did not come to what was asked, in one sentence's end.
std::wstring LayerProblem(const protection::LayerChange& change, bool adding, Services& services) {
    using Outcome = protection::LayerChange::Outcome;
    const std::wstring what = adding ? L"Windows' removable-storage policy was not added"
                                     : L"Windows' removable-storage policy was not removed";
    const std::wstring value = change.problem
                                   ? L" (" + win32::Widened(change.problem->deviceClass) + L"\\" +
                                         win32::Widened(change.problem->name) + L")"
                                   : L"";
    switch (change.outcome) {
    case Outcome::Done:
        return {};
    case Outcome::SystemOnHotPlug:
        return what + L": Windows runs from a USB, SD, MMC or 1394 drive, and the policy "
                      L"could lock it out of itself.";
    case Outcome::OverridesOutside:
        return what + L": an administrator's policy sets a value of its own" + value +
               L", which Kelvane leaves as it is.";
    case Outcome::NotReadBack:
        return what + L": a value" + value + L" was written but did not read back.";
    case Outcome::Failed:
        break;
    }
    if (change.Refused()) {
        return what + L": Windows refused it" + value +
               L"; administrator rights are needed. Run it as an administrator.";
    }
    return what + value + L": " + services.systemMessage(change.writes.FirstFailure()) + L".";
}

// What became of the second layer with a `set`: the line that says it (none when there was
// nothing to do), and whether it went as asked.
struct LayerOutcome {
    bool done = true;
    std::wstring line;
};

// The second layer with the switch: added when asked for with the switch on, and what
// Kelvane added taken away whenever the switch goes off.
LayerOutcome ChangeLayer(const Command& command, OnOff wanted, Services& services,
                         Console& console) {
    if (protection::LayerValues(command.name).empty() ||
        (wanted == OnOff::On && !command.windowsPolicy)) {
        return {};
    }
    protection::WindowsPolicyLayer layer(services.registry, services.layerSystem);
    const bool adding = wanted == OnOff::On;
    const protection::LayerChange change =
        adding ? layer.Add(command.name) : layer.Remove(command.name);
    const bool callFailed = change.outcome == protection::LayerChange::Outcome::Failed;
    Recorded(Trail(services).Layer(command.name, change, adding,
                                   callFailed ? services.systemMessage(change.writes.FirstFailure())
                                              : std::wstring()),
             services, console);
    if (!change.Done()) {
        return {false, LayerProblem(change, adding, services)};
    }
    const std::wstring head = L"Windows' removable-storage policy: ";
    if (change.Changed()) {
        return {true, head + (adding ? L"added" : L"removed what Kelvane added")};
    }
    if (!adding) {
        return {};
    }
    return {true, head + (change.leftOutside.empty() ? L"already added"
                                                     : L"already set outside Kelvane")};
}

int Set(const Command& command, Services& services, Console& console) {
    if (const int refused = CheckPassword(command, services, console); refused != kDone) {
        return refused;
    }
    const Switch name = command.name;
    const std::wstring asked =
        L"set " + std::wstring(ArgumentName(name)) + (command.argumentOn ? L" on" : L" off");
    const OnOff wanted = ProtectionFor(name, command.argumentOn);
    if (!console.BeginChange()) {
        return Fail(console, L"cancelled; nothing was changed.");
    }
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

    if (const std::wstring half = OnlyOneHalf(name, written, services); !half.empty()) {
        return Fail(console, asked + L": " + half + L". The registry now gives " +
                                 StateLine(name, now) + L".");
    }
    if (written.Refused() && !IsElevated(services)) {
        return Fail(console, L"administrator rights are needed for " + asked +
                                 L": Windows refused the change. Run it as an administrator.");
    }
    if (written.Refused()) {
        return Fail(console, L"Windows refused " + asked + L": " +
                                 RefusedBecause(name, written, services) + L".");
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
    const LayerOutcome layered = ChangeLayer(command, wanted, services, console);
    if (!layered.done) {
        return Fail(console, asked + L": " + state + L", but " + layered.line);
    }
    if (!command.json) {
        const std::wstring lines =
            state + L"\n" + (layered.line.empty() ? L"" : layered.line + L"\n");
        return PrintChange(console, ToUtf8(lines), state);
    }
    // The whole state, as `status --json` gives it, for a script that goes on from there;
    // it fails as status does when it is not complete, though the change stays made.
    const auto report = ReadReport(services, console);
    if (!report) {
        console.Err(ToUtf8(L"kelvane: done (" + state + L"), but the state cannot be reported.\n"));
        return kFailed;
    }
    const int printed = PrintChange(console, StatusJson(*report), state);
    if (const std::wstring unknown = UnknownStates(*report); !unknown.empty()) {
        return Fail(console, L"done (" + state + L"), but " + unknown + L".");
    }
    return printed;
}

// The report `status` reads, judged: exit 0 compliant, 3 not, 1 when it cannot be told.
int Check(const Command& command, Services& services, Console& console) {
    const auto report = ReadReport(services, console);
    if (!report) {
        return kFailed;
    }
    const CheckVerdict verdict = Judge(*report, command.checks);
    const int printed =
        Print(console, command.json ? CheckJson(*report, verdict) : ToUtf8(CheckText(verdict)));
    if (!verdict.compliant) {
        return Fail(console, verdict.unknown + L".");
    }
    if (printed != kDone) {
        return printed;
    }
    return *verdict.compliant ? kDone : kNotCompliant;
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
    case Verb::Check:
        return Check(command, services, console);
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
        return Fail(console, L"unexpected failure: " + win32::Widened(e.what()) + L".");
    } catch (...) {
        return Fail(console, L"unexpected failure.");
    }
}

} // namespace kv::cli
