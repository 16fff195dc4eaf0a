#include "ui/control_table.h"

namespace kv::ui {

ControlState& ControlTable::Add(std::unique_ptr<ControlState> control) {
    controls_.push_back(std::move(control));
    return *controls_.back();
}

ControlState* ControlTable::Find(int id) {
    for (auto& c : controls_) {
        if (c->design->id == id) {
            return c.get();
        }
    }
    return nullptr;
}

const ControlState* ControlTable::Find(int id) const {
    return const_cast<ControlTable*>(this)->Find(id);
}

ControlState* ControlTable::FindByHwnd(HWND hwnd) {
    if (!hwnd) {
        return nullptr;
    }
    for (auto& c : controls_) {
        if (c->hwnd == hwnd) {
            return c.get();
        }
    }
    return nullptr;
}

const ControlState* ControlTable::FindByHwnd(HWND hwnd) const {
    return const_cast<ControlTable*>(this)->FindByHwnd(hwnd);
}

const ControlState* ControlTable::FirstWith(std::uint32_t flags) const {
    for (const auto& c : controls_) {
        if (c->design->flags & flags) {
            return c.get();
        }
    }
    return nullptr;
}

} // namespace kv::ui
