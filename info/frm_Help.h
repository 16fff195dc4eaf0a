#pragma once
// The Help window: a one-page manual of the three protections, the password option and
// two notes. It has no buttons and no operations; the close box closes it (Esc does
// not). Shown modally from the main window; the caller owns the object (see ui::Form).

#include "info/frm_Help_ids.h"
#include "ui/form.h"

namespace kv::info {

class frm_Help : public ui::Form, public HelpIds {
public:
    frm_Help();
};

} // namespace kv::info
