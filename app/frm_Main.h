#pragma once
// The main window: the three protection switches, the line of ready removable drives,
// two notes and the command buttons. Loading it is the program's start-up.

#include "app/elevation.h"
#include "app/frm_Main_ids.h"
#include "protection/switches.h"
#include "ui/form.h"

#include <memory>
#include <string>

namespace kv::drives {
class DriveSource;
}

namespace kv::app {

class frm_Main : public ui::Form, public MainIds {
public:
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
    // Replaces what the window asks about administrator rights (tests); set before Show.
    void SetElevation(std::unique_ptr<Elevation> elevation);

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
    // A click on a switch; a change that Windows refused for lack of rights is explained.
    void ToggleAndExplain(protection::Switch which);
    void OfferRestartAsAdministrator(protection::Switch which);

    std::unique_ptr<drives::DriveSource> drives_;
    std::unique_ptr<Elevation> elevation_;
};

} // namespace kv::app
