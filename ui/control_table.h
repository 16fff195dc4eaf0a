#pragma once
// A form's controls: what it keeps of each one, and finding one by its design id or by
// its window.

#include "ui/design.h"
#include "ui/picture.h"
#include "win32/unique_handle.h"

#include <memory>
#include <vector>

namespace kv::ui {

struct ControlState {
    const ControlDesign* design = nullptr;
    HWND hwnd = nullptr;      // nullptr: drawn by its container (a line)
    HWND container = nullptr; // the form or the picture box that holds it
    Rgb color{};
    std::shared_ptr<const Picture> picture; // images and picture buttons
    win32::UniqueImageList imageList;       // picture buttons: what they draw
    bool shield = false;                    // picture buttons: with the shield
};

class ControlTable {
public:
    ControlState& Add(std::unique_ptr<ControlState> control);
    void Clear() { controls_.clear(); }

    ControlState* Find(int id);
    const ControlState* Find(int id) const;
    ControlState* FindByHwnd(HWND hwnd);
    const ControlState* FindByHwnd(HWND hwnd) const;
    // The first control whose design has any of `flags` (kDefault, kCancel), or nullptr.
    const ControlState* FirstWith(std::uint32_t flags) const;

    auto begin() { return controls_.begin(); }
    auto end() { return controls_.end(); }
    auto begin() const { return controls_.cbegin(); }
    auto end() const { return controls_.cend(); }

private:
    std::vector<std::unique_ptr<ControlState>> controls_;
};

} // namespace kv::ui
