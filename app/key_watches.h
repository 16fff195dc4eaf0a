#pragma once
// The registry keys a window follows: each key's change notification is waited on by the
// window's message loops, and its handler runs on the window's thread after each change.

#include "registry/key_watch_win.h"
#include "ui/form.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv::app {

class KeyWatches {
public:
    explicit KeyWatches(ui::Form& form) : form_(form) {}
    ~KeyWatches() { Clear(); }
    KeyWatches(const KeyWatches&) = delete;
    KeyWatches& operator=(const KeyWatches&) = delete;

    // Follows the key ("HKEY_LOCAL_MACHINE\\SOFTWARE\\X"; with `subtree`, every key below
    // it too) while the form is loaded: `changed` runs after each change, the watch already
    // armed for the next one. A key that does not exist yet is followed until it appears.
    void Add(const std::string& keyPath, bool subtree, std::function<void()> changed);
    // Stops following every key.
    void Clear();

private:
    ui::Form& form_;
    std::vector<std::unique_ptr<reg::KeyWatch>> watches_;
};

} // namespace kv::app
