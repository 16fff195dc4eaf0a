#include "info/frm_Help.h"

#include "info/frm_Help_design.h"

namespace kv::info {

frm_Help::frm_Help() : ui::Form(HelpDesign()) {}

} // namespace kv::info
