#include "ui/form.h"

#include "ui/background.h"
#include "ui/button_images.h"
#include "ui/control_style.h"
#include "ui/form_state.h"
#include "ui/message_loop.h"
#include "ui/picture.h"
#include "ui/units.h"
#include "win32/report.h"

#include <algorithm>
#include <stdexcept>

namespace kv::ui {

namespace {

constexpr wchar_t kFormClass[] = L"KelvaneForm";
constexpr wchar_t kBoxClass[] = L"KelvanePictureBox";

// The control styles are Windows' own bits.
static_assert(style::kChild == WS_CHILD && style::kVisible == WS_VISIBLE &&
              style::kClipSiblings == WS_CLIPSIBLINGS && style::kClipChildren == WS_CLIPCHILDREN &&
              style::kWindowBorder == WS_BORDER && style::kVScroll == WS_VSCROLL &&
              style::kTabStop == WS_TABSTOP);
static_assert(style::kStaticLeft == SS_LEFT && style::kStaticRight == SS_RIGHT &&
              style::kStaticOwnerDraw == SS_OWNERDRAW &&
              style::kStaticNoWrap == SS_LEFTNOWORDWRAP && style::kStaticNoPrefix == SS_NOPREFIX &&
              style::kStaticNotify == SS_NOTIFY && style::kStaticEndEllipsis == SS_ENDELLIPSIS);
static_assert(style::kPushButton == BS_PUSHBUTTON && style::kDefPushButton == BS_DEFPUSHBUTTON &&
              style::kButtonNotify == BS_NOTIFY && style::kEditAutoHScroll == ES_AUTOHSCROLL &&
              style::kEditPassword == ES_PASSWORD &&
              style::kListNoIntegralHeight == LBS_NOINTEGRALHEIGHT);
static_assert(style::kExClientEdge == WS_EX_CLIENTEDGE &&
              style::kExControlParent == WS_EX_CONTROLPARENT);

const wchar_t* ClassName(ControlClass c) {
    switch (c) {
    case ControlClass::Button:
        return L"BUTTON";
    case ControlClass::Edit:
        return L"EDIT";
    case ControlClass::ListBox:
        return L"LISTBOX";
    case ControlClass::PictureBox:
        return kBoxClass;
    case ControlClass::Static:
    case ControlClass::None:
        break;
    }
    return L"STATIC";
}

std::function<void()>& LastFormUnloadedHandler() {
    static std::function<void()> handler = [] {
        ::PostQuitMessage(0);
    };
    return handler;
}

// A hidden helper below or beside the client area (a list or a text box that only holds
// data) is never seen: it needs no font, which costs an edit or a list box a measuring
// pass of its own.
bool OutOfSight(const ControlDesign& d, const FormDesign& form) {
    return (d.flags & kHidden) && d.parent == 0 &&
           (d.top >= form.clientHeight || d.left >= form.clientWidth);
}

int& LiveForms() {
    static int count = 0;
    return count;
}

void RegisterClasses(HINSTANCE instance, WNDPROC formProc, WNDPROC boxProc) {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    wc.hIcon = nullptr;
    if (!::RegisterClassExW(&wc)) {
        throw std::runtime_error("RegisterClassEx(form) failed");
    }
    wc.lpfnWndProc = boxProc;
    wc.lpszClassName = kBoxClass;
    if (!::RegisterClassExW(&wc)) {
        throw std::runtime_error("RegisterClassEx(picture box) failed");
    }
    registered = true;
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

// ---- creation and layout -----------------------------------------------------------

void Form::Load() {
    if (hwnd_) {
        return;
    }
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterClasses(instance, &Form::FormProc, &Form::BoxProc);

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

void Form::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    placedDpi_ = dpi_;
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    auto form = std::make_unique<Background>();
    form->hwnd = hwnd_;
    backgrounds_.push_back(std::move(form));

    for (const ControlDesign* d : CreationOrder(design_.controls)) {
        auto control = std::make_unique<ControlState>();
        control->design = d;
        control->color = d->color;
        control->container = hwnd_;
        if (d->parent != 0) {
            const ControlState* box = Find(d->parent);
            if (!box || box->design->kind != Kind::PictureBox) {
                throw std::logic_error("control on a missing picture box");
            }
            control->container = box->hwnd;
        }
        const ControlStyle style = StyleFor(*d, design_.controls);
        if (style.windowClass == ControlClass::None) {
            controls_.push_back(std::move(control)); // drawn by its container, no window
            continue;
        }
        const wchar_t* text = style.textIsName ? d->name : d->text;
        SIZE size{TwipsToPixels(d->width, dpi_), TwipsToPixels(d->height, dpi_)};
        if (d->kind == Kind::Label && (d->flags & kAutoSize)) {
            size = LabelSize(*d, text, control->container, measure.get());
        }
        HWND hwnd =
            ::CreateWindowExW(style.exStyle, ClassName(style.windowClass), text, style.style,
                              TwipsToPixels(d->left, dpi_), TwipsToPixels(d->top, dpi_), size.cx,
                              size.cy, control->container,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(d->id)), instance, this);
        if (!hwnd) {
            throw std::runtime_error("CreateWindowEx(control) failed");
        }
        control->hwnd = hwnd;
        if (d->flags & kEllipsis) {
            AddTooltip(hwnd);
        }
        if (d->kind == Kind::TextBox && (d->flags & kPassword)) {
            ::SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        }
        if (d->kind == Kind::PictureBox) {
            auto background = std::make_unique<Background>();
            background->hwnd = hwnd;
            background->box = d;
            backgrounds_.push_back(std::move(background));
        }
        controls_.push_back(std::move(control));
    }
}

void Form::SizeClientArea() {
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    RECT frame{0, 0, TwipsToPixels(design_.clientWidth, dpi_),
               TwipsToPixels(design_.clientHeight, dpi_)};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi_);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame is not drawn at the window's DPI (Wine), correct by what it really is.
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int dx = TwipsToPixels(design_.clientWidth, dpi_) - client.right;
    const int dy = TwipsToPixels(design_.clientHeight, dpi_) - client.bottom;
    if (dx != 0 || dy != 0) {
        width += dx;
        height += dy;
        ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Form::Layout(unsigned dpi) {
    // The first layout finds every control in place, with the fonts of its DPI.
    const bool moved = (dpi ? dpi : kDefaultDpi) != placedDpi_;
    dpi_ = dpi ? dpi : kDefaultDpi;
    if (moved) {
        // New fonts, pictures and backgrounds are made before the old ones go, and an old
        // one stays where its successor cannot be made: no control is left with a freed
        // handle.
        fonts_.BeginRenewal(dpi_);
        // The client area first: the backgrounds are composed at its size.
        SizeClientArea();
    }

    PictureLoader pictures(design_.hiDpiPictureOffset); // one decode per picture and size
    // Labels are measured in one memory DC: a window's own DC costs a round trip each.
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    // A form not shown yet has nothing to repaint.
    const BOOL redraw = ::IsWindowVisible(hwnd_);
    for (auto& c : controls_) {
        const ControlDesign& d = *c->design;
        if (!c->hwnd) {
            continue;
        }
        const int x = TwipsToPixels(d.left, dpi_);
        const int y = TwipsToPixels(d.top, dpi_);
        if (d.kind != Kind::Image && d.kind != Kind::PictureBox && !OutOfSight(d, design_)) {
            ::SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), redraw);
        }
        if (!moved) {
            // In place already.
        } else if (d.kind == Kind::Label && (d.flags & kAutoSize)) {
            const SIZE size = LabelSize(d, Text(d.id), c->container, measure.get());
            ::SetWindowPos(c->hwnd, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            ::SetWindowPos(c->hwnd, nullptr, x, y, TwipsToPixels(d.width, dpi_),
                           TwipsToPixels(d.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        const bool pictured = d.kind == Kind::Image || d.kind == Kind::PictureButton;
        if (pictured && d.picture) {
            const SIZE size = Picture::DesignSize(d.picture);
            std::shared_ptr<const Picture> picture =
                pictures.Load(d.picture, ScalePixels(size.cx, dpi_), ScalePixels(size.cy, dpi_));
            if (*picture || !c->picture) {
                c->picture = std::move(picture);
            }
            if (d.kind == Kind::PictureButton) {
                InstallButtonImages(*c);
            }
        }
    }
    for (auto& b : backgrounds_) {
        ComposeBackground(*b, design_, pictures, dpi_);
    }
    placedDpi_ = dpi_;
    if (moved) {
        fonts_.EndRenewal();
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::InstallButtonImages(ControlState& c) {
    if (!c.picture) {
        return;
    }
    win32::UniqueImageList images = MakeButtonImages(*c.picture, c.shield, dpi_);
    if (!images) {
        return; // the button keeps the images it has
    }
    BUTTON_IMAGELIST list{images.get(), {0, 2, 0, 0}, BUTTON_IMAGELIST_ALIGN_TOP};
    ::SendMessageW(c.hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    c.imageList = std::move(images); // the old list is freed once the button has let go of it
}

void Form::PlaceWindow(const RECT* suggested) {
    RECT rc{};
    ::GetWindowRect(hwnd_, &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (suggested) {
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT area{};
    HWND owner = design_.position == StartPosition::CenterOwner ? owner_ : nullptr;
    if (owner) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO mi{sizeof(mi)};
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    // Keep the whole window on its monitor's work area.
    MONITORINFO mi{sizeof(mi)};
    ::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi);
    x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
    y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
    ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SizeLabelToText(ControlState& c) {
    win32::UniqueMemoryDc measure(::CreateCompatibleDC(nullptr));
    const SIZE size = LabelSize(*c.design, Text(c.design->id), c.container, measure.get());
    ::SetWindowPos(c.hwnd, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Form::LabelSize(const ControlDesign& d, std::wstring text, HWND container, HDC dc) {
    win32::ScopedSelect font(dc, FontFor(d.font));
    RECT rc{0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (d.flags & kNoPrefix) {
        format |= DT_NOPREFIX;
    }
    if (text.empty()) {
        text = L" "; // keeps the height of one line
    }
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    // One pixel more: a last glyph (a colon, a period) may draw just past its advance.
    int width = rc.right - rc.left + 1;
    ABC abc{};
    if (::GetCharABCWidthsW(dc, text.back(), text.back(), &abc) && abc.abcC < 0) {
        width -= abc.abcC;
    }
    if (d.flags & kEllipsis) {
        // Never past the side margin: what does not fit ends in "..." (the tooltip has it).
        RECT area{};
        ::GetClientRect(container, &area);
        const int room = area.right - TwipsToPixels(d.left + design_.sideMarginTwips, dpi_);
        width = std::max(0, std::min(width, room));
    }
    return {width, rc.bottom - rc.top};
}

bool Form::AddTooltip(HWND label) {
    if (!tooltip_) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        if (!tooltip_) {
            win32::Report(L"could not create a tooltip");
            return false;
        }
    }
    TOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = LPSTR_TEXTCALLBACKW; // always the label's current text
    return ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void Form::SetTooltip(int id, std::wstring_view text) {
    ControlState* c = Find(id);
    if (!c || !c->hwnd) {
        return;
    }
    const bool had = !c->tip.empty();
    c->tip = text;
    if (text.empty() && had && tooltip_) {
        TOOLINFOW tool{sizeof(tool)};
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
        ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    } else if (!text.empty() && !had) {
        // A static takes the mouse (and so shows a tip) only with SS_NOTIFY.
        const LONG_PTR styleBits = ::GetWindowLongPtrW(c->hwnd, GWL_STYLE);
        ::SetWindowLongPtrW(c->hwnd, GWL_STYLE, styleBits | SS_NOTIFY);
        if (!AddTooltip(c->hwnd)) {
            c->tip.clear();
        }
    }
}

HFONT Form::FontFor(const FontDesign& font) {
    return fonts_.Get(font);
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
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* self = reinterpret_cast<Form*>(param);
            Form* other = hwnd != self->hwnd_ ? FromHwnd(hwnd) : nullptr;
            if (other && ::IsWindowEnabled(hwnd)) {
                other->RememberFocus(::GetFocus());
                ::EnableWindow(hwnd, FALSE);
                self->disabledForModal_.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    modal_ = true;
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
    // Re-enabled before the modal window goes, so the activation returns to its owner.
    for (HWND hwnd : disabledForModal_) {
        if (::IsWindow(hwnd)) {
            ::EnableWindow(hwnd, TRUE);
        }
    }
    disabledForModal_.clear();
    modal_ = false;
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
    tooltip_ = nullptr; // an owned window: already gone with the form
    controls_.clear();
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
    while (hwnd) {
        wchar_t cls[32] = {};
        ::GetClassNameW(hwnd, cls, 32);
        if (::lstrcmpW(cls, kFormClass) == 0) {
            return reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) {
            hwnd = ::GetParent(hwnd);
        } else {
            return nullptr;
        }
    }
    return nullptr;
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
            if (const ControlState* c = FindByHwnd(reinterpret_cast<HWND>(lParam))) {
                NoteFocusNotification(*c, code);
            }
        }
        if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
            // As in a dialog, the focused push button is the one Enter presses and looks it.
            ShowAsDefault(code == BN_SETFOCUS ? id : -1);
            return 0;
        }
        if (lParam != 0 && (code == BN_CLICKED || code == STN_CLICKED)) {
            if (const ControlState* c = Find(id)) {
                const Kind kind = c->design->kind;
                const bool clickable = kind == Kind::Button || kind == Kind::PictureButton ||
                                       (kind == Kind::Label && (c->design->flags & kLink));
                if (clickable) {
                    OnClick(id);
                }
            }
        }
        return 0;
    }
    case WM_TIMER:
        OnTimer(static_cast<int>(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            const auto label = reinterpret_cast<HWND>(info->hdr.idFrom);
            const ControlState* c = FindByHwnd(label);
            tooltipText_ = c && !c->tip.empty() ? c->tip : WindowTextOf(label);
            info->lpszText = tooltipText_.data();
            // Long lines wrap in the tip rather than run off the screen.
            ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(6000, dpi_));
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
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
        for (const auto& c : controls_) {
            if (c->design->flags & kDefault) {
                return MAKELRESULT(c->design->id, DC_HASDEFID);
            }
        }
        return 0;
    case WM_DPICHANGED:
        PlaceWindow(reinterpret_cast<const RECT*>(lParam));
        Layout(HIWORD(wParam));
        return 0;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        return TRUE;
    default:
        if (msg >= WM_APP && msg <= 0xBFFF) {
            OnAppMessage(msg, wParam, lParam);
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

bool Form::HandleContainerMessage(HWND container, UINT msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1; // WM_PAINT draws everything
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintBackground(BackgroundOf(container), container, msg, wParam);
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC: {
        // Labels are transparent: they erase with the container's own picture.
        const ControlState* c = FindByHwnd(reinterpret_cast<HWND>(lParam));
        Background* b = BackgroundOf(container);
        if (!c || !b || !b->brush) {
            return false;
        }
        result = reinterpret_cast<LRESULT>(
            LendBackground(*b, reinterpret_cast<HDC>(wParam), c->hwnd, c->container, c->color));
        return true;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const ControlState* c = FindByHwnd(item->hwndItem);
        if (!c || c->design->kind != Kind::Image) {
            return false;
        }
        DrawImage(BackgroundOf(container), *item, c->container, c->picture.get());
        result = TRUE;
        return true;
    }
    case WM_SETCURSOR: {
        ControlState* c = FindByHwnd(reinterpret_cast<HWND>(wParam));
        if (c && (c->design->flags & kLink)) {
            ::SetCursor(LinkPointer());
            result = TRUE;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

// ---- controls ----------------------------------------------------------------------

Form::ControlState* Form::Find(int id) {
    for (auto& c : controls_) {
        if (c->design->id == id) {
            return c.get();
        }
    }
    return nullptr;
}

const Form::ControlState* Form::Find(int id) const {
    return const_cast<Form*>(this)->Find(id);
}

Form::ControlState* Form::FindByHwnd(HWND hwnd) {
    if (!hwnd) {
        return nullptr;
    }
    for (auto& c : controls_) {
        if (c->hwnd == hwnd) {
            return c.get();
        }
    }
    return nullptr;
}

Background* Form::BackgroundOf(HWND container) {
    for (auto& b : backgrounds_) {
        if (b->hwnd == container) {
            return b.get();
        }
    }
    return nullptr;
}

HCURSOR Form::LinkPointer() {
    if (!linkPointer_ && design_.linkPointer != 0) {
        // A shared resource: the system frees it, not us.
        linkPointer_ = static_cast<HCURSOR>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(design_.linkPointer),
                         IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    }
    return linkPointer_ ? linkPointer_ : ::LoadCursorW(nullptr, IDC_HAND);
}

} // namespace kv::ui
