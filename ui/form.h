#pragma once
// A window built from its design table, with the few run-time operations the program's
// windows use: captions, colours, visibility, text, list items, a timer, modal showing.
//
// Lifetime: whoever creates a Form owns the C++ object (usually a std::unique_ptr).
// Load() creates the window; Unload(), the close box or the object's destructor destroys
// it. WM_NCDESTROY clears the user-data slot and hwnd(), so the object may outlive its
// window (a modal form's caller still holds it when ShowModal returns). When the last
// form's window is destroyed, the program ends (see SetLastFormUnloadedHandler).

#include "ui/control_table.h"
#include "ui/design.h"
#include "ui/fonts.h"
#include "ui/label_tooltips.h"
#include "ui/modal_scope.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv::ui {

struct Background;

class Form {
public:
    explicit Form(const FormDesign& design);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window and its controls and runs Form_Load; nothing is displayed yet.
    void Load();
    // Displays a loaded form and gives the focus to its first tab stop.
    void Show();
    // Loads the form if needed, displays it while every other form takes no input, and
    // returns when it has been unloaded. Timers of other forms keep ticking.
    void ShowModal();
    void Unload();

    bool IsLoaded() const { return hwnd_ != nullptr; }
    HWND hwnd() const { return hwnd_; }
    unsigned dpi() const { return dpi_; }
    const FormDesign& design() const { return design_; }

    // Controls by their design id.
    HWND Control(int id) const;
    std::wstring Text(int id) const; // caption or text, exactly ("&" included)
    void SetText(int id, std::wstring_view text);
    void SetColor(int id, Rgb color);
    void SetVisible(int id, bool visible);
    bool IsVisible(int id) const;
    void Focus(int id);
    void AppendItem(int id, std::wstring_view item);
    // Shows the small shield of an action that asks for administrator rights beside a
    // picture button's picture, or takes it away.
    void SetShield(int id, bool shown);
    // Gives a control a tooltip of its own text; empty takes it away again.
    void SetTooltip(int id, std::wstring_view text);
    void StartTimer(int id, unsigned intervalMs);
    // Runs `handler` whenever `event` is signalled while a loop of the windowing layer waits
    // (the program's and every modal one), as long as the form is loaded. The caller keeps
    // the event open until it stops watching it; watching it again replaces the handler.
    void WatchEvent(HANDLE event, std::function<void()> handler);
    void UnwatchEvent(HANDLE event);
    // The events of this thread's loaded forms, for a loop to wait on; and the handler
    // of one that was signalled, run (its exceptions are reported and stopped).
    static std::vector<HANDLE> WatchedEvents();
    static void RunEventHandler(HANDLE event);

    // The form whose window (or one of whose controls) is hwnd, or nullptr.
    static Form* FromHwnd(HWND hwnd);
    // Lets a message loop give Enter, Esc, Tab and access keys their dialog meaning.
    static bool PreTranslate(MSG& msg);
    // How many forms are loaded (the program runs while there is one).
    static int LoadedCount();
    // What happens when the last form's window is gone: by default the program ends.
    static void SetLastFormUnloadedHandler(std::function<void()> handler);

protected:
    virtual void Form_Load() {}
    virtual void OnClick(int id) { (void)id; }
    virtual void OnTimer(int id) { (void)id; }
    // The title bar's close box (and the system close command).
    virtual void OnCloseBox() { Unload(); }
    // The window is being destroyed, whatever the way (Unload, the close box, the end of a
    // modal loop, DestroyWindow): its controls still exist. Not reached from ~Form, whose
    // derived part is already gone: a form that needs it there calls it from its own
    // destructor while IsLoaded().
    virtual void Form_Unload() {}
    // WM_DEVICECHANGE: a device or volume arrived or left.
    virtual void OnDeviceChange(WPARAM event, LPARAM data) { (void)event, (void)data; }
    // A message the form's own code posted to it (WM_APP to 0xBFFF).
    virtual void OnAppMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        (void)msg, (void)wParam, (void)lParam;
    }

private:
    // Messages and lifetime (form.cpp).
    static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void EndModal();
    void OnDestroyed();

    // Creation and layout at the window's DPI (form_layout.cpp).
    void CreateControls();
    void SizeClientArea();
    void Layout(unsigned dpi);
    void PlaceWindow(const RECT* suggested);
    void SizeLabelToText(ControlState& control);
    // What an auto-size label's text needs, measured in `dc` (any DC; the font is chosen).
    SIZE LabelSize(const ControlDesign& design, std::wstring text, HWND container, HDC dc);
    void InstallButtonImages(ControlState& control);
    HFONT FontFor(const FontDesign& font);

    // What the form and its picture boxes answer alike: painting, the colours of their
    // labels, their images and the link pointer (form_paint.cpp).
    bool HandleContainerMessage(HWND container, UINT msg, WPARAM wParam, LPARAM lParam,
                                LRESULT& result);
    Background* BackgroundOf(HWND container);
    HCURSOR LinkPointer();

    // Keys as in a dialog (form_keys.cpp).
    bool HandleDialogKey(const MSG& msg);
    void ClickButton(int id);
    void ShowAsDefault(int id);

    // The focus when the form is activated again (form_focus.cpp).
    HWND FirstTabStop() const;
    void RememberFocus(HWND focus);
    void NoteFocusNotification(const ControlState& control, int code);
    void RestoreFocus();
    bool HandleActivate(WPARAM wParam);

    const FormDesign& design_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    unsigned dpi_ = 96;
    unsigned placedDpi_ = 0; // the DPI the controls are placed for
    ControlTable controls_;
    std::vector<std::unique_ptr<Background>> backgrounds_;
    FontCache fonts_;
    ModalScope modal_;
    LabelTooltips tooltips_;
    HCURSOR linkPointer_ = nullptr; // shared: never destroyed
    HWND lastFocus_ = nullptr;      // the control that had the focus last, given back on activation
    struct WatchedEvent {
        HANDLE event;
        std::function<void()> handler;
    };
    std::vector<WatchedEvent> events_; // waited on beside the messages (form_events.cpp)
};

} // namespace kv::ui
