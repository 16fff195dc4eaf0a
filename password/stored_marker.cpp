#include "password/stored_marker.h"

namespace kv::password {

std::wstring StoredPasswordMarker(const StoredPasswordRead& read) {
    switch (read.status) {
    case StoreReadStatus::Missing:
        return {};
    case StoreReadStatus::Value:
        return read.text.empty() ? std::wstring() : std::wstring(kMarkerPasswordSet);
    case StoreReadStatus::Failed:
        break;
    }
    return std::wstring(kMarkerUnreadable);
}

} // namespace kv::password
