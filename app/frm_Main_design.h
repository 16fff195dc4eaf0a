#pragma once

#include "app/frm_Main.h"
#include "app/toolkit/design.h"

namespace kv {

const ui::FormDesign& MainDesign();

} // namespace kv
