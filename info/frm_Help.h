#pragma once
// The Help window: a one-page manual of the three protections, the password option and
// two notes. It has no buttons and no operations; the close box closes it (Esc does
// not). Shown modally from the main window; the caller owns the object (see ui::Form).

#include "ui/form.h"

namespace kv::info {

class frm_Help : public ui::Form {
public:
    // Control ids of the design.
    enum Id : int {
        Picture1 = 3001,
        Label4,
        Label8,
        Label1,
        Label3,
        Image2,
        Label16,
        Label17,
        Image3,
        Label18,
        Label11,
        Image4,
        Label2,
        Label19,
        Image5,
        Label6,
        Label5,
        Label7,
        Label9,
        Label13,
        Image1,
        Label10,
    };

    frm_Help();
};

} // namespace kv::info
