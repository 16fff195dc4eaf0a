#include "password/dialog_support_win.h"

#include "ui/message_box.h"
#include "win32/system_message.h"

namespace kv::password {

void ReadSecretText(HWND edit, SecretText& out) {
    const int length = ::GetWindowTextLengthW(edit);
    if (length <= 0) {
        out.Wipe();
        return;
    }
    wchar_t* buffer = out.Resize(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(edit, buffer, length + 1);
    // Only what was copied counts (the text may have shrunk in between).
    out.Truncate(static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void AllowAnyLength(HWND edit) {
    ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
}

void WipeEntryBox(HWND edit) {
    if (!edit) {
        return;
    }
    const int length = ::GetWindowTextLengthW(edit);
    if (length > 0) {
        const std::wstring filler(static_cast<std::size_t>(length), L'*');
        ::SetWindowTextW(edit, filler.c_str());
    }
    ::SetWindowTextW(edit, L"");
    ::SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
}

PasswordDialog::PasswordDialog(const ui::FormDesign& design, Ids ids)
    : ui::Form(design), ids_(ids) {}

PasswordDialog::~PasswordDialog() {
    if (IsLoaded()) {
        WipeEntryBox(EntryBox());
    }
}

void PasswordDialog::Form_Load() {
    AllowAnyLength(EntryBox());
}

void PasswordDialog::Form_Unload() {
    WipeEntryBox(EntryBox());
}

void PasswordDialog::cmdCancel_Click() {
    Unload();
}

void PasswordDialog::OnCloseBox() {
    cmdCancel_Click();
}

void PasswordDialog::OnClick(int id) {
    if (id == ids_.accept) {
        Accept();
    } else if (id == ids_.cancel) {
        cmdCancel_Click();
    }
}

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() {
    ::SetCursor(previous_);
}

bool RefusedAsTooLong(const SecretText& entered) {
    if (entered.view().size() <= kMaxPasswordLength) {
        return false;
    }
    ui::ShowMessage(kMessageTitle, kTooLongText, ui::MessageIcon::Exclamation,
                    ui::MessageButtons::Ok);
    return true;
}

std::wstring SaveFailedMessage(long error) {
    std::wstring text = kSaveFailedText;
    if (error == 0) {
        return text;
    }
    if (const std::wstring line = win32::SystemMessage(static_cast<DWORD>(error)); !line.empty()) {
        text += L"\r\n";
        text += line;
    }
    return text;
}

} // namespace kv::password
