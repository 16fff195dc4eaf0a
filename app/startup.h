#pragma once
// The program's start: the main window shown, then its message loop.

#include "ui/form.h"

namespace kv::app {

// The exit code when the main window could not be created or shown.
inline constexpr int kStartupFailed = 1;

// Shows `main` and runs the program until its last window is gone; returns the exit code.
// When the window cannot be created or shown, the user is told why in a message box,
// nothing is left behind (no hidden window keeps the process alive), and the result is
// kStartupFailed. A login that was not passed ends the program normally (0).
int RunMainWindow(ui::Form& main);

} // namespace kv::app
