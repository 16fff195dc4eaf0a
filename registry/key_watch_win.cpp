#include "registry/key_watch_win.h"

#include "registry/mdl_RegFunctions.h"
#include "registry/reg_win.h"

#include <utility>

namespace kv::reg {
namespace {

// The sub-key cut to its first `names` names ("" for none: the root itself).
std::wstring Prefix(const std::wstring& subKey, std::size_t names) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < names; ++i) {
        end = subKey.find(L'\\', end + (i == 0 ? 0 : 1));
        if (end == std::wstring::npos) {
            return subKey;
        }
    }
    return subKey.substr(0, end);
}

std::size_t NameCount(const std::wstring& subKey) {
    if (subKey.empty()) {
        return 0;
    }
    std::size_t count = 1;
    for (wchar_t c : subKey) {
        count += c == L'\\' ? 1 : 0;
    }
    return count;
}

HKEY RootOf(const std::string& keyPath, std::wstring& subKey) {
    std::string path = keyPath;
    std::uint32_t root = 0;
    if (mdl_RegFunctions::ParseKeyPath(path, root) || root == 0) {
        return nullptr;
    }
    // Key paths are ASCII.
    subKey.assign(path.begin(), path.end());
    return RootToHkey(root);
}

} // namespace

KeyWatch::KeyWatch(HKEY root, std::wstring subKey, bool subtree)
    : root_(root), subKey_(std::move(subKey)), subtree_(subtree), depth_(NameCount(subKey_)) {
    if (root_ != nullptr) {
        event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }
}

KeyWatch::KeyWatch(const std::string& keyPath, bool subtree) : KeyWatch(nullptr, L"", subtree) {
    root_ = RootOf(keyPath, subKey_);
    depth_ = NameCount(subKey_);
    if (root_ != nullptr) {
        event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }
}

LSTATUS KeyWatch::Arm() {
    if (!event_) {
        return ERROR_INVALID_HANDLE;
    }
    // The deepest key of the path that opens now; the key itself when it exists.
    key_.reset();
    bool refused = false;
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    for (std::size_t names = depth_ + 1; names-- > 0;) {
        HKEY opened = nullptr;
        status = ::RegOpenKeyExW(root_, Prefix(subKey_, names).c_str(), 0, KEY_NOTIFY, &opened);
        if (status == ERROR_SUCCESS) {
            key_.reset(opened);
            watchedDepth_ = names;
            break;
        }
        refused = refused || (names == depth_ && status != ERROR_FILE_NOT_FOUND);
    }
    if (!key_) {
        return status;
    }
    // On the key: its values and subkeys. On a parent: a new subkey, or, when the key was
    // there but refused, everything below the parent.
    const bool onKey = OnKey();
    DWORD filter = REG_NOTIFY_CHANGE_NAME;
    if (onKey || refused) {
        filter |= REG_NOTIFY_CHANGE_LAST_SET;
    }
    const BOOL whole = (onKey && subtree_) || refused ? TRUE : FALSE;
    return ::RegNotifyChangeKeyValue(key_.get(), whole, filter, event_.get(), TRUE);
}

} // namespace kv::reg
