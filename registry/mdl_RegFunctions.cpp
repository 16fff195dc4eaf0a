#include "registry/mdl_RegFunctions.h"

#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::reg::mdl_RegFunctions {
namespace {

// The module's state and its two connections to the outside. One UI thread uses them, one
// operation at a time.
ModuleState state;
ErrorSink errorSink;
reg::RegistryApi* registryApi = nullptr;
std::vector<std::int32_t> failures;

// Every call's status passes here: the module keeps the last one, and the failures wait
// for a caller that must tell a refusal from other errors.
void Note(reg::Status status) {
    state.LastStatus = status;
    if (status != 0) {
        failures.push_back(status);
    }
}

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

void AppendError(const std::string& line) {
    if (errorSink) {
        errorSink(line);
    }
}

reg::RegistryApi& Api() {
    reg::RegistryApi* api = CurrentRegistryApi();
    if (api == nullptr) {
        // Only possible in a native build that forgot SetRegistryApi: a programming error,
        // not a registry failure, so it must not look like one in the error list.
        throw std::logic_error("mdl_RegFunctions: no registry set (SetRegistryApi)");
    }
    return *api;
}

// Keeps the key of the operation under way closed on every way out. The normal paths close
// it explicitly, where the order of the registry calls puts the close; the destructor only
// covers an exception from the error sink.
class KeyCloser {
public:
    explicit KeyCloser(reg::RegistryApi& api) : api_(api) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() {
        if (open_) {
            try {
                Close();
            } catch (...) {
                // Nothing to report it to while unwinding.
            }
        }
    }

    void Opened() { open_ = true; }
    void Close() {
        open_ = false;
        Note(api_.CloseKey(state.KeyHandle));
    }

private:
    reg::RegistryApi& api_;
    bool open_ = false;
};

} // namespace

std::string RegReadResult::Text() const {
    switch (form_) {
    case Form::Empty:
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

void ParseKeyPath(std::string& keyPath, std::uint32_t& rootKey) {
    const bool wellFormed = keyPath.starts_with("HKEY_") && !keyPath.ends_with('\\');
    if (!wellFormed) {
        AppendError("Incorrect Format:\n\n" + keyPath);
        rootKey = 0;
        return;
    }
    const std::size_t backslash = keyPath.find('\\');
    if (backslash == std::string::npos) {
        rootKey = GetRootKey(keyPath);
        keyPath.clear();
    } else {
        rootKey = GetRootKey(keyPath.substr(0, backslash));
        keyPath.erase(0, backslash + 1);
    }
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

void SetDWordValue(const std::string& keyPath, const std::string& valueName, std::int32_t value) {
    reg::RegistryApi& api = Api();
    std::string subKey = keyPath;
    ParseKeyPath(subKey, state.RootKey);
    if (state.RootKey == 0) {
        return;
    }
    KeyCloser key(api);
    Note(api.OpenKeyEx(state.RootKey, subKey, 0, reg::kKeyWrite, state.KeyHandle));
    if (state.LastStatus != 0) {
        AppendError(GetErrorText(state.LastStatus));
        return;
    }
    key.Opened();
    Note(api.SetValueEx(state.KeyHandle, valueName, reg::kRegDword, &value, sizeof value));
    if (state.LastStatus != 0) {
        AppendError(GetErrorText(state.LastStatus));
    }
    key.Close();
}

RegReadResult GetDWordValue(const std::string& keyPath, const std::string& valueName) {
    reg::RegistryApi& api = Api();
    std::string subKey = keyPath;
    ParseKeyPath(subKey, state.RootKey);
    if (state.RootKey == 0) {
        return RegReadResult::Empty();
    }
    KeyCloser key(api);
    Note(api.OpenKeyEx(state.RootKey, subKey, 0, reg::kKeyRead, state.KeyHandle));
    if (state.LastStatus != 0) {
        AppendError(GetErrorText(state.LastStatus));
        return RegReadResult::Error();
    }
    key.Opened();
    std::uint32_t type = reg::kRegDword;
    std::uint32_t size = sizeof state.DWordBuffer;
    // Data shorter than 4 bytes fills only the low bytes; without this they would keep
    // bytes of an earlier read.
    state.DWordBuffer = 0;
    Note(api.QueryValueEx(state.KeyHandle, valueName, type, &state.DWordBuffer, size));
    if (state.LastStatus != 0) {
        AppendError(GetErrorText(state.LastStatus));
        key.Close();
        return RegReadResult::Error();
    }
    key.Close();
    return RegReadResult::Number(static_cast<std::int32_t>(state.DWordBuffer));
}

void CreateKey(const std::string& keyPath) {
    reg::RegistryApi& api = Api();
    std::string subKey = keyPath;
    ParseKeyPath(subKey, state.RootKey);
    if (state.RootKey == 0) {
        return;
    }
    Note(api.CreateKey(state.RootKey, subKey, state.KeyHandle));
    // A failure here is deliberately silent.
    if (state.LastStatus == 0) {
        Note(api.CloseKey(state.KeyHandle));
    }
}

void SetErrorSink(ErrorSink sink) {
    errorSink = std::move(sink);
}

void SetRegistryApi(reg::RegistryApi* api) {
    registryApi = api;
}

reg::RegistryApi* CurrentRegistryApi() {
#ifdef _WIN32
    if (registryApi == nullptr) {
        return &reg::WindowsRegistry();
    }
#endif
    return registryApi;
}

const ModuleState& State() {
    return state;
}

std::vector<std::int32_t> TakeFailures() {
    return std::exchange(failures, {});
}

void ResetStateForTesting() {
    state = ModuleState{};
    failures.clear();
}

} // namespace kv::reg::mdl_RegFunctions
