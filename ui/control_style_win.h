#pragma once
// The layer's control styles (control_style.h) as Windows' own style bits.

#include "ui/control_style.h"

#include <windows.h>

namespace kv::ui {

DWORD Win32Style(const ControlStyle& s);
DWORD Win32ExStyle(const ControlStyle& s);

} // namespace kv::ui
