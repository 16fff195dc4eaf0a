#pragma once
// The picture of a picture button, as the image list the button draws it from.

#include "ui/picture.h"
#include "win32/unique_handle.h"

namespace kv::ui {

// `picture` alone; with `shield`, the small shield of an action that asks for administrator
// rights stands to its left, and as much room to its right keeps the picture centred.
// Empty when it cannot be made (the caller keeps what the button had).
win32::UniqueImageList MakeButtonImages(const Picture& picture, bool shield, unsigned dpi);

} // namespace kv::ui
