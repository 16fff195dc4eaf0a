// The main window's offer of Windows' own removable-storage policy: the red notice line
// names a drive that a protection does not reach, and a click on it (or Enter or Space once
// Tab reached it) asks whether to add Windows' policy for that protection. Switching the
// protection off takes away what Kelvane added for it.

#include "app/frm_Main.h"

#include "app/frm_Main_switches.h"
#include "drives/drive_facts_win.h"
#include "protection/policy_refresh_win.h"
#include "protection/switch_facts.h"
#include "ui/message_box.h"
#include "win32/system_message.h"

#include <algorithm>
#include <string>

namespace kv::app {
namespace {

using protection::LayerChange;
using protection::Switch;

constexpr wchar_t kTitle[] = L"Kelvane";

std::wstring Question(Switch which) {
    const bool write = which == Switch::WriteProtect;
    return std::wstring(L"Kelvane's ") + (write ? L"write protection" : L"lock") +
           L" does not reach every drive. Do you want to add Windows' own removable-storage "
           L"policy as well?\r\n\r\n" +
           (write ? L"Windows then keeps everyone from writing to"
                  : L"Windows then keeps everyone from reading and writing") +
           L" removable disks, whatever their driver, and phones and cameras.\r\n\r\n"
           L"Drives attached from now on get it at once; a drive attached now gets it after it "
           L"is re-attached or Windows restarts.\r\n\r\n"
           L"A domain's Group Policy can replace it, and Windows Home may not apply it. "
           L"Switching the protection off in Kelvane takes it away again.";
}

std::wstring Failure(const LayerChange& change) {
    using Outcome = LayerChange::Outcome;
    switch (change.outcome) {
    case Outcome::SystemOnHotPlug:
        return L"Windows runs from a USB, SD, MMC or 1394 drive here. Its removable-storage "
               L"policy could lock the computer out of itself, so Kelvane did not add it.";
    case Outcome::OverridesOutside:
        return L"An administrator's policy already sets a different value for removable "
               L"storage here. Kelvane leaves it as it is.";
    case Outcome::NotReadBack:
        return L"A value of Windows' removable-storage policy was written but did not read "
               L"back, so Kelvane does not count it as added.";
    case Outcome::Failed:
    case Outcome::Done:
        break;
    }
    return L"Windows' removable-storage policy could not be changed.\r\n\r\n" +
           win32::SystemMessage(static_cast<DWORD>(change.writes.FirstFailure()));
}

} // namespace

protection::WindowsPolicyLayer frm_Main::Layer() {
    return protection::WindowsPolicyLayer(
        registry_, {drives::SystemOnHotPlugBus,
                    applyPolicyNow_ ? applyPolicyNow_ : protection::ApplyMachinePolicyNow,
                    protection::FileTimeNow});
}

void frm_Main::SetApplyPolicyNow(std::function<bool()> apply) {
    applyPolicyNow_ = std::move(apply);
}

void frm_Main::ReadLayerFacts() {
    const auto facts = [this](Switch which) {
        const protection::LayerState state = Layer().Read(which);
        layerComplete_[which == Switch::WriteProtect ? 0 : 1] =
            state.denyAll || std::ranges::all_of(state.values, [](const auto& v) { return v.set; });
        const protection::LayerFacts f = state.Facts();
        return drives::WindowsPolicyFacts{f.set, f.setByKelvane, f.setAt};
    };
    layerFacts_ = {.writeProtect = facts(Switch::WriteProtect), .lock = facts(Switch::UsbLock)};
}

std::vector<drives::Shortfall> frm_Main::HeldShortfalls() const {
    const auto on = [this](Switch which) {
        return Held(which).Known() == protection::OnOff::On;
    };
    return drives::Shortfalls(
        listed_, {.writeProtect = on(Switch::WriteProtect), .lock = on(Switch::UsbLock)},
        layerFacts_);
}

std::vector<Switch> frm_Main::LayerWanted(const std::vector<drives::Shortfall>& shortfalls) const {
    std::vector<Switch> wanted;
    for (const Switch which : {Switch::WriteProtect, Switch::UsbLock}) {
        const auto protection = which == Switch::WriteProtect
                                    ? drives::DriveProtection::WriteProtect
                                    : drives::DriveProtection::Lock;
        if (!layerComplete_[which == Switch::WriteProtect ? 0 : 1] &&
            std::ranges::any_of(shortfalls, [&](const drives::Shortfall& s) {
                return s.protection == protection;
            })) {
            wanted.push_back(which);
        }
    }
    return wanted;
}

void frm_Main::Label9_Click() {
    for (const Switch which : LayerWanted(HeldShortfalls())) {
        if (ui::ShowMessage(kTitle, Question(which), ui::MessageIcon::Question,
                            ui::MessageButtons::YesNo) == IDYES) {
            ChangeLayer(which, true);
        }
    }
}

void frm_Main::ChangeLayer(Switch which, bool adding) {
    const LayerChange change = adding ? Layer().Add(which) : Layer().Remove(which);
    const bool callFailed = change.outcome == LayerChange::Outcome::Failed;
    audit::AuditTrail(auditSink_, audit::Origin::Window)
        .Layer(which, change, adding,
               callFailed ? win32::ErrorReason(change.writes.FirstFailure()) : std::wstring());
    ListWriteErrors(*this, change.writes);
    if (change.Changed()) {
        // Windows' answer for each drive may differ now: every drive is asked again.
        ReadLayerFacts();
        ShowShortfalls();
        drivePasses_.AccessChanged();
        passAfterThis_ = drivePasses_.Running();
        DetectUSBDevices();
    }
    if (change.Refused()) {
        // Already elevated, a restart could only be refused again.
        if (elevation_->IsElevated()) {
            ExplainRefusalWithRights(which, protection::kRemovableStoragePolicyKey);
        } else {
            OfferRestartAsAdministrator(which);
        }
        return;
    }
    if (!change.Done()) {
        ui::ShowMessage(kTitle, Failure(change), ui::MessageIcon::Exclamation,
                        ui::MessageButtons::Ok);
        return;
    }
    if (adding) {
        ui::ShowMessage(kTitle,
                        change.Changed()
                            ? L"Windows' removable-storage policy was added. Drives attached "
                              L"from now on get it at once; a drive attached now gets it after "
                              L"it is re-attached or Windows restarts."
                            : L"Windows' removable-storage policy was already set.",
                        ui::MessageIcon::Information, ui::MessageButtons::Ok);
    }
}

std::wstring frm_Main::OfferLayer(bool offered) {
    // The notice line takes the focus by Tab only while it has something to offer, so the
    // usual tab order stays as it is.
    if (HWND notice = Control(Label9)) {
        const LONG_PTR style = ::GetWindowLongPtrW(notice, GWL_STYLE);
        const LONG_PTR wanted = offered ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP});
        if (wanted != style) {
            ::SetWindowLongPtrW(notice, GWL_STYLE, wanted);
        }
    }
    return offered ? L"\r\n\r\nClick to add Windows' own removable-storage policy." : L"";
}

} // namespace kv::app
