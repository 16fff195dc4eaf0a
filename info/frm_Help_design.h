#pragma once

#include "ui/design.h"

namespace kv::info {

const ui::FormDesign& HelpDesign();

} // namespace kv::info
