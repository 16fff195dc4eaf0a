#pragma once
// What a form keeps of each of its controls; shared by the files that implement Form.

#include "ui/form.h"
#include "ui/picture.h"
#include "win32/unique_handle.h"

#include <memory>
#include <string>

namespace kv::ui {

struct Form::ControlState {
    const ControlDesign* design = nullptr;
    HWND hwnd = nullptr;
    HWND container = nullptr; // the form or the picture box that holds it
    Rgb color{};
    std::shared_ptr<const Picture> picture; // images and picture buttons
    win32::UniqueImageList imageList;       // picture buttons: what they draw
    bool shield = false;                    // picture buttons: with the shield
    std::wstring tip; // the tooltip's own text; empty: the control's text (ellipsis labels)
};

} // namespace kv::ui
