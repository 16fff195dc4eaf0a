#pragma once
// The main window: the three protection switches, the line of ready removable drives,
// two notes (the first warns while a protection does not hold for a drive) and the
// command buttons. Loading it is the program's start-up.

#include "app/elevation.h"
#include "app/frm_Main_ids.h"
#include "audit/audit_trail.h"
#include "protection/switches.h"
#include "drives/drive_pass.h"
#include "registry/reg_api.h"
#include "drives/holds.h"
#include "ui/form.h"

#include <memory>
#include <string>
#include <vector>

namespace kv::app {

class frm_Main : public ui::Form, public MainIds {
public:
    // The switches read and write the protections through `registry`, which outlives the
    // window: the program's start hands in the real one.
    explicit frm_Main(reg::RegistryApi& registry);
    ~frm_Main() override;

    void GetPStat();
    void GetBStat();
    void GetAutorunStat();
    // Starts a drive pass off the window's thread, unless one is running; the line follows
    // when it ends.
    void DetectUSBDevices();
    void OpenWebsite(const std::wstring& address);

    // Replaces the source of drives (tests); the window otherwise creates the Windows one
    // on its first drive pass. A pass already running keeps the source it started with.
    void SetDriveSource(std::unique_ptr<drives::DriveSource> source);
    // Replaces what the window asks about administrator rights (tests); set before Show.
    void SetElevation(std::unique_ptr<Elevation> elevation);
    // Replaces where the window's changes are recorded (tests); the event log otherwise.
    void SetAuditSink(audit::Sink sink) { auditSink_ = std::move(sink); }

protected:
    void Form_Load() override;
    void OnClick(int id) override;
    void OnTimer(int id) override;
    void Form_Unload() override;
    void OnAppMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDeviceChange(WPARAM event, LPARAM data) override;

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
    // Reads the switch and shows its state in its block.
    void ShowSwitch(protection::Switch which);
    // A click on a switch: the change its caption asks for, then the state read back. A
    // change that Windows refused for lack of rights is explained.
    void ToggleAndExplain(protection::Switch which);
    void OfferRestartAsAdministrator(protection::Switch which);
    // Puts the result of the last ended pass on the line, if there is one to take.
    void ApplyDrivePass();
    // The first notice line: a warning in red while a protection that is on does not hold
    // for a listed drive, else its design text.
    void ShowShortfalls();
    // Which protections the window shows as on.
    drives::ProtectionsOn ProtectionsShownOn() const;

    protection::Switches switches_;
    std::unique_ptr<Elevation> elevation_;
    audit::Sink auditSink_;
    drives::DrivePasses drivePasses_;
    std::vector<drives::ListedDrive> listed_; // what the line shows, from the last complete pass
    bool passAfterThis_ = false;              // a device changed while a pass ran
};

} // namespace kv::app
