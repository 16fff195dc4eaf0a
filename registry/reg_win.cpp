#include "registry/reg_win.h"

namespace kv::reg {
namespace {

HKEY ToHkey(HandleValue key) {
    return reinterpret_cast<HKEY>(key);
}

HandleValue FromHkey(HKEY key) {
    return reinterpret_cast<HandleValue>(key);
}

// The calls straight through to advapi32's ANSI functions. Names are passed as the
// bytes the caller gave, i.e. already in the ANSI code page (the protections' paths and
// value names are plain ASCII). No registry-view flag: the 64-bit program sees the 64-bit
// view, which is the one Windows acts on.
class WindowsRegistryApi final : public RegistryApi {
public:
    Status OpenKeyEx(RootValue root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, HandleValue& key) override {
        HKEY opened = nullptr;
        const LSTATUS status = RegOpenKeyExA(RootToHkey(root), subKey.c_str(), options,
                                             static_cast<REGSAM>(access), &opened);
        key = FromHkey(opened);
        return status;
    }

    Status CreateKey(RootValue root, const std::string& subKey, HandleValue& key) override {
        HKEY created = nullptr;
        const LSTATUS status = RegCreateKeyA(RootToHkey(root), subKey.c_str(), &created);
        key = FromHkey(created);
        return status;
    }

    Status QueryValueEx(HandleValue key, const std::string& name, std::uint32_t& type, void* data,
                        std::uint32_t& size) override {
        DWORD winType = type;
        DWORD winSize = size;
        const LSTATUS status = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &winType,
                                                static_cast<BYTE*>(data), &winSize);
        type = winType;
        size = winSize;
        return status;
    }

    Status SetValueEx(HandleValue key, const std::string& name, std::uint32_t type,
                      const void* data, std::uint32_t size) override {
        return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                              size);
    }

    Status CloseKey(HandleValue key) override { return RegCloseKey(ToHkey(key)); }

    Status DeleteValue(HandleValue key, const std::string& name) override {
        return RegDeleteValueA(ToHkey(key), name.c_str());
    }
};

} // namespace

HKEY RootToHkey(RootValue root) {
    // Through a signed 32-bit value so that the top bit spreads to pointer width, exactly
    // as the HKEY_* macros do.
    const auto value = static_cast<LONG_PTR>(static_cast<LONG>(root));
    return reinterpret_cast<HKEY>(value);
}

RegistryApi& WindowsRegistry() {
    static WindowsRegistryApi registry;
    return registry;
}

} // namespace kv::reg
