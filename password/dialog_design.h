#pragma once
// What the login and settings dialogs' designs share: the lavender form on the plain
// background picture, a fixed dialog frame without an icon or a taskbar button, owned by
// and centred on the main window, the pointer of link labels and the art's double-size twins.

#include "art/art_ids.h"
#include "ui/design.h"

#include <span>

namespace kv::password {

// `width` x `height` twips; the background picture covers `widthPx` x `heightPx` at 96 DPI
// (the client area in pixels).
constexpr ui::FormDesign PasswordDialogDesign(const wchar_t* caption, int width, int height,
                                              int widthPx, int heightPx,
                                              std::span<const ui::ControlDesign> controls) {
    return {caption,
            width,
            height,
            ui::kLavender,
            false,
            IDP_BACKGROUND,
            widthPx,
            heightPx,
            0,     // no icon: a fixed dialog frame
            false, // owned by the main window, no taskbar button
            ui::StartPosition::CenterOwner,
            controls,
            IDC_POINTING_HAND,
            ART_HIDPI_OFFSET};
}

} // namespace kv::password
