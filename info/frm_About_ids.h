#pragma once
// Control ids of the About window: its design table and its class both use them.

namespace kv::info {

struct AboutIds {
    enum Id : int {
        Picture1 = 2001,
        Label4,
        Label1,
        Label11,
        Label9,
        Label3,
        Label5,
        Label8,
        Label10,
        Label7,
        Label6,
        lblURL,
        lblvandorlin,
        Line2,
        cmdOK,
    };
};

} // namespace kv::info
