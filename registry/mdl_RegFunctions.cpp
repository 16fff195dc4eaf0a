#include "registry/mdl_RegFunctions.h"

#include "win32/unique_handle_core.h"

#include <array>
#include <string_view>

namespace kv::reg::mdl_RegFunctions {
namespace {

struct RootName {
    std::string_view name;
    std::uint32_t handle;
};

// Compared in this order; the first exact match wins.
constexpr std::array<RootName, 7> kRoots{{
    {"HKEY_CLASSES_ROOT", reg::kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", reg::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", reg::kHkeyLocalMachine},
    {"HKEY_USERS", reg::kHkeyUsers},
    {"HKEY_PERFORMANCE_DATA", reg::kHkeyPerformanceData},
    {"HKEY_CURRENT_CONFIG", reg::kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", reg::kHkeyDynData},
}};

// A key opened through the layer, closed through the same layer. The close's result is
// never reported: the operation's outcome was decided before it.
struct LayerKey {
    RegistryApi* api = nullptr;
    HandleValue key = 0;
    bool operator==(const LayerKey&) const = default;
};

struct LayerKeyTraits {
    using pointer = LayerKey;
    static constexpr pointer invalid() noexcept { return {}; }
    static void close(pointer held) noexcept {
        try {
            held.api->CloseKey(held.key);
        } catch (...) {
            // Nowhere to report it, and nothing a caller could do about it.
        }
    }
};

using UniqueLayerKey = win32::UniqueHandle<LayerKeyTraits>;

RegResult Failed(Status code) {
    return {code, GetErrorText(code)};
}

// The path's root and sub-key, or why the operation stops before any call: a badly
// formed path (its format line) or a root outside the table (nothing at all).
struct Target {
    std::uint32_t root = 0;
    std::string subKey;
    RegResult stop;
};

Target Parse(const std::string& keyPath) {
    Target target{0, keyPath, {}};
    target.stop.errorLine = ParseKeyPath(target.subKey, target.root);
    return target;
}

} // namespace

std::string RegReadResult::Text() const {
    switch (form_) {
    case Form::BadPath:
        return {};
    case Form::Error:
        return "Error";
    case Form::Number:
        return std::to_string(value_);
    }
    return {};
}

std::uint32_t GetRootKey(const std::string& rootName) {
    for (const RootName& root : kRoots) {
        if (rootName == root.name) {
            return root.handle;
        }
    }
    return 0;
}

std::optional<std::string> ParseKeyPath(std::string& keyPath, std::uint32_t& rootKey) {
    const bool wellFormed = keyPath.starts_with("HKEY_") && !keyPath.ends_with('\\');
    if (!wellFormed) {
        rootKey = 0;
        return "Incorrect Format:\n\n" + keyPath;
    }
    const std::size_t backslash = keyPath.find('\\');
    if (backslash == std::string::npos) {
        rootKey = GetRootKey(keyPath);
        keyPath.clear();
    } else {
        rootKey = GetRootKey(keyPath.substr(0, backslash));
        keyPath.erase(0, backslash + 1);
    }
    return std::nullopt;
}

std::string GetErrorText(std::int32_t code) {
    switch (code) {
    case 2:
    case 1010:
        return "Invalid Key Name";
    case 4:
    case 1012:
        return "Can't Read Key";
    case 5:
        return "Access to this key is denied";
    case 8:
    case 14:
        return "Out of memory";
    case 87:
        return "Invalid Parameter";
    case 234:
        return "There is more data than the buffer has been allocated to hold.";
    case 1009:
    case 1015:
        return "The Registry Database is corrupt!";
    case 1011:
        return "Can't Open Key";
    case 1013:
        return "Can't Write Key";
    default:
        // The number keeps a slot for its sign: a blank when it is not negative.
        return "Undefined Error Code:  " + (code >= 0 ? " " : std::string()) + std::to_string(code);
    }
}

namespace {

// Stores one value of `type` in the existing key.
RegResult SetValue(RegistryApi& api, const std::string& keyPath, const std::string& valueName,
                   std::uint32_t type, const void* data, std::uint32_t size) {
    const Target target = Parse(keyPath);
    if (target.root == 0) {
        return target.stop;
    }
    HandleValue opened = 0;
    if (const Status status = api.OpenKeyEx(target.root, target.subKey, 0, kKeyWrite, opened)) {
        return Failed(status);
    }
    UniqueLayerKey key(LayerKey{&api, opened});
    const Status stored = api.SetValueEx(opened, valueName, type, data, size);
    key.reset(); // closed whatever the store gave
    return stored == 0 ? RegResult{} : Failed(stored);
}

} // namespace

RegResult SetDWordValue(RegistryApi& api, const std::string& keyPath, const std::string& valueName,
                        std::int32_t value) {
    return SetValue(api, keyPath, valueName, kRegDword, &value, sizeof value);
}

RegReadResult GetDWordValue(RegistryApi& api, const std::string& keyPath,
                            const std::string& valueName) {
    const Target target = Parse(keyPath);
    if (target.root == 0) {
        return RegReadResult::BadPath(target.stop);
    }
    HandleValue opened = 0;
    if (const Status status = api.OpenKeyEx(target.root, target.subKey, 0, kKeyRead, opened)) {
        return RegReadResult::Error(Failed(status));
    }
    UniqueLayerKey key(LayerKey{&api, opened});
    std::uint32_t type = kRegDword;
    // Data shorter than 4 bytes fills only the low bytes; the rest stay zero.
    std::uint32_t buffer = 0;
    std::uint32_t size = sizeof buffer;
    const Status status = api.QueryValueEx(opened, valueName, type, &buffer, size);
    key.reset();
    if (status != 0) {
        return RegReadResult::Error(Failed(status));
    }
    return RegReadResult::Number(static_cast<std::int32_t>(buffer));
}

RegResult SetQWordValue(RegistryApi& api, const std::string& keyPath, const std::string& valueName,
                        std::int64_t value) {
    return SetValue(api, keyPath, valueName, kRegQword, &value, sizeof value);
}

std::optional<std::int64_t> GetQWordValue(RegistryApi& api, const std::string& keyPath,
                                          const std::string& valueName) {
    const Target target = Parse(keyPath);
    HandleValue opened = 0;
    if (target.root == 0 || api.OpenKeyEx(target.root, target.subKey, 0, kKeyRead, opened) != 0) {
        return std::nullopt;
    }
    UniqueLayerKey key(LayerKey{&api, opened});
    std::uint32_t type = kRegQword;
    std::int64_t buffer = 0;
    std::uint32_t size = sizeof buffer;
    const Status status = api.QueryValueEx(opened, valueName, type, &buffer, size);
    if (status != 0 || type != kRegQword || size != sizeof buffer) {
        return std::nullopt;
    }
    return buffer;
}

RegResult DeleteValue(RegistryApi& api, const std::string& keyPath, const std::string& valueName) {
    const Target target = Parse(keyPath);
    if (target.root == 0) {
        return target.stop;
    }
    HandleValue opened = 0;
    if (const Status status = api.OpenKeyEx(target.root, target.subKey, 0, kKeyWrite, opened)) {
        return status == kNotFound ? RegResult{} : Failed(status);
    }
    UniqueLayerKey key(LayerKey{&api, opened});
    const Status deleted = api.DeleteValue(opened, valueName);
    key.reset();
    return deleted == 0 || deleted == kNotFound ? RegResult{} : Failed(deleted);
}

RegResult CreateKey(RegistryApi& api, const std::string& keyPath) {
    const Target target = Parse(keyPath);
    if (target.root == 0) {
        return target.stop;
    }
    HandleValue created = 0;
    if (const Status status = api.CreateKey(target.root, target.subKey, created)) {
        return {status, std::nullopt}; // kept for the caller, never listed
    }
    UniqueLayerKey key(LayerKey{&api, created});
    return {};
}

} // namespace kv::reg::mdl_RegFunctions
