#pragma once
// kelvane.exe with arguments: one command, run without a window, ending in an exit code
// (command.h). Everything it reads and writes comes in here, so the same code runs on
// Windows and over test doubles.

#include "audit/audit_trail.h"
#include "cli/command.h"
#include "cli/console.h"
#include "drives/drive_source.h"
#include "password/password_check.h"
#include "password/settings_store.h"
#include "protection/windows_policy.h"
#include "registry/reg_api.h"

#include <functional>
#include <string>
#include <vector>

namespace kv::cli {

struct Services {
    reg::RegistryApi& registry; // the protections' registry
    drives::DriveSource& drives;
    std::function<password::StoredPasswordRead()> readStoredPassword;
    password::KeyDeriver& deriver;
    // After `entered` passed the check against `checked`, a password kept as plain text by
    // an earlier version: store it hashed, as the login window does.
    std::function<void(const std::wstring& checked, std::wstring_view entered)> rewriteHashed;
    // The system's text for an error code, for the one line that says why.
    std::function<std::wstring(long code)> systemMessage;
    // What the second layer asks of Windows: the system volume's bus, applying policy now.
    protection::LayerSystem layerSystem = {};
    // Whether the process already has administrator rights: a refusal then comes from the
    // key's permissions or a policy, and running it as an administrator cannot help.
    std::function<bool()> isElevated;
    // Where changes and failed password checks are recorded; nowhere when empty.
    audit::Sink audit = {};
};

// `arguments` without the program name, and not empty.
int RunCommandLine(const std::vector<std::wstring>& arguments, Services& services,
                   Console& console);

} // namespace kv::cli
