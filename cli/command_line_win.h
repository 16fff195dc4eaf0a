#pragma once
// The command line on Windows, for kelvane.exe with arguments and for kelvane.com: over
// the real registry, drives, password store and standard streams, without a window.

#include "registry/reg_api.h"

#include <string>
#include <vector>

namespace kv::cli {

// The arguments of this process after the program name, as Windows splits them.
std::vector<std::wstring> ProcessArguments();

// Runs the command over `registry` (the real one, handed in by the program's start) and
// gives the exit code for the process. Shows no window and no message box on any path,
// and reads standard input only for --password-stdin.
int RunWindowsCommandLine(const std::vector<std::wstring>& arguments, reg::RegistryApi& registry);

// kelvane.com without arguments: starts kelvane.exe from its own folder (never one found
// on the PATH) and returns at once, as a windowed program typed at a prompt does. The exit
// code is 1, with the reason on standard error, when it cannot be started.
int OpenWindow();

} // namespace kv::cli
