#include "app/frm_Main.h"

#include "info/author.h"
#include "app/frm_Main_design.h"
#include "app/frm_Main_switches.h"
#include "audit/event_log_win.h"
#include "ui/message_box.h"
#include "ui/web_address.h"
#include "win32/report.h"
#include "win32/system_message.h"
#include "drives/drive_line.h"
#include "drives/drive_source_win.h"
#include "info/frm_About.h"
#include "info/frm_Help.h"
#include "password/frm_Settings.h"
#include "password/startup_gate.h"
#include "protection/switch_words.h"
#include "protection/switches.h"

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

using protection::Switch;

constexpr wchar_t kMessageTitle[] = L"Kelvane";

} // namespace

frm_Main::frm_Main(reg::RegistryApi& registry)
    : ui::Form(MainDesign()), switches_(registry), elevation_(MakeWindowsElevation()),
      auditSink_(audit::WindowsEventLog()) {}

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
    win32::Guard(L"GetPStat", [&] { GetPStat(); });
    win32::Guard(L"GetBStat", [&] { GetBStat(); });
    win32::Guard(L"GetAutorunStat", [&] { GetAutorunStat(); });
    win32::Guard(L"first drive pass", [&] {
        // Prompt drives fill the line before the window is first shown; slow ones follow.
        if (drivePasses_.WaitFor(kFirstPassWait)) {
            ApplyDrivePass();
        }
    });
}

void frm_Main::Form_Unload() {
    drivePasses_.Notify(nullptr);
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

void frm_Main::ShowSwitch(Switch which) {
    ShowSwitchState(*this, which, switches_.Read(which), switches_);
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
    bool refused = false;
    if (const auto change = AskedChange(*this, which)) {
        const auto before = switches_.Read(which).Known();
        const protection::WriteResult written = switches_.Write(which, *change);
        audit::AuditTrail(auditSink_, audit::Origin::Window)
            .ProtectionChange(which, before, *change, audit::OutcomeOf(written),
                              written.Done() ? L"" : win32::ErrorReason(written.FirstFailure()));
        ListWriteErrors(*this, written);
        // For autorun also when only the machine-wide half was refused.
        refused = written.Refused();
    }
    // Whatever the write did, the block shows what the registry now holds,
    ShowSwitch(which);
    // and the notice line what the drives now get.
    ShowShortfalls();
    if (refused) {
        OfferRestartAsAdministrator(which);
    }
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

drives::ProtectionsOn frm_Main::ProtectionsShownOn() const {
    // As the blocks show them: no second registry read (and no error lines) every pass.
    return {.writeProtect = Text(lblStatus) == protection::kWriteProtectWords.protectionOn,
            .lock = Text(lblUSBLockStatus) == protection::kUsbLockWords.protectionOn};
}

void frm_Main::ShowShortfalls() {
    const auto shortfalls = drives::Shortfalls(listed_, ProtectionsShownOn());
    std::wstring text = drives::ShortfallNotice(shortfalls);
    ui::Rgb color = ui::kRed;
    if (shortfalls.empty()) {
        for (const ui::ControlDesign& notice : design().controls) {
            if (notice.id == Label9) {
                text = notice.text;
                color = notice.color;
            }
        }
    }
    SetTooltip(Label9, drives::ShortfallList(shortfalls));
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
