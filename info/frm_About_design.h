#pragma once

#include "ui/design.h"

namespace kv::info {

const ui::FormDesign& AboutDesign();

} // namespace kv::info
