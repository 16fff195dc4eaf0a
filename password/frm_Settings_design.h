#pragma once

#include "ui/design.h"

namespace kv::password {

const ui::FormDesign& SettingsDesign();

} // namespace kv::password
