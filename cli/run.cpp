#include "cli/run.h"

#include "cli/command.h"
#include "cli/status_report.h"
#include "cli/utf8.h"
#include "drives/drive_line.h"
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
    return console.Out(utf8) ? kDone : kFailed;
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

std::optional<bool> PolicyValue(const std::string& key, const std::string& name) {
    const auto read = reg::mdl_RegFunctions::GetDWordValue(key, name);
    if (read.form() != reg::mdl_RegFunctions::RegReadResult::Form::Number) {
        return std::nullopt;
    }
    return read.number() != 0;
}

// Windows' Removable Storage Access policy for removable disks; unset values stay unset.
WindowsPolicy ReadWindowsPolicy() {
    const std::string root =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
    const std::string disks = root + "\\{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";
    return {.denyAll = PolicyValue(root, "Deny_All"),
            .denyWrite = PolicyValue(disks, "Deny_Write"),
            .denyRead = PolicyValue(disks, "Deny_Read")};
}

int Status(const Command& command, Services& services, Console& console) {
    StatusReport report;
    report.states = ReadStates();
    report.windowsPolicy = ReadWindowsPolicy();
    // Values that are missing are part of the state; their read failures are no error here.
    reg::mdl_RegFunctions::TakeFailures();
    const auto drives = services.drives.ReadyDrives();
    if (!drives) {
        return Fail(console, L"the drives could not be listed: " +
                                 DriveErrorText(drives.error(), services) + L".");
    }
    report.drives = *drives;
    return Print(console, command.json ? StatusJson(report) : ToUtf8(StatusText(report)));
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
    if (!command.passwordStdin) {
        return Fail(console, L"a password is set: pass --password-stdin and write the password "
                             L"to standard input; nothing was changed.");
    }
    SecretText entered;
    if (!console.ReadPasswordLine(entered)) {
        return Fail(console,
                    L"no password could be read from standard input; nothing was changed.");
    }
    if (!LoginAccepted(stored, entered.view(), services.deriver)) {
        return Fail(console, L"Invalid password. Nothing was changed.");
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
    return Print(console, ToUtf8(StateLine(command.name, nowOn) + L"\n"));
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
