#pragma once
// While a modal form is open the program's other forms take no input: the scope disables
// them and gives them back their input when it ends, before the modal window goes, so that
// the activation returns to its owner.

#include <windows.h>

#include <functional>
#include <vector>

namespace kv::ui {

class ModalScope {
public:
    ModalScope() = default;
    ~ModalScope() { End(); }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

    // Disables each enabled top-level window of this thread for which `disable` is true;
    // it is asked just before, while the window still has its focus to note.
    void Begin(const std::function<bool(HWND)>& disable);
    // Enables again what Begin disabled (those windows that still exist). Idempotent.
    void End();

private:
    std::vector<HWND> disabled_;
};

} // namespace kv::ui
