#pragma once
// Drives the program's real windows from a test, the way a user would: clicks, keys,
// modal windows and message boxes answered while they are open. Everything is read back
// from Windows itself (window texts, styles, the colour a label paints with).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kv::test {

// Processes the thread's messages, as the program's loop does, for `ms` milliseconds.
void Pump(int ms);
// Pumps until cond() holds or timeoutMs passes; returns cond().
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 5000);

// True once the last form was unloaded (the program would have ended). Reset per test.
bool ProgramEnded();
void ResetProgramEnded();

// Clicks a button or link label as the mouse would (BM_CLICK, or STN_CLICKED for a label).
// Returns when the click's handler has returned, so run modal answers with WhenShown.
void Click(HWND control);
// Presses and releases a key in the window that has the focus, through the message loop.
void PressKey(UINT vk);

// Runs `action` once, from inside whatever message loop is running (a modal window's or a
// message box's), as soon as a visible top-level window of this thread with this title
// appears. Several may be pending at once; they run in the order they were registered.
void WhenShown(const std::wstring& title, std::function<void(HWND)> action);
// Whether every WhenShown action has run; cancels the ones left.
bool AllShownActionsRan();

// A message box seen by AnswerMessageBox.
struct MessageBoxSeen {
    bool shown = false;
    std::wstring title;
    std::wstring text;
    UINT icon = 0; // MB_ICONEXCLAMATION, MB_ICONQUESTION, MB_ICONINFORMATION or 0
    bool hasYesNo = false;
    int defaultButton = 0; // the button id that has the focus when it opens
};
// Answers the next message box titled "Kelvane" with `button` (IDOK, IDYES, IDNO) and
// records what it showed into *seen.
void AnswerMessageBox(int button, MessageBoxSeen* seen);

// What Windows shows.
std::wstring WindowText(HWND hwnd);
bool IsShown(HWND hwnd);             // WS_VISIBLE set on it and all its parents
COLORREF LabelTextColor(HWND label); // asks the label's parent, as the label does to paint
RECT RectInParent(HWND control);     // pixels, relative to the parent's client area
HWND FindVisibleTopLevel(const std::wstring& title);

// Registry scratch helpers.
void DeleteKeyTree(HKEY root, const wchar_t* subKey);
bool ReadDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD& value);
void WriteDword(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD value);
bool KeyExists(HKEY root, const wchar_t* subKey);

// For one scope, an existing key's access list lets everyone only read it, so writing to
// it, and opening or creating it for writing, is refused with ERROR_ACCESS_DENIED (as
// Windows refuses a standard user a machine-wide key); the old list is put back after.
// Another list may be given: "D:P" refuses every access, reads too.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const wchar_t* subKey, const wchar_t* accessList = L"D:P(A;;KR;;;WD)");
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    bool locked() const { return locked_; }

private:
    HKEY key_ = nullptr; // opened before the lock, with the right to change the list
    std::vector<BYTE> saved_;
    bool locked_ = false;
};

} // namespace kv::test
