#pragma once
// Where each protection keeps its value and the numbers that turn it on and off. The
// switches read and write exactly these; the Group Policy template is checked against them.

#include "protection/switches.h"

#include <cstdint>

namespace kv::protection {

struct SwitchValues {
    const char* keyPath;     // autorun: the machine-wide key, written first
    const char* userKeyPath; // autorun: the per-user key; none for the other two
    const char* valueName;
    std::int32_t protectionOn;  // write-protected, locked, autorun suppressed
    std::int32_t protectionOff; // writable, unlocked, autorun allowed
};

inline constexpr SwitchValues kWriteProtectValues{
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies", nullptr,
    "WriteProtect", 1, 0};

inline constexpr SwitchValues kUsbLockValues{
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\services\\USBSTOR", nullptr, "Start", 4, 3};

inline constexpr SwitchValues kAutorunValues{
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
    "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
    "NoDriveTypeAutoRun", 255, 0};

constexpr const SwitchValues& ValuesOf(Switch which) {
    switch (which) {
    case Switch::WriteProtect:
        return kWriteProtectValues;
    case Switch::UsbLock:
        return kUsbLockValues;
    case Switch::Autorun:
        break;
    }
    return kAutorunValues;
}

} // namespace kv::protection
