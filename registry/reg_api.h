#pragma once
// The registry calls the protections need, behind one interface, so the registry
// module's logic runs against the real registry on Windows and against an in-memory
// registry (with injected failures) in tests.

#include <cstdint>
#include <string>

namespace kv::reg {

using RootValue = std::uint32_t;    // a predefined root key, 0x80000000..0x80000006
using HandleValue = std::uintptr_t; // an open key as the layer hands it out (an HKEY)
using Status = std::int32_t;        // the call's result code; 0 is success
// The two codes callers decide on: no such key or value (Windows reads it as "not set"),
// and access denied.
inline constexpr Status kNotFound = 2;
inline constexpr Status kAccessDenied = 5;

// The predefined root keys as 32-bit values (an HKEY is these sign-extended).
inline constexpr RootValue kHkeyClassesRoot = 0x80000000;
inline constexpr RootValue kHkeyCurrentUser = 0x80000001;
inline constexpr RootValue kHkeyLocalMachine = 0x80000002;
inline constexpr RootValue kHkeyUsers = 0x80000003;
inline constexpr RootValue kHkeyPerformanceData = 0x80000004;
inline constexpr RootValue kHkeyCurrentConfig = 0x80000005;
inline constexpr RootValue kHkeyDynData = 0x80000006;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegQword = 11;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA(root, subKey, options, access, &key)
    virtual Status OpenKeyEx(RootValue root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, HandleValue& key) = 0;
    // RegCreateKeyA(root, subKey, &key)
    virtual Status CreateKey(RootValue root, const std::string& subKey, HandleValue& key) = 0;
    // RegQueryValueExA(key, name, nullptr, &type, data, &size)
    virtual Status QueryValueEx(HandleValue key, const std::string& name, std::uint32_t& type,
                                void* data, std::uint32_t& size) = 0;
    // RegSetValueExA(key, name, 0, type, data, size)
    virtual Status SetValueEx(HandleValue key, const std::string& name, std::uint32_t type,
                              const void* data, std::uint32_t size) = 0;
    // RegCloseKey(key)
    virtual Status CloseKey(HandleValue key) = 0;
    // RegDeleteValueA(key, name): Windows' removable-storage policy values Kelvane added
    // are taken away again, not set to 0, so that no trace of them is left.
    virtual Status DeleteValue(HandleValue key, const std::string& name) = 0;
};

} // namespace kv::reg
