#pragma once

#include "app/toolkit/design.h"

namespace kv {

const ui::FormDesign& LoginDesign();

} // namespace kv
