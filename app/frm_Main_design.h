#pragma once

#include "app/frm_Main.h"
#include "ui/design.h"

namespace kv::app {

const ui::FormDesign& MainDesign();

} // namespace kv::app
