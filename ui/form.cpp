// A form's life and messages: its window made and destroyed, shown plainly or modally,
// and what its window procedure and its picture boxes' procedure do with each message.

#include "ui/form.h"

#include "ui/background.h"
#include "ui/control_style.h"
#include "ui/message_loop.h"
#include "ui/units.h"
#include "win32/report.h"

#include <stdexcept>

namespace kv::ui {

namespace {

constexpr wchar_t kFormClass[] = L"KelvaneForm";

// The form class as registered: a window of ours is known by its class atom, an integer
// it carries, rather than by comparing class names.
ATOM& FormAtom() {
    static ATOM atom = 0;
    return atom;
}

std::function<void()>& LastFormUnloadedHandler() {
    static std::function<void()> handler = [] {
        ::PostQuitMessage(0);
    };
    return handler;
}

int& LiveForms() {
    static int count = 0;
    return count;
}

void RegisterClasses(HINSTANCE instance, WNDPROC formProc, WNDPROC boxProc,
                     const wchar_t* boxClass) {
    if (FormAtom() != 0) {
        return;
    }
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    wc.hIcon = nullptr;
    const ATOM form = ::RegisterClassExW(&wc);
    if (!form) {
        throw std::runtime_error("RegisterClassEx(form) failed");
    }
    wc.lpfnWndProc = boxProc;
    wc.lpszClassName = boxClass;
    if (!::RegisterClassExW(&wc)) {
        throw std::runtime_error("RegisterClassEx(picture box) failed");
    }
    FormAtom() = form;
}

} // namespace

Form::Form(const FormDesign& design) : design_(design) {}

Form::~Form() {
    if (hwnd_) {
        // The object is going away: its window must not outlive it.
        EndModal();
        ::DestroyWindow(hwnd_);
    }
}

void Form::SetLastFormUnloadedHandler(std::function<void()> handler) {
    LastFormUnloadedHandler() = std::move(handler);
}

int Form::LoadedCount() {
    return LiveForms();
}

// ---- creation ----------------------------------------------------------------------

void Form::Load() {
    if (hwnd_) {
        return;
    }
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterClasses(instance, &Form::FormProc, &Form::BoxProc, kPictureBoxClass);

    // Forms shown from another form belong to it: no taskbar button, centred on it.
    if (!design_.taskbarButton) {
        HWND active = ::GetActiveWindow();
        owner_ = FromHwnd(active) ? active : nullptr;
        if (!owner_) {
            // During start-up the main form exists but is not displayed yet.
            ::EnumThreadWindows(
                ::GetCurrentThreadId(),
                [](HWND hwnd, LPARAM param) -> BOOL {
                    auto* self = reinterpret_cast<Form*>(param);
                    Form* form = FromHwnd(hwnd);
                    if (form && form != self && ::GetParent(hwnd) == nullptr) {
                        self->owner_ = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(this));
        }
    }

    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (design_.icon == 0) {
        exStyle |= WS_EX_DLGMODALFRAME; // no icon in the title bar
    }
    if (design_.taskbarButton) {
        exStyle |= WS_EX_APPWINDOW;
    }
    HWND hwnd = ::CreateWindowExW(exStyle, kFormClass, design_.caption, style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, owner_, nullptr, instance, this);
    if (!hwnd) {
        throw std::runtime_error("CreateWindowEx(form) failed");
    }
    ++LiveForms();
    if (design_.icon != 0) {
        auto big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(design_.icon),
                                                   IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                   ::GetSystemMetrics(SM_CYICON), LR_SHARED));
        auto small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(design_.icon),
                                                     IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }
    // The client area and the fonts first: the controls are made at their place and size
    // for the window's DPI, so the first layout moves none of them (under Wine every move
    // is a round trip to the server).
    const unsigned dpi = ::GetDpiForWindow(hwnd_);
    dpi_ = dpi ? dpi : kDefaultDpi;
    fonts_.Reset(dpi_);
    SizeClientArea();
    CreateControls();
    Layout(dpi_);
    PlaceWindow(nullptr);
    Form_Load();
}

// ---- showing and closing -----------------------------------------------------------

void Form::Show() {
    if (!hwnd_) {
        Load();
    }
    if (!hwnd_) {
        return; // Form_Load unloaded it
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    if (HWND first = FirstTabStop()) {
        ::SetFocus(first);
    }
}

void Form::ShowModal() {
    if (!hwnd_) {
        Load();
    }
    if (!hwnd_) {
        return;
    }
    // Every other form of the program takes no input while this one is open. Disabling a
    // form takes its focus away, so each one notes first where it was.
    modal_.Begin([this](HWND hwnd) {
        Form* other = hwnd != hwnd_ ? FromHwnd(hwnd) : nullptr;
        if (other) {
            other->RememberFocus(::GetFocus());
        }
        return other != nullptr;
    });
    Show();

    const LoopResult loop = PumpMessages([this] { return hwnd_ != nullptr; });
    if (loop.end == LoopEnd::Quit) {
        ::PostQuitMessage(loop.exitCode); // let the outer loop end too
        Unload();
    } else if (loop.end == LoopEnd::Failed) {
        Unload();
    }
    EndModal();
}

void Form::EndModal() {
    // Before the modal window goes, so the activation returns to its owner.
    modal_.End();
}

void Form::Unload() {
    if (!hwnd_) {
        return;
    }
    EndModal();
    if (owner_ && ::IsWindow(owner_) && ::GetActiveWindow() == hwnd_) {
        ::SetActiveWindow(owner_);
    }
    ::DestroyWindow(hwnd_);
}

void Form::OnDestroyed() {
    EndModal();
    tooltips_.Forget(); // an owned window: already gone with the form
    controls_.Clear();
    backgrounds_.clear();
    fonts_.Reset(dpi_);
    lastFocus_ = nullptr;
    if (--LiveForms() == 0) {
        if (auto& handler = LastFormUnloadedHandler()) {
            handler();
        }
    }
}

// ---- messages ----------------------------------------------------------------------

Form* Form::FromHwnd(HWND hwnd) {
    // A form is a top-level window; its controls and picture boxes are its descendants.
    HWND root = hwnd ? ::GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (!root || FormAtom() == 0 ||
        static_cast<ATOM>(::GetClassLongPtrW(root, GCW_ATOM)) != FormAtom()) {
        return nullptr;
    }
    return reinterpret_cast<Form*>(::GetWindowLongPtrW(root, GWLP_USERDATA));
}

LRESULT CALLBACK Form::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<Form*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    const bool handled =
        win32::Guard(L"window message", [&] { result = self->HandleMessage(msg, wParam, lParam); });
    return handled ? result : 0;
}

LRESULT CALLBACK Form::BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    if (self && msg != WM_NCCREATE && msg != WM_NCDESTROY) {
        LRESULT result = 0;
        bool handled = false;
        win32::Guard(L"picture box message", [&] {
            handled = self->HandleContainerMessage(hwnd, msg, wParam, lParam, result);
        });
        if (handled) {
            return result;
        }
        if (msg == WM_COMMAND) {
            // Clicks on the banner's labels are the form's to handle.
            return ::SendMessageW(self->hwnd_, msg, wParam, lParam);
        }
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleContainerMessage(hwnd_, msg, wParam, lParam, result)) {
        return result;
    }
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (lParam != 0) {
            if (const ControlState* c = controls_.FindByHwnd(reinterpret_cast<HWND>(lParam))) {
                NoteFocusNotification(*c, code);
            }
        }
        if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
            // As in a dialog, the focused push button is the one Enter presses and looks it.
            ShowAsDefault(code == BN_SETFOCUS ? id : -1);
            return 0;
        }
        if (lParam != 0 && (code == BN_CLICKED || code == STN_CLICKED)) {
            const ControlState* c = controls_.Find(id);
            if (c && (IsPushButton(*c->design) ||
                      (c->design->kind == Kind::Label && (c->design->flags & kLink)))) {
                OnClick(id);
            }
        }
        return 0;
    }
    case WM_TIMER:
        OnTimer(static_cast<int>(wParam));
        return 0;
    case WM_NOTIFY:
        if (tooltips_.HandleNotify(reinterpret_cast<NMHDR*>(lParam), dpi_)) {
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    case WM_ACTIVATE:
        if (HandleActivate(wParam)) {
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    case WM_CLOSE:
        OnCloseBox();
        return 0;
    case WM_DESTROY:
        Form_Unload();
        return 0;
    case DM_GETDEFID:
        if (const ControlState* c = controls_.FirstWith(kDefault)) {
            return MAKELRESULT(c->design->id, DC_HASDEFID);
        }
        return 0;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return TRUE;
    case WM_DPICHANGED:
        PlaceWindow(reinterpret_cast<const RECT*>(lParam));
        Layout(HIWORD(wParam));
        return 0;
    default:
        if (msg >= WM_APP && msg <= 0xBFFF) {
            OnAppMessage(msg, wParam, lParam);
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

} // namespace kv::ui
