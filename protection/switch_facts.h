#pragma once
// Everything about each protection that both front ends use, written once: where its
// value lives and the numbers that turn it on and off, its words, and its name on the
// command line. The switches read and write exactly these values, the window and `status`
// show these words, and the Group Policy template is checked against them. What only the
// window needs (its controls, colours and pictures) stays with the window.

#include "protection/switches.h"

#include <array>
#include <cstdint>

namespace kv::protection {

struct SwitchValues {
    const char* keyPath;     // autorun: the machine-wide key, written first
    const char* userKeyPath; // autorun: the per-user key; none for the other two
    const char* valueName;
    std::int32_t protectionOn;  // write-protected, locked, autorun suppressed
    std::int32_t protectionOff; // writable, unlocked, autorun allowed
};

struct SwitchWords {
    const wchar_t* heading;
    const wchar_t* protectionOn;  // write-protected, locked, autorun suppressed
    const wchar_t* protectionOff; // writable, unlocked, autorun allowed

    constexpr const wchar_t* For(OnOff protection) const {
        return protection == OnOff::On ? protectionOn : protectionOff;
    }
};

struct SwitchFacts {
    Switch which;
    const wchar_t* commandName; // as typed after `set`, in lower case
    SwitchWords words;
    SwitchValues values;
};

inline constexpr std::array<SwitchFacts, 3> kSwitchFacts{{
    {Switch::WriteProtect,
     L"write-protect",
     {L"USB Device Write Protection", L"Enabled", L"Disabled"},
     {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies", nullptr,
      "WriteProtect", 1, 0}},
    {Switch::UsbLock,
     L"usb-lock",
     {L"USB Device Lock", L"Locked", L"Unlocked"},
     {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\services\\USBSTOR", nullptr, "Start", 4, 3}},
    // The words name autorun itself: suppressing it is "Disabled".
    {Switch::Autorun,
     L"autorun",
     {L"USB Device Autorun", L"Disabled", L"Enabled"},
     {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
      "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
      "NoDriveTypeAutoRun", 255, 0}},
}};

constexpr const SwitchFacts& FactsOf(Switch which) {
    for (const SwitchFacts& facts : kSwitchFacts) {
        if (facts.which == which) {
            return facts;
        }
    }
    return kSwitchFacts.back();
}

constexpr const SwitchValues& ValuesOf(Switch which) {
    return FactsOf(which).values;
}

constexpr const SwitchWords& WordsOf(Switch which) {
    return FactsOf(which).words;
}

// Every switch has its own row, in the order of the enum.
static_assert(FactsOf(Switch::WriteProtect).which == Switch::WriteProtect &&
              FactsOf(Switch::UsbLock).which == Switch::UsbLock &&
              FactsOf(Switch::Autorun).which == Switch::Autorun);

} // namespace kv::protection
