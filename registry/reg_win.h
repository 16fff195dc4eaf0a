#pragma once
// The Windows side of the registry layer (Windows builds only).

#include "registry/reg_api.h"

#include <windows.h>

namespace kv::reg {

// The HKEY of a predefined root. On 64-bit Windows these are the 32-bit values
// sign-extended (0xFFFFFFFF80000002 for HKEY_LOCAL_MACHINE); a zero-extended value is not
// a valid handle there, even though Wine accepts it.
HKEY RootToHkey(RootValue root);

// The real registry (advapi32, ANSI forms). Lives as long as the program; the program's
// start hands it to what reads and writes the protections.
RegistryApi& WindowsRegistry();

} // namespace kv::reg
