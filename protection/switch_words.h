#pragma once
// The words of each switch, written once: the main window's design and blocks and the
// command line's status all take them from here.

#include "protection/switches.h"

namespace kv::protection {

struct SwitchWords {
    const wchar_t* heading;
    const wchar_t* protectionOn;  // write-protected, locked, autorun suppressed
    const wchar_t* protectionOff; // writable, unlocked, autorun allowed

    constexpr const wchar_t* For(OnOff protection) const {
        return protection == OnOff::On ? protectionOn : protectionOff;
    }
};

inline constexpr SwitchWords kWriteProtectWords{L"USB Device Write Protection", L"Enabled",
                                                L"Disabled"};
inline constexpr SwitchWords kUsbLockWords{L"USB Device Lock", L"Locked", L"Unlocked"};
// The words name autorun itself: suppressing it is "Disabled".
inline constexpr SwitchWords kAutorunWords{L"USB Device Autorun", L"Disabled", L"Enabled"};

constexpr const SwitchWords& WordsOf(Switch which) {
    switch (which) {
    case Switch::WriteProtect:
        return kWriteProtectWords;
    case Switch::UsbLock:
        return kUsbLockWords;
    case Switch::Autorun:
        break;
    }
    return kAutorunWords;
}

} // namespace kv::protection
