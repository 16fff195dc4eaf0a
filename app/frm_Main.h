#pragma once
// The main window: the three protection switches, the line of ready removable drives,
// two notes and the command buttons. Loading it is the program's start-up.

#include "ui/form.h"

#include <memory>
#include <string>

namespace kv::drives {
class DriveSource;
}

namespace kv::app {

class frm_Main : public ui::Form {
public:
    // Control ids of the design.
    enum Id : int {
        Picture1 = 1001,
        Label4,
        Label14,
        Label6,
        Label7,
        Label8,
        Label10,
        lblURL,
        lblvandorlin,
        Image1,
        Label16,
        Label17,
        Label3,
        imgEnabled,
        imgDisabled,
        lblStatus,
        cmdApply,
        Line5,
        Image2,
        Label18,
        Label11,
        Label12,
        imgLocked,
        imgUnLocked,
        lblUSBLockStatus,
        cmdLock,
        Line2,
        Image3,
        Label2,
        Label19,
        Label21,
        imgUSBDeviceAREnabled,
        imgUSBDeviceARDisabled,
        lblUSBDeviceARStatus,
        cmdUSBAutorunControl,
        Line4,
        Image4,
        Label5,
        lblRefreshUSBDevices,
        lblDevices,
        Line3,
        Image5,
        Label9,
        Label13,
        Line1,
        cmdAbout,
        cmdHelp,
        cmdPassword,
        cmdClose,
        lstErrs,
        txtRegValue,
        Timer1,
    };

    frm_Main();
    ~frm_Main() override;

    // The program-wide main window while it exists, else nullptr.
    static frm_Main* Instance();

    void GetPStat();
    void GetBStat();
    void GetAutorunStat();
    void DetectUSBDevices();
    void OpenWebsite(const std::wstring& address);

    // Replaces the source of drives (tests); the window otherwise creates the Windows one
    // on its first drive pass.
    void SetDriveSource(std::unique_ptr<drives::DriveSource> source);

protected:
    void Form_Load() override;
    void OnClick(int id) override;
    void OnTimer(int id) override;

private:
    void cmdApply_Click();
    void cmdLock_Click();
    void cmdUSBAutorunControl_Click();
    void cmdClose_Click();
    void cmdAbout_Click();
    void cmdHelp_Click();
    void cmdPassword_Click();
    void lblvandorlin_Click();
    void lblRefreshUSBDevices_Click();
    void Timer1_Timer();
    bool PasswordGate();

    std::unique_ptr<drives::DriveSource> drives_;
};

} // namespace kv::app
