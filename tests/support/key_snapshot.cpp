#include "tests/support/machine_guard.h"

#include "win32/unique_handle.h"

#include <sddl.h>

#include <algorithm>
#include <string>

namespace kv::test {

struct KeySnapshot::Tree {
    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        bool operator==(const Value&) const = default;
    };
    std::wstring name;        // relative to the parent key
    std::vector<BYTE> access; // self-relative security descriptor holding the DACL
    std::vector<Value> values;
    std::vector<Tree> subkeys;
};

namespace {

using Tree = KeySnapshot::Tree;

using win32::UniqueKey;

std::vector<BYTE> AccessOf(HKEY key) {
    DWORD size = 0;
    ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size);
    if (size == 0 || ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(),
                                         &size) != ERROR_SUCCESS) {
        descriptor.clear();
    }
    return descriptor;
}

std::vector<Tree::Value> ValuesOf(HKEY key) {
    DWORD count = 0, maxName = 0, maxData = 0;
    std::vector<Tree::Value> values;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0; index < count; ++index) {
        std::wstring name(maxName + 1, L'\0');
        DWORD nameLength = maxName + 1;
        Tree::Value value;
        value.data.resize(maxData);
        DWORD dataSize = maxData;
        if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                            value.data.data(), &dataSize) != ERROR_SUCCESS) {
            continue;
        }
        name.resize(nameLength);
        value.name = std::move(name);
        value.data.resize(dataSize);
        values.push_back(std::move(value));
    }
    return values;
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
    DWORD count = 0, maxName = 0;
    std::vector<std::wstring> names;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0; index < count; ++index) {
        std::wstring name(maxName + 1, L'\0');
        DWORD length = maxName + 1;
        if (::RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            name.resize(length);
            names.push_back(std::move(name));
        }
    }
    return names;
}

bool Capture(HKEY key, std::wstring name, Tree& tree) {
    tree.name = std::move(name);
    tree.access = AccessOf(key);
    tree.values = ValuesOf(key);
    for (std::wstring& subName : SubkeyNames(key)) {
        UniqueKey sub;
        if (::RegOpenKeyExW(key, subName.c_str(), 0, KEY_READ, sub.put()) != ERROR_SUCCESS) {
            return false;
        }
        if (!Capture(sub.get(), std::move(subName), tree.subkeys.emplace_back())) {
            return false;
        }
    }
    return !tree.access.empty();
}

using UniqueDescriptor =
    win32::UniqueHandle<win32::NullTraits<PSECURITY_DESCRIPTOR, win32::FreeLocal>>;

// Gives everyone full access to a key tree that a test made read-only, so it can go.
void Unlock(HKEY parent, const std::wstring& name) {
    UniqueDescriptor open;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                open.put(), nullptr)) {
        return;
    }
    UniqueKey key;
    if (::RegOpenKeyExW(parent, name.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS) {
        ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, open.get());
    }
    if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        for (const std::wstring& sub : SubkeyNames(key.get())) {
            Unlock(key.get(), sub);
        }
    }
}

bool DeleteTree(HKEY parent, const std::wstring& name) {
    LSTATUS status = ::RegDeleteTreeW(parent, name.c_str());
    if (status == ERROR_ACCESS_DENIED) {
        Unlock(parent, name);
        status = ::RegDeleteTreeW(parent, name.c_str());
    }
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RestoreTree(HKEY parent, const Tree& saved) {
    UniqueKey key;
    LSTATUS status =
        ::RegOpenKeyExW(parent, saved.name.c_str(), 0, READ_CONTROL | WRITE_DAC, key.put());
    if (status == ERROR_FILE_NOT_FOUND) {
        status = ::RegCreateKeyExW(parent, saved.name.c_str(), 0, nullptr, 0,
                                   READ_CONTROL | WRITE_DAC, nullptr, key.put(), nullptr);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    // The access list first: a test may have left the key read-only.
    if (AccessOf(key.get()) != saved.access &&
        ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION,
                            const_cast<BYTE*>(saved.access.data())) != ERROR_SUCCESS) {
        return false;
    }
    if (::RegOpenKeyExW(parent, saved.name.c_str(), 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    const std::vector<Tree::Value> now = ValuesOf(key.get());
    for (const Tree::Value& value : now) {
        const bool kept = std::any_of(saved.values.begin(), saved.values.end(),
                                      [&](const Tree::Value& v) { return v.name == value.name; });
        if (!kept) {
            ok &= ::RegDeleteValueW(key.get(), value.name.c_str()) == ERROR_SUCCESS;
        }
    }
    for (const Tree::Value& value : saved.values) {
        if (std::find(now.begin(), now.end(), value) == now.end()) {
            ok &= ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                                   static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
        }
    }
    for (const std::wstring& name : SubkeyNames(key.get())) {
        const bool kept = std::any_of(saved.subkeys.begin(), saved.subkeys.end(),
                                      [&](const Tree& t) { return t.name == name; });
        if (!kept) {
            ok &= DeleteTree(key.get(), name);
        }
    }
    for (const Tree& sub : saved.subkeys) {
        ok &= RestoreTree(key.get(), sub);
    }
    return ok;
}

} // namespace

const std::vector<GuardedKey>& GuardedKeys() {
    static const std::vector<GuardedKey> keys{
        {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\StorageDevicePolicies"},
        {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\USBSTOR"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer"},
        {HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer"},
        {HKEY_CURRENT_USER, L"Software\\kelvane"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Microsoft\\Windows\\RemovableStorageDevices"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kelvane"},
    };
    return keys;
}

bool MayChange(bool underWine, const wchar_t* optIn) {
    return underWine || (optIn && std::wstring_view(optIn) == L"1");
}

bool MayChangeThisMachine() {
    wchar_t optIn[4] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"KELVANE_TESTS_MAY_CHANGE_THIS_MACHINE", optIn,
                                                   static_cast<DWORD>(std::size(optIn)));
    return MayChange(RunningUnderWine(), length > 0 && length < std::size(optIn) ? optIn : nullptr);
}

KeySnapshot::KeySnapshot(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    UniqueKey key;
    const LSTATUS status = ::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, key.put());
    if (status == ERROR_SUCCESS) {
        auto tree = std::make_unique<Tree>();
        // Restored from the root, so the tree's own name is the whole path.
        if (Capture(key.get(), path_, *tree)) {
            saved_ = std::move(tree);
        }
        return;
    }
    if (status != ERROR_FILE_NOT_FOUND) {
        return;
    }
    // The outermost missing key is what a test's create would add and what must go again.
    for (std::size_t end = path_.find(L'\\');; end = path_.find(L'\\', end + 1)) {
        const std::wstring prefix = path_.substr(0, end);
        UniqueKey probe;
        if (::RegOpenKeyExW(root_, prefix.c_str(), 0, KEY_READ, probe.put()) ==
            ERROR_FILE_NOT_FOUND) {
            firstMissing_ = prefix;
            break;
        }
        if (end == std::wstring::npos) {
            break;
        }
    }
}

KeySnapshot::~KeySnapshot() {
    if (pending_) {
        Restore();
    }
}

bool KeySnapshot::taken() const {
    return saved_ || !firstMissing_.empty();
}

bool KeySnapshot::Restore() {
    pending_ = false;
    if (saved_) {
        return RestoreTree(root_, *saved_);
    }
    return firstMissing_.empty() || DeleteTree(root_, firstMissing_);
}

} // namespace kv::test
