#pragma once

#include "app/frm_Main.h"
#include "ui/design.h"

namespace kv {

const ui::FormDesign& MainDesign();

} // namespace kv
