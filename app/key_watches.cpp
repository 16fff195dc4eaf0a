#include "app/key_watches.h"

#include "win32/report.h"

#include <utility>

namespace kv::app {
namespace {

void Arm(reg::KeyWatch& watch) {
    if (const LSTATUS status = watch.Arm(); status != ERROR_SUCCESS) {
        // The window still shows what a click or the start read; it only stops following.
        win32::ReportWin32(L"RegNotifyChangeKeyValue", static_cast<DWORD>(status));
    }
}

} // namespace

void KeyWatches::Add(const std::string& keyPath, bool subtree, std::function<void()> changed) {
    auto watch = std::make_unique<reg::KeyWatch>(keyPath, subtree);
    if (watch->Event() == nullptr) {
        win32::ReportWin32(L"key watch", ERROR_INVALID_PARAMETER);
        return;
    }
    Arm(*watch);
    reg::KeyWatch* watched = watch.get();
    form_.WatchEvent(watch->Event(), [watched, changed = std::move(changed)] {
        // Armed before the read, so a change made while it runs is not missed.
        Arm(*watched);
        changed();
    });
    watches_.push_back(std::move(watch));
}

void KeyWatches::Clear() {
    for (const auto& watch : watches_) {
        form_.UnwatchEvent(watch->Event());
    }
    watches_.clear();
}

} // namespace kv::app
