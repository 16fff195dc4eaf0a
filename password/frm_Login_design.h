#pragma once

#include "ui/design.h"

namespace kv::password {

const ui::FormDesign& LoginDesign();

} // namespace kv::password
