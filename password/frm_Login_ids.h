#pragma once
// Control ids of the login dialog: its design table and its class both use them.

namespace kv::password {

struct LoginIds {
    enum Id : int {
        Picture1 = 4001,
        Label4,
        Label2,
        Image2,
        Label1,
        txtPassword,
        cmdLogin,
        cmdCancel,
        txtgetpwd,
    };
};

} // namespace kv::password
