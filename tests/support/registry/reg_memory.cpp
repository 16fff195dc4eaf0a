#include "tests/support/registry/reg_memory.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

namespace kv::test {
namespace {

// Windows result codes this layer answers with.
constexpr reg::Status kSuccess = 0;
constexpr reg::Status kFileNotFound = 2;
constexpr reg::Status kAccessDenied = 5;
constexpr reg::Status kInvalidHandle = 6;
constexpr reg::Status kInvalidParameter = 87;
constexpr reg::Status kBadPathname = 161;
constexpr reg::Status kMoreData = 234;
constexpr reg::Status kKeyDeleted = 1018;

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

constexpr std::array<std::string_view, 7> kRootNames{
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
    return out;
}

// The C functions stop at the first NUL; so does this layer.
std::string_view AsCString(const std::string& text) {
    return std::string_view(text.c_str());
}

// Splits a sub-key as the registry does; nullopt for a path it rejects.
std::optional<std::vector<std::string>> SplitSubKey(const std::string& subKey) {
    std::string_view rest = AsCString(subKey);
    if (rest.starts_with('\\')) {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    while (!rest.empty()) {
        const std::size_t cut = std::min(rest.find('\\'), rest.size());
        if (cut > 0) {
            parts.emplace_back(rest.substr(0, cut));
        }
        rest.remove_prefix(std::min(cut + 1, rest.size()));
    }
    return parts;
}

// A predefined root as a handle: the 32-bit value sign-extended, as Windows hands it out.
reg::HandleValue PredefinedHandle(reg::RootValue root) {
    return static_cast<reg::HandleValue>(static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
}

std::optional<reg::RootValue> AsPredefined(reg::HandleValue key) {
    const auto low = static_cast<reg::RootValue>(key);
    if (low >= reg::kHkeyClassesRoot && low <= reg::kHkeyDynData &&
        (key == low || key == PredefinedHandle(low))) {
        return low;
    }
    return std::nullopt;
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string AccessName(std::uint32_t access) {
    if (access == reg::kKeyRead) {
        return "KEY_READ";
    }
    if (access == reg::kKeyWrite) {
        return "KEY_WRITE";
    }
    return Hex(access);
}

std::string HexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char byte[3];
    for (std::uint8_t b : data) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        out += byte;
    }
    return out;
}

} // namespace

std::string RootName(reg::RootValue root) {
    if (root >= reg::kHkeyClassesRoot && root <= reg::kHkeyDynData) {
        return std::string(kRootNames[root - reg::kHkeyClassesRoot]);
    }
    return Hex(root);
}

// ---- MemoryStore ----

struct MemoryStore::Key {
    // Indexed by the lower-case name; each entry keeps the name as first given.
    std::map<std::string, std::pair<std::string, std::shared_ptr<Key>>> subKeys;
    std::map<std::string, std::pair<std::string, Value>> values;
    bool deleted = false;

    void MarkDeleted() {
        deleted = true;
        for (auto& [lower, entry] : subKeys) {
            entry.second->MarkDeleted();
        }
        subKeys.clear();
        values.clear();
    }
};

struct MemoryStore::Handle {
    std::shared_ptr<Key> key;
    std::uint32_t access = 0;
};

MemoryStore::MemoryStore() {
    for (reg::RootValue root = reg::kHkeyClassesRoot; root <= reg::kHkeyDynData; ++root) {
        roots_[root] = std::make_shared<Key>();
    }
}

MemoryStore::~MemoryStore() = default;

std::shared_ptr<MemoryStore::Key> MemoryStore::FindKey(reg::RootValue root,
                                                       const std::string& subKey) const {
    const auto rootIt = roots_.find(root);
    const auto parts = SplitSubKey(subKey);
    if (rootIt == roots_.end() || !parts) {
        return nullptr;
    }
    std::shared_ptr<Key> key = rootIt->second;
    for (const std::string& part : *parts) {
        const auto it = key->subKeys.find(Lower(part));
        if (it == key->subKeys.end()) {
            return nullptr;
        }
        key = it->second.second;
    }
    return key;
}

std::shared_ptr<MemoryStore::Key> MemoryStore::MakeKey(reg::RootValue root, const std::string& subKey) {
    const auto rootIt = roots_.find(root);
    const auto parts = SplitSubKey(subKey);
    if (rootIt == roots_.end() || !parts) {
        return nullptr;
    }
    std::shared_ptr<Key> key = rootIt->second;
    for (const std::string& part : *parts) {
        auto& entry = key->subKeys[Lower(part)];
        if (!entry.second) {
            entry = {part, std::make_shared<Key>()};
        }
        key = entry.second;
    }
    return key;
}

void MemoryStore::AddKey(reg::RootValue root, const std::string& subKey) {
    std::lock_guard lock(mutex_);
    MakeKey(root, subKey);
}

void MemoryStore::SetValue(reg::RootValue root, const std::string& subKey, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (const auto key = MakeKey(root, subKey)) {
        const std::string_view shortName = AsCString(name);
        key->values[Lower(shortName)] = {std::string(shortName), Value{type, std::move(data)}};
    }
}

void MemoryStore::SetDWord(reg::RootValue root, const std::string& subKey, const std::string& name,
                           std::uint32_t value) {
    std::vector<std::uint8_t> data(4);
    for (std::size_t i = 0; i < 4; ++i) {
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    SetValue(root, subKey, name, reg::kRegDword, std::move(data));
}

void MemoryStore::SetString(reg::RootValue root, const std::string& subKey, const std::string& name,
                            const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(root, subKey, name, reg::kRegSz, std::move(data));
}

bool MemoryStore::DeleteKey(reg::RootValue root, const std::string& subKey) {
    std::lock_guard lock(mutex_);
    const auto parts = SplitSubKey(subKey);
    if (!parts || parts->empty()) {
        return false; // a root stays
    }
    std::vector<std::string> parentParts(parts->begin(), parts->end() - 1);
    std::string parentPath;
    for (const std::string& part : parentParts) {
        parentPath += part + "\\";
    }
    const auto parent = FindKey(root, parentPath);
    if (!parent) {
        return false;
    }
    const auto it = parent->subKeys.find(Lower(parts->back()));
    if (it == parent->subKeys.end()) {
        return false;
    }
    // Handles still open on it now name a deleted key.
    it->second.second->MarkDeleted();
    parent->subKeys.erase(it);
    return true;
}

bool MemoryStore::DeleteValue(reg::RootValue root, const std::string& subKey, const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto key = FindKey(root, subKey);
    return key && key->values.erase(Lower(AsCString(name))) > 0;
}

bool MemoryStore::KeyExists(reg::RootValue root, const std::string& subKey) const {
    std::lock_guard lock(mutex_);
    return FindKey(root, subKey) != nullptr;
}

std::optional<MemoryStore::Value> MemoryStore::GetValue(reg::RootValue root, const std::string& subKey,
                                                        const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto key = FindKey(root, subKey);
    if (!key) {
        return std::nullopt;
    }
    const auto it = key->values.find(Lower(AsCString(name)));
    if (it == key->values.end()) {
        return std::nullopt;
    }
    return it->second.second;
}

std::optional<std::uint32_t> MemoryStore::GetDWord(reg::RootValue root, const std::string& subKey,
                                                   const std::string& name) const {
    const auto value = GetValue(root, subKey, name);
    if (!value || value->type != reg::kRegDword || value->data.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t result = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        result |= static_cast<std::uint32_t>(value->data[i]) << (8 * i);
    }
    return result;
}

std::size_t MemoryStore::OpenHandleCount() const {
    std::lock_guard lock(mutex_);
    return handles_.size();
}

reg::Status MemoryStore::ResolveHandle(reg::HandleValue key, std::uint32_t accessNeeded,
                                  std::shared_ptr<Key>& found) const {
    if (const auto root = AsPredefined(key)) {
        found = roots_.at(*root);
        return kSuccess;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        return kInvalidHandle;
    }
    if (it->second.key->deleted) {
        return kKeyDeleted;
    }
    if ((it->second.access & accessNeeded) != accessNeeded) {
        return kAccessDenied;
    }
    found = it->second.key;
    return kSuccess;
}

reg::Status MemoryStore::OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t /*options*/,
                              std::uint32_t access, reg::HandleValue& key) {
    std::lock_guard lock(mutex_);
    key = 0;
    if (!roots_.contains(root)) {
        return kInvalidHandle;
    }
    const auto parts = SplitSubKey(subKey);
    if (!parts) {
        return kBadPathname;
    }
    if (parts->empty()) {
        key = PredefinedHandle(root);
        return kSuccess;
    }
    const auto found = FindKey(root, subKey);
    if (!found) {
        return kFileNotFound;
    }
    key = nextHandle_;
    nextHandle_ += 4;
    handles_[key] = Handle{found, access};
    return kSuccess;
}

reg::Status MemoryStore::CreateKey(reg::RootValue root, const std::string& subKey, reg::HandleValue& key) {
    std::lock_guard lock(mutex_);
    key = 0;
    if (!roots_.contains(root)) {
        return kInvalidHandle;
    }
    const auto made = MakeKey(root, subKey);
    if (!made) {
        return kBadPathname;
    }
    key = nextHandle_;
    nextHandle_ += 4;
    handles_[key] = Handle{made, kKeyAllAccess};
    return kSuccess;
}

reg::Status MemoryStore::QueryValueEx(reg::HandleValue key, const std::string& name, std::uint32_t& type,
                                 void* data, std::uint32_t& size) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Key> found;
    if (const reg::Status status = ResolveHandle(key, kKeyQueryValue, found); status != kSuccess) {
        return status;
    }
    const auto it = found->values.find(Lower(AsCString(name)));
    if (it == found->values.end()) {
        return kFileNotFound;
    }
    const Value& value = it->second.second;
    const auto length = static_cast<std::uint32_t>(value.data.size());
    type = value.type;
    if (data == nullptr) {
        size = length;
        return kSuccess;
    }
    if (length > size) {
        size = length; // what a second call would need; the buffer is left alone
        return kMoreData;
    }
    if (length > 0) {
        std::memcpy(data, value.data.data(), length);
    }
    size = length;
    return kSuccess;
}

reg::Status MemoryStore::SetValueEx(reg::HandleValue key, const std::string& name, std::uint32_t type,
                               const void* data, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Key> found;
    if (const reg::Status status = ResolveHandle(key, kKeySetValue, found); status != kSuccess) {
        return status;
    }
    if (data == nullptr && size > 0) {
        return kInvalidParameter;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::string_view shortName = AsCString(name);
    std::vector<std::uint8_t> stored;
    if (size > 0) {
        stored.assign(bytes, bytes + size);
    }
    found->values[Lower(shortName)] = {std::string(shortName), Value{type, std::move(stored)}};
    return kSuccess;
}

reg::Status MemoryStore::CloseKey(reg::HandleValue key) {
    std::lock_guard lock(mutex_);
    if (AsPredefined(key)) {
        return kSuccess;
    }
    return handles_.erase(key) > 0 ? kSuccess : kInvalidHandle;
}

reg::Status MemoryStore::DeleteValue(reg::HandleValue key, const std::string& name) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Key> found;
    if (const reg::Status status = ResolveHandle(key, kKeySetValue, found); status != kSuccess) {
        return status;
    }
    return found->values.erase(Lower(AsCString(name))) > 0 ? kSuccess : kFileNotFound;
}

// ---- CallRecord ----

std::string CallRecord::Text() const {
    std::string keyName;
    if (call == RegCall::OpenKeyEx || call == RegCall::CreateKey) {
        keyName = RootName(root) + ", \"" + subKey + "\"";
    } else if (root != 0) {
        keyName = RootName(root) + (subKey.empty() ? "" : "\\" + subKey);
    } else {
        keyName = Hex(key);
    }
    std::string text;
    switch (call) {
    case RegCall::OpenKeyEx:
        text = "OpenKeyEx(" + keyName + ", " + std::to_string(options) + ", " + AccessName(access) +
               ")";
        break;
    case RegCall::CreateKey:
        text = "CreateKey(" + keyName + ")";
        break;
    case RegCall::QueryValueEx:
        text = "QueryValueEx(" + keyName + ", \"" + valueName + "\", type " + std::to_string(type) +
               ", size " + std::to_string(size) + ")";
        break;
    case RegCall::SetValueEx:
        text = "SetValueEx(" + keyName + ", \"" + valueName + "\", type " + std::to_string(type) +
               ", data " + HexBytes(data) + ")";
        break;
    case RegCall::CloseKey:
        text = "CloseKey(" + keyName + ")";
        break;
    case RegCall::DeleteValue:
        text = "DeleteValue(" + keyName + ", \"" + valueName + "\")";
        break;
    }
    text += " = " + std::to_string(result);
    if (injected) {
        text += " injected";
    }
    return text;
}

// ---- RegistryRecorder ----

void RegistryRecorder::InjectFault(Fault fault) {
    std::lock_guard lock(mutex_);
    if (fault.times != 0) {
        faults_.push_back(std::move(fault));
    }
}

void RegistryRecorder::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::vector<CallRecord> RegistryRecorder::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> RegistryRecorder::CallTexts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    std::transform(calls_.begin(), calls_.end(), std::back_inserter(texts),
                   [](const CallRecord& call) { return call.Text(); });
    return texts;
}

void RegistryRecorder::ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::size_t RegistryRecorder::OpenKeyCount() const {
    std::lock_guard lock(mutex_);
    return open_.size();
}

std::optional<reg::Status> RegistryRecorder::TakeFault(const CallRecord& call) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        const Fault& fault = *it;
        const bool matches =
            fault.call == call.call && (!fault.root || *fault.root == call.root) &&
            (!fault.subKey || EqualNoCase(*fault.subKey, call.subKey)) &&
            (!fault.access || (call.call == RegCall::OpenKeyEx && *fault.access == call.access)) &&
            (!fault.valueName || EqualNoCase(*fault.valueName, call.valueName));
        if (!matches) {
            continue;
        }
        const reg::Status result = fault.result;
        if (fault.times > 0 && --it->times == 0) {
            faults_.erase(it);
        }
        return result;
    }
    return std::nullopt;
}

void RegistryRecorder::NameKey(CallRecord& call) const {
    const auto it = open_.find(call.key);
    if (it != open_.end()) {
        call.root = it->second.root;
        call.subKey = it->second.subKey;
    } else if (const auto root = AsPredefined(call.key)) {
        call.root = *root;
    }
}

void RegistryRecorder::Opened(const CallRecord& call) {
    if (call.result == kSuccess) {
        open_.emplace(call.key, KeyName{call.root, call.subKey});
    }
}

reg::Status RegistryRecorder::Finish(CallRecord call, reg::Status result) {
    call.result = result;
    calls_.push_back(std::move(call));
    return result;
}

reg::Status RegistryRecorder::OpenKeyEx(reg::RootValue root, const std::string& subKey, std::uint32_t options,
                                   std::uint32_t access, reg::HandleValue& key) {
    std::lock_guard lock(mutex_);
    CallRecord call{.call = RegCall::OpenKeyEx,
                    .root = root,
                    .subKey = subKey,
                    .options = options,
                    .access = access};
    if (const auto fault = TakeFault(call)) {
        key = 0;
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.OpenKeyEx(root, subKey, options, access, key);
    call.key = key;
    call.result = result;
    Opened(call);
    return Finish(std::move(call), result);
}

reg::Status RegistryRecorder::CreateKey(reg::RootValue root, const std::string& subKey, reg::HandleValue& key) {
    std::lock_guard lock(mutex_);
    CallRecord call{.call = RegCall::CreateKey, .root = root, .subKey = subKey};
    if (const auto fault = TakeFault(call)) {
        key = 0;
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.CreateKey(root, subKey, key);
    call.key = key;
    call.result = result;
    Opened(call);
    return Finish(std::move(call), result);
}

reg::Status RegistryRecorder::QueryValueEx(reg::HandleValue key, const std::string& name, std::uint32_t& type,
                                      void* data, std::uint32_t& size) {
    std::lock_guard lock(mutex_);
    CallRecord call{
        .call = RegCall::QueryValueEx, .key = key, .valueName = name, .type = type, .size = size};
    NameKey(call);
    if (const auto fault = TakeFault(call)) {
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.QueryValueEx(key, name, type, data, size);
    return Finish(std::move(call), result);
}

reg::Status RegistryRecorder::SetValueEx(reg::HandleValue key, const std::string& name, std::uint32_t type,
                                    const void* data, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    CallRecord call{
        .call = RegCall::SetValueEx, .key = key, .valueName = name, .type = type, .size = size};
    if (data != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        call.data.assign(bytes, bytes + size);
    }
    NameKey(call);
    if (const auto fault = TakeFault(call)) {
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.SetValueEx(key, name, type, data, size);
    return Finish(std::move(call), result);
}

reg::Status RegistryRecorder::CloseKey(reg::HandleValue key) {
    std::lock_guard lock(mutex_);
    CallRecord call{.call = RegCall::CloseKey, .key = key};
    NameKey(call);
    if (const auto fault = TakeFault(call)) {
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.CloseKey(key);
    if (result == kSuccess) {
        if (const auto it = open_.find(key); it != open_.end()) {
            open_.erase(it);
        }
    }
    return Finish(std::move(call), result);
}

reg::Status RegistryRecorder::DeleteValue(reg::HandleValue key, const std::string& name) {
    std::lock_guard lock(mutex_);
    CallRecord call{.call = RegCall::DeleteValue, .key = key, .valueName = name};
    NameKey(call);
    if (const auto fault = TakeFault(call)) {
        call.injected = true;
        return Finish(std::move(call), *fault);
    }
    const reg::Status result = inner_.DeleteValue(key, name);
    return Finish(std::move(call), result);
}

} // namespace kv::test
