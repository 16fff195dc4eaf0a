#pragma once
// Control ids of the Help window: its design table and its class both use them.

namespace kv::info {

struct HelpIds {
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
};

} // namespace kv::info
