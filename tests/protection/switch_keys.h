#pragma once
// Where the switch tests seed and inspect the protections' values in the in-memory
// registry.

#include "registry/reg_api.h"

#include <string>

namespace kv::protection::testing {

inline constexpr reg::RootValue kHklm = reg::kHkeyLocalMachine;
inline constexpr reg::RootValue kHkcu = reg::kHkeyCurrentUser;
inline const std::string kPolicies = "SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies";
inline const std::string kUsbStor = "SYSTEM\\CurrentControlSet\\services\\USBSTOR";
inline const std::string kExplorer =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline const std::string kAutorunName = "NoDriveTypeAutoRun";

} // namespace kv::protection::testing
