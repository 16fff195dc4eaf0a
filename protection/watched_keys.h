#pragma once
// Keys beyond the switches' own whose changes bear on what Kelvane shows: Windows' own
// removable-storage policy, which it enforces per volume, and the machine-wide key where
// Kelvane records its own policy values.

#include "protection/windows_policy.h"

namespace kv::protection {

// kRemovableStoragePolicyKey comes with the layer that writes under it.
inline constexpr char kKelvaneMachineKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelvane";

} // namespace kv::protection
