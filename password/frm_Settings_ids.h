#pragma once
// Control ids of the password settings dialog: its design table and its class both use them.

namespace kv::password {

struct SettingsIds {
    enum Id : int {
        Picture1 = 5001,
        Label4,
        Label2,
        Image2,
        Label1,
        txtPassword,
        cmdChange,
        cmdCancel,
    };
};

} // namespace kv::password
