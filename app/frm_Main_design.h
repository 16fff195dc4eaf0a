#pragma once

#include "ui/design.h"

namespace kv::app {

const ui::FormDesign& MainDesign();

} // namespace kv::app
