#pragma once
// The main window: the three protection switches, the line of ready removable drives,
// two notes (the first warns while a protection does not hold for a drive) and the
// command buttons. Loading it is the program's start-up.

#include "app/elevation.h"
#include "app/frm_Main_ids.h"
#include "app/key_watches.h"
#include "audit/audit_trail.h"
#include "protection/switches.h"
#include "protection/windows_policy.h"
#include "drives/drive_pass.h"
#include "registry/reg_api.h"
#include "drives/holds.h"
#include "ui/form.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
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
    // Follows one more key while the window is loaded: `changed` runs on the window's
    // thread after each change of it (see KeyWatches::Add).
    void WatchKey(const std::string& keyPath, bool subtree, std::function<void()> changed);

    // Replaces the source of drives (tests); the window otherwise creates the Windows one
    // on its first drive pass. A pass already running keeps the source it started with.
    void SetDriveSource(std::unique_ptr<drives::DriveSource> source);
    // Replaces what the window asks about administrator rights (tests); set before Show.
    void SetElevation(std::unique_ptr<Elevation> elevation);
    // Replaces the request that Windows apply its policy now (tests); true when asked.
    void SetApplyPolicyNow(std::function<bool()> apply);
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
    // Windows' removable-storage policy as a second layer (frm_Main_layer.cpp): the notice
    // line's offer, adding it, and taking away what Kelvane added when a protection goes off.
    void Label9_Click();
    void ChangeLayer(protection::Switch which, bool adding);
    // Makes the notice line a tab stop while it warns; the hint for its tooltip.
    std::wstring OfferLayer(bool offered);
    // The protections that fall short for a drive and whose layer is not wholly set yet:
    // once it is, a drive waits for its re-attachment and there is nothing more to offer.
    std::vector<protection::Switch>
    LayerWanted(const std::vector<drives::Shortfall>& shortfalls) const;
    protection::WindowsPolicyLayer Layer();
    // Reads what Windows' removable-storage policy asks for each protection, and who set it.
    void ReadLayerFacts();
    // The protections that are known to be on and the layer facts, for the drives' verdicts.
    std::vector<drives::Shortfall> HeldShortfalls() const;
    void Timer1_Timer();
    bool PasswordGate();
    // Reads the switch and holds what it found; where the window's read makes the key, it
    // makes it here. True when the held state changed.
    bool ReadSwitch(protection::Switch which);
    // Reads the switch, lists the read's errors and shows the state in its block.
    void ShowSwitch(protection::Switch which);
    // A watched key of the switch changed: a different state is shown, with the notice
    // line; the same one (a change this window made and already shows) shows nothing.
    void SwitchChanged(protection::Switch which);
    const protection::SwitchState& Held(protection::Switch which) const;
    // A click on a switch: the change its block offers for the held state, then the state
    // read back. A change that Windows refused for lack of rights is explained.
    void ToggleAndExplain(protection::Switch which);
    void OfferRestartAsAdministrator(protection::Switch which);
    void ExplainRefusalWithRights(protection::Switch which, const std::string& key);
    // Follows the keys whose values the window shows.
    void WatchShownKeys();
    // Puts the result of the last ended pass on the line, if there is one to take.
    void ApplyDrivePass();
    // The first notice line: a warning in red while a protection that is on does not hold
    // for a listed drive, or while one whose value cannot be read leaves that open; else its
    // design text.
    void ShowShortfalls();

    reg::RegistryApi& registry_;
    protection::Switches switches_;
    std::function<bool()> applyPolicyNow_; // none: Windows' own RefreshPolicyEx
    std::unique_ptr<Elevation> elevation_;
    audit::Sink auditSink_;
    drives::DrivePasses drivePasses_;
    std::vector<drives::ListedDrive> listed_; // what the line shows, from the last complete pass
    bool passAfterThis_ = false;              // a device changed while a pass ran
    // The switches' states as last read, by Switch; nothing before the first read.
    std::array<std::optional<protection::SwitchState>, 3> held_;
    drives::WindowsPolicies layerFacts_; // as last read; none set before the first read
    // Whether every value of write protection's and the lock's layer is set, as last read.
    bool layerComplete_[2] = {false, false};
    KeyWatches watches_{*this};
};

} // namespace kv::app
