#include "app/frm_Main.h"

#include "info/author.h"
#include "app/frm_Main_design.h"
#include "app/frm_Main_switches.h"
#include "audit/event_log_win.h"
#include "ui/message_box.h"
#include "ui/web_address.h"
#include "win32/report.h"
#include "win32/system_message.h"
#include "win32/text.h"
#include "drives/drive_line.h"
#include "drives/drive_source_win.h"
#include "info/frm_About.h"
#include "info/frm_Help.h"
#include "password/frm_Settings.h"
#include "password/startup_gate.h"
#include "protection/switch_facts.h"
#include "protection/switches.h"
#include "protection/watched_keys.h"

#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kv::app {
namespace {

// Posted by a drive pass's worker when its result is ready to take.
constexpr UINT kDrivePassEnded = WM_APP + 1;
// How long start-up waits for the first pass before the window is shown without its line.
constexpr std::chrono::milliseconds kFirstPassWait{100};

using protection::OnOff;
using protection::Switch;

constexpr wchar_t kMessageTitle[] = L"Kelvane";

} // namespace

frm_Main::frm_Main(reg::RegistryApi& registry)
    : ui::Form(MainDesign()), registry_(registry), switches_(registry),
      elevation_(MakeWindowsElevation()), auditSink_(audit::WindowsEventLog()) {}

frm_Main::~frm_Main() = default;

void frm_Main::SetDriveSource(std::unique_ptr<drives::DriveSource> source) {
    drivePasses_.SetSource(std::move(source));
}

void frm_Main::SetElevation(std::unique_ptr<Elevation> elevation) {
    elevation_ = std::move(elevation);
}

void frm_Main::Form_Load() {
    // A pass that ends tells the window through its queue; the note is dropped once the
    // window is gone (Form_Unload), so a late pass never reaches another window.
    drivePasses_.Notify([window = hwnd()] { ::PostMessageW(window, kDrivePassEnded, 0, 0); });
    // The timer runs from the moment the window exists, also while the login is open.
    StartTimer(Timer1, 5000);

    // Each step is on its own: one that fails is abandoned and the next one runs.
    bool passed = false;
    win32::Guard(L"password gate", [&] { passed = PasswordGate(); });
    if (!passed) {
        Unload();
        return;
    }
    // The first drive pass runs on its worker while the switches are read.
    win32::Guard(L"DetectUSBDevices", [&] { DetectUSBDevices(); });
    // Without administrator rights the switches say that they will ask for them.
    win32::Guard(L"shields", [&] {
        if (!elevation_->IsElevated()) {
            for (int id : {cmdApply, cmdLock, cmdUSBAutorunControl}) {
                SetShield(id, true);
            }
        }
    });
    // Armed before the reads, so a change made while they run is not missed; from the
    // first message on, a change made elsewhere shows at once.
    win32::Guard(L"key watches", [&] { WatchShownKeys(); });
    win32::Guard(L"GetPStat", [&] { GetPStat(); });
    win32::Guard(L"GetBStat", [&] { GetBStat(); });
    win32::Guard(L"GetAutorunStat", [&] { GetAutorunStat(); });
    win32::Guard(L"Windows' policy", [&] { ReadLayerFacts(); });
    win32::Guard(L"first drive pass", [&] {
        // Prompt drives fill the line before the window is first shown; slow ones follow.
        if (drivePasses_.WaitFor(kFirstPassWait)) {
            ApplyDrivePass();
        }
    });
}

void frm_Main::Form_Unload() {
    drivePasses_.Notify(nullptr);
    watches_.Clear();
}

bool frm_Main::PasswordGate() {
    return password::PassStartupGate(
        [this](const std::wstring& marker) { SetText(txtRegValue, marker); }, {}, auditSink_);
}

void frm_Main::GetPStat() {
    ShowSwitch(Switch::WriteProtect);
}

void frm_Main::GetBStat() {
    ShowSwitch(Switch::UsbLock);
}

void frm_Main::GetAutorunStat() {
    ShowSwitch(Switch::Autorun);
}

bool frm_Main::ReadSwitch(Switch which) {
    protection::SwitchState state = switches_.Read(which);
    if (ReadCreatesKey(which) && !state.reads.empty() &&
        state.reads.front().form() != reg::mdl_RegFunctions::RegReadResult::Form::Number) {
        (void)switches_.CreateKey(which); // its failure is silent, as every key creation
    }
    std::optional<protection::SwitchState>& held = held_[static_cast<size_t>(which)];
    if (held == state) {
        return false;
    }
    held = std::move(state);
    return true;
}

const protection::SwitchState& frm_Main::Held(Switch which) const {
    static const protection::SwitchState kNeverRead{};
    const std::optional<protection::SwitchState>& held = held_[static_cast<size_t>(which)];
    return held ? *held : kNeverRead;
}

void frm_Main::ShowSwitch(Switch which) {
    ReadSwitch(which);
    ListReadErrors(*this, which, Held(which));
    DrawSwitchState(*this, which, Held(which));
}

void frm_Main::SwitchChanged(Switch which) {
    if (!ReadSwitch(which)) {
        return;
    }
    ListReadErrors(*this, which, Held(which));
    DrawSwitchState(*this, which, Held(which));
    ShowShortfalls();
}

void frm_Main::WatchShownKeys() {
    for (const protection::SwitchFacts& facts : protection::kSwitchFacts) {
        const Switch which = facts.which;
        for (const char* keyPath : {facts.values.keyPath, facts.values.userKeyPath}) {
            if (keyPath != nullptr) {
                watches_.Add(keyPath, false, [this, which] { SwitchChanged(which); });
            }
        }
    }
    // Windows' policy or Kelvane's record of it changed: the verdicts follow, and each
    // volume is asked again by a pass.
    for (const char* keyPath :
         {protection::kRemovableStoragePolicyKey, protection::kKelvaneMachineKey}) {
        watches_.Add(keyPath, true, [this] {
            ReadLayerFacts();
            ShowShortfalls();
            drivePasses_.AccessChanged();
            DetectUSBDevices();
        });
    }
}

void frm_Main::WatchKey(const std::string& keyPath, bool subtree, std::function<void()> changed) {
    watches_.Add(keyPath, subtree, std::move(changed));
}

void frm_Main::cmdApply_Click() {
    ToggleAndExplain(Switch::WriteProtect);
}

void frm_Main::cmdLock_Click() {
    ToggleAndExplain(Switch::UsbLock);
}

void frm_Main::cmdUSBAutorunControl_Click() {
    ToggleAndExplain(Switch::Autorun);
}

void frm_Main::ToggleAndExplain(Switch which) {
    const OnOff change = OfferedChange(Held(which));
    // The event says what the registry held just before, not what the window last showed.
    const auto before = switches_.Read(which).Known();
    const protection::WriteResult written = switches_.Write(which, change);
    audit::AuditTrail(auditSink_, audit::Origin::Window)
        .ProtectionChange(which, before, change, audit::OutcomeOf(written),
                          written.Done() ? L"" : win32::ErrorReason(written.FirstFailure()));
    ListWriteErrors(*this, written);
    // For autorun also when only the machine-wide half was refused.
    const std::string refusedKey = protection::RefusedKeyPath(which, written);
    const bool switchedOff = change == OnOff::Off && written.Done();
    // Whatever the write did, the block shows what the registry now holds,
    ShowSwitch(which);
    // (a protection switched off takes along Windows' policy that Kelvane added for it)
    if (switchedOff) {
        ChangeLayer(which, false);
    }
    // and the notice line what the drives now get.
    ShowShortfalls();
    if (refusedKey.empty()) {
        return;
    }
    // Already elevated (or SYSTEM), a restart could only be refused again.
    if (elevation_->IsElevated()) {
        ExplainRefusalWithRights(which, refusedKey);
    } else {
        OfferRestartAsAdministrator(which);
    }
}

void frm_Main::ExplainRefusalWithRights(Switch which, const std::string& key) {
    ui::ShowMessage(kMessageTitle,
                    std::wstring(L"Windows refused the change to the ") +
                        protection::WordsOf(which).heading +
                        L", although Kelvane runs as administrator.\r\n\r\n"
                        L"The permissions of this registry key, or a policy, forbid it:\r\n" +
                        win32::Widened(key),
                    ui::MessageIcon::Exclamation, ui::MessageButtons::Ok);
}

void frm_Main::OfferRestartAsAdministrator(Switch which) {
    const std::wstring question = std::wstring(L"Windows refused the change: changing the ") +
                                  std::wstring(protection::WordsOf(which).heading) +
                                  L" needs administrator rights.\r\n\r\n"
                                  L"Do you want to restart Kelvane as administrator?";
    if (ui::ShowMessage(kMessageTitle, question, ui::MessageIcon::Exclamation,
                        ui::MessageButtons::YesNo) != IDYES) {
        return;
    }
    const DWORD started = elevation_->RestartAsAdministrator(hwnd());
    if (started == ERROR_SUCCESS) {
        Unload(); // the elevated Kelvane takes over
        return;
    }
    if (started != ERROR_CANCELLED) {
        ui::ShowMessage(kMessageTitle,
                        L"Kelvane could not be started as administrator.\r\n\r\n" +
                            win32::SystemMessage(started),
                        ui::MessageIcon::Exclamation, ui::MessageButtons::Ok);
    }
}

void frm_Main::DetectUSBDevices() {
    if (!drivePasses_.HasSource()) {
        drivePasses_.SetSource(drives::MakeWindowsDriveSource());
    }
    // A tick or a Refresh while a pass runs starts nothing: that pass's line will do.
    drivePasses_.Start();
}

void frm_Main::ApplyDrivePass() {
    const std::optional<drives::DrivePasses::Line> line = drivePasses_.Take();
    if (!line) {
        return;
    }
    if (!*line) {
        // The line keeps what the last complete pass found.
        win32::ReportWin32(L"drive pass: " + line->error().call, line->error().code);
        return;
    }
    listed_ = line->value();
    SetText(lblDevices, drives::DriveLineCaption(listed_));
    ShowShortfalls();
}

void frm_Main::ShowShortfalls() {
    // Only a protection known to be on can fall short for a drive; one that cannot be
    // known is said to be open instead, so it neither invents nor hides a warning.
    const auto shortfalls = HeldShortfalls();
    std::vector<std::wstring> open;
    if (!listed_.empty()) {
        for (const Switch which : {Switch::WriteProtect, Switch::UsbLock}) {
            if (!Held(which).Known()) {
                open.push_back(L"Whether " + std::wstring(protection::WordsOf(which).heading) +
                               L" holds for the listed drives cannot be told: Kelvane cannot "
                               L"read its value.");
            }
        }
    }
    std::wstring text = drives::ShortfallNotice(shortfalls);
    std::wstring tooltip = drives::ShortfallList(shortfalls);
    for (const std::wstring& line : open) {
        tooltip += (tooltip.empty() ? L"" : L"\r\n") + line;
    }
    if (text.empty() && !open.empty()) {
        text = open.front();
    }
    ui::Rgb color = ui::kRed;
    if (text.empty()) {
        for (const ui::ControlDesign& notice : design().controls) {
            if (notice.id == Label9) {
                text = notice.text;
                color = notice.color;
            }
        }
    }
    SetTooltip(Label9, tooltip + OfferLayer(!LayerWanted(shortfalls).empty()));
    // Every pass comes here: the label repaints only when the notice changes.
    if (Text(Label9) != text) {
        SetText(Label9, text);
        SetColor(Label9, color);
    }
}

void frm_Main::OnAppMessage(UINT msg, WPARAM, LPARAM) {
    if (msg == kDrivePassEnded) {
        ApplyDrivePass();
        if (std::exchange(passAfterThis_, false)) {
            DetectUSBDevices();
        }
    }
}

void frm_Main::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) {
        return;
    }
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_VOLUME) {
        return;
    }
    // Bus and driver are looked up again for whatever arrived; the line follows at once.
    drivePasses_.DevicesChanged();
    win32::Guard(L"DetectUSBDevices", [&] {
        // A pass that runs now may have looked before the change: one more follows it.
        passAfterThis_ = drivePasses_.Running();
        DetectUSBDevices();
    });
}

void frm_Main::Timer1_Timer() {
    DetectUSBDevices();
}

void frm_Main::lblRefreshUSBDevices_Click() {
    DetectUSBDevices();
}

void frm_Main::OpenWebsite(const std::wstring& address) {
    // Elevated or not is asked where the window's other decisions ask it.
    ui::WebOpener opener = ui::WindowsWebOpener();
    opener.isElevated = [this] {
        return elevation_->IsElevated();
    };
    ui::OpenWebAddress(hwnd(), address, opener);
}

void frm_Main::lblvandorlin_Click() {
    OpenWebsite(info::author::kWebSite);
}

void frm_Main::cmdClose_Click() {
    Unload();
}

void frm_Main::cmdAbout_Click() {
    // Created afresh for every showing and gone when it returns.
    info::frm_About about;
    about.ShowModal();
}

void frm_Main::cmdHelp_Click() {
    info::frm_Help help;
    help.ShowModal();
}

void frm_Main::cmdPassword_Click() {
    // No password is asked for: whoever has this window may change it. A fresh dialog
    // each time, so its box starts empty.
    password::frm_Settings settings;
    settings.SetAuditSink(auditSink_);
    settings.ShowModal();
}

void frm_Main::OnClick(int id) {
    switch (id) {
    case cmdApply:
        cmdApply_Click();
        break;
    case cmdLock:
        cmdLock_Click();
        break;
    case cmdUSBAutorunControl:
        cmdUSBAutorunControl_Click();
        break;
    case cmdClose:
        cmdClose_Click();
        break;
    case cmdAbout:
        cmdAbout_Click();
        break;
    case cmdHelp:
        cmdHelp_Click();
        break;
    case cmdPassword:
        cmdPassword_Click();
        break;
    case lblvandorlin:
        lblvandorlin_Click();
        break;
    case lblRefreshUSBDevices:
        lblRefreshUSBDevices_Click();
        break;
    case Label9:
        Label9_Click();
        break;
    default:
        break;
    }
}

void frm_Main::OnTimer(int id) {
    if (id == Timer1) {
        Timer1_Timer();
    }
}

} // namespace kv::app
