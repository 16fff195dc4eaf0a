#pragma once

#include "ui/design.h"

namespace kv {

const ui::FormDesign& SettingsDesign();

} // namespace kv
