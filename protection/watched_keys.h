#pragma once
// Keys beyond the switches' own whose changes bear on what Kelvane shows: Windows' own
// removable-storage policy, which it enforces per volume, and the machine-wide key where
// Kelvane records its own policy values.

namespace kv::protection {

inline constexpr char kRemovableStoragePolicyKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices";
inline constexpr char kKelvaneMachineKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelvane";

} // namespace kv::protection
