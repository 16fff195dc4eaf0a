#pragma once
// What the login and settings dialogs share: their frame (a password box, a button that
// acts, a Cancel), reading a typed password without stray copies, the wait cursor while a
// key is derived, their message boxes' title and the box that says a save failed.

#include "password/password_format.h"
#include "password/secret_text.h"
#include "ui/form.h"

#include <windows.h>

#include <string>

namespace kv::password {

// The text of an edit control, read straight into `out`.
void ReadSecretText(HWND edit, SecretText& out);

// Lifts the edit control's default length limit, so a long paste is never cut short
// unseen: a password over kMaxPasswordLength is refused with a message instead.
void AllowAnyLength(HWND edit);

// Overwrites the edit control's own copy of the typed text with filler of the same length
// (so the control writes over it in place rather than taking a new buffer), then empties
// it: the memory the control frees when it goes holds no password.
void WipeEntryBox(HWND edit);

// The hourglass while a key is derived (up to a second or more), the old cursor after.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_ = nullptr;
};

// A dialog around one password box. Every way out wipes the box (the close box is Cancel);
// the button that acts calls Accept, Cancel unloads the dialog.
class PasswordDialog : public ui::Form {
public:
    struct Ids {
        int entry;  // the password box
        int accept; // the button that acts
        int cancel;
    };

    PasswordDialog(const ui::FormDesign& design, Ids ids);
    ~PasswordDialog() override;

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void OnClick(int id) override;
    void OnCloseBox() override;
    virtual void Accept() = 0;
    void cmdCancel_Click();
    HWND EntryBox() const { return Control(ids_.entry); }

private:
    Ids ids_;
};

// The title of the dialogs' message boxes: the program's name.
inline constexpr wchar_t kMessageTitle[] = L"Kelvane";

inline constexpr wchar_t kSaveFailedText[] = L"The password could not be saved.";

inline constexpr wchar_t kTooLongText[] = L"A password can have at most 1024 characters.";
static_assert(kMaxPasswordLength == 1024, "kTooLongText names the limit");

// Whether `entered` is over the limit; if so the user is told, and nothing else happens.
bool RefusedAsTooLong(const SecretText& entered);

// kSaveFailedText, with the system's description of `error` on a second line when there
// is one (0: none, as when the key could not be derived).
std::wstring SaveFailedMessage(long error);

} // namespace kv::password
