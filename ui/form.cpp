#include "ui/form.h"

#include "ui/fonts.h"
#include "win32/report.h"
#include "ui/units.h"
#include "art/art_ids.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

namespace kv::ui {

struct Form::ControlState {
    const ControlDesign* design = nullptr;
    HWND hwnd = nullptr;
    HWND container = nullptr; // the form or the picture box that holds it
    Rgb color{};
    std::shared_ptr<const Picture> picture; // images
    win32::UniqueImageList imageList;              // picture buttons
};

// What a container (the form or a picture box) draws under its transparent children.
struct Form::Surface {
    HWND hwnd = nullptr;
    const ControlDesign* box = nullptr; // nullptr: the form itself
    win32::UniqueBrush brush; // the composed background as a pattern: painted, and lent to children
    SIZE size{};
};

namespace {

constexpr wchar_t kFormClass[] = L"KelvaneForm";
constexpr wchar_t kBoxClass[] = L"KelvanePictureBox";
// The main window's sections end this far from its right edge.
constexpr int kSideMarginTwips = 285;

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

COLORREF ToColorRef(Rgb c) {
    return RGB(c.r, c.g, c.b);
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

HCURSOR PointingHand() {
    // Shared resource: the system frees it, not us.
    static HCURSOR hand = static_cast<HCURSOR>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_POINTING_HAND), IMAGE_CURSOR,
                     0, 0, LR_DEFAULTSIZE | LR_SHARED));
    return hand ? hand : ::LoadCursorW(nullptr, IDC_HAND);
}

bool IsFocusable(const ControlDesign& d) {
    return d.tabIndex >= 0;
}

// A label or picture whose box reaches into a shown button, text box or list box of the
// same container. Those are created first, so they lie above it; clipping it by its
// siblings keeps its background from painting over them. Other labels are not clipped:
// transparent labels overlap each other in the designs and all of them must show.
bool OverlapsWindowedControl(const ControlDesign& d, std::span<const ControlDesign> all) {
    if (d.kind != Kind::Label && d.kind != Kind::Image) {
        return false;
    }
    for (const ControlDesign& other : all) {
        const bool windowed = other.kind == Kind::Button || other.kind == Kind::PictureButton ||
                              other.kind == Kind::TextBox || other.kind == Kind::ListBox;
        if (!windowed || (other.flags & kHidden) || other.parent != d.parent) {
            continue;
        }
        if (d.left < other.left + other.width && other.left < d.left + d.width &&
            d.top < other.top + other.height && other.top < d.top + d.height) {
            return true;
        }
    }
    return false;
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
    CreateControls();
    Layout(::GetDpiForWindow(hwnd_));
    PlaceWindow(nullptr);
    Form_Load();
}

void Form::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Picture boxes first (they hold other controls), then the focusable controls in tab
    // order (the dialog manager tabs in creation order), then everything else.
    std::vector<const ControlDesign*> order;
    for (const ControlDesign& d : design_.controls) {
        order.push_back(&d);
    }
    auto rank = [](const ControlDesign* d) {
        if (d->kind == Kind::PictureBox) {
            return 0;
        }
        return IsFocusable(*d) ? 1 : 2;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const ControlDesign* a, const ControlDesign* b) {
                         if (rank(a) != rank(b)) {
                             return rank(a) < rank(b);
                         }
                         return rank(a) == 1 && a->tabIndex < b->tabIndex;
                     });

    auto form = std::make_unique<Surface>();
    form->hwnd = hwnd_;
    surfaces_.push_back(std::move(form));

    for (const ControlDesign* d : order) {
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
        if (d->kind == Kind::Line) {
            controls_.push_back(std::move(control)); // drawn by its container, no window
            continue;
        }

        const wchar_t* cls = L"STATIC";
        const wchar_t* text = d->text;
        DWORD style = WS_CHILD;
        if (OverlapsWindowedControl(*d, design_.controls)) {
            style |= WS_CLIPSIBLINGS;
        }
        DWORD exStyle = 0;
        if (!(d->flags & kHidden)) {
            style |= WS_VISIBLE;
        }
        if (IsFocusable(*d)) {
            style |= WS_TABSTOP;
        }
        switch (d->kind) {
        case Kind::Label:
            if (d->flags & kAlignRight) {
                style |= SS_RIGHT;
            } else {
                // A label sized to its text is one line: never wrap a word away from it.
                style |= (d->flags & kAutoSize) ? SS_LEFTNOWORDWRAP : SS_LEFT;
            }
            if (d->flags & kNoPrefix) {
                style |= SS_NOPREFIX;
            }
            if (d->flags & kLink) {
                style |= SS_NOTIFY;
            }
            if (d->flags & kEllipsis) {
                style |= SS_ENDELLIPSIS | SS_NOTIFY; // SS_NOTIFY: it gets the mouse for its tooltip
            }
            break;
        case Kind::Button:
        case Kind::PictureButton:
            cls = L"BUTTON";
            style |= ((d->flags & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY;
            break;
        case Kind::TextBox:
            cls = L"EDIT";
            style |= ES_AUTOHSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            if (d->flags & kPassword) {
                style |= ES_PASSWORD;
            }
            break;
        case Kind::ListBox:
            cls = L"LISTBOX";
            style |= LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::Image:
            // Owner-drawn so the picture blends with what lies under it; the text is the
            // name a screen reader gives it.
            style |= SS_OWNERDRAW;
            text = d->name;
            if (d->flags & kBorder) {
                style |= WS_BORDER;
            }
            break;
        case Kind::PictureBox:
            cls = kBoxClass;
            style |= WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        case Kind::Line:
            break;
        }
        HWND hwnd =
            ::CreateWindowExW(exStyle, cls, text, style, 0, 0, 0, 0, control->container,
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
            auto surface = std::make_unique<Surface>();
            surface->hwnd = hwnd;
            surface->box = d;
            surfaces_.push_back(std::move(surface));
        }
        controls_.push_back(std::move(control));
    }
}

void Form::Layout(unsigned dpi) {
    dpi_ = dpi ? dpi : kDefaultDpi;
    fonts_.clear(); // recreated at this DPI on demand below

    // The client area first: the backgrounds are composed at its size.
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

    PictureLoader pictures; // one imaging factory, one decode per picture and size
    for (auto& c : controls_) {
        const ControlDesign& d = *c->design;
        if (!c->hwnd) {
            continue;
        }
        const int x = TwipsToPixels(d.left, dpi_);
        const int y = TwipsToPixels(d.top, dpi_);
        const int w = TwipsToPixels(d.width, dpi_);
        const int h = TwipsToPixels(d.height, dpi_);
        ::SetWindowPos(c->hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        if (d.kind != Kind::Image && d.kind != Kind::PictureBox) {
            ::SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), TRUE);
        }
        if (d.kind == Kind::Label && (d.flags & kAutoSize)) {
            SizeLabelToText(*c);
        }
        if (d.kind == Kind::Image && d.picture) {
            const SIZE size = Picture::DesignSize(d.picture);
            c->picture =
                pictures.Load(d.picture, ScalePixels(size.cx, dpi_), ScalePixels(size.cy, dpi_));
        }
        if (d.kind == Kind::PictureButton && d.picture) {
            const SIZE size = Picture::DesignSize(d.picture);
            const int pw = ScalePixels(size.cx, dpi_);
            const int ph = ScalePixels(size.cy, dpi_);
            const std::shared_ptr<const Picture> picture = pictures.Load(d.picture, pw, ph);
            c->imageList.reset(::ImageList_Create(pw, ph, ILC_COLOR32, 1, 0));
            if (c->imageList && *picture) {
                ::ImageList_Add(c->imageList.get(), picture->bitmap(), nullptr);
                BUTTON_IMAGELIST list{c->imageList.get(), {0, 2, 0, 0}, BUTTON_IMAGELIST_ALIGN_TOP};
                ::SendMessageW(c->hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
            }
        }
    }
    for (auto& s : surfaces_) {
        ComposeSurface(*s, pictures);
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
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
    const ControlDesign& d = *c.design;
    std::wstring text = Text(d.id);
    win32::ScopedWindowDc dc(c.hwnd);
    win32::ScopedSelect font(dc.get(), FontFor(d.font));
    RECT rc{0, 0, 0, 0};
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (d.flags & kNoPrefix) {
        format |= DT_NOPREFIX;
    }
    if (text.empty()) {
        text = L" "; // keeps the height of one line
    }
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rc, format);
    // One pixel more: a last glyph (a colon, a period) may draw just past its advance.
    int width = rc.right - rc.left + 1;
    ABC abc{};
    if (::GetCharABCWidthsW(dc.get(), text.back(), text.back(), &abc) && abc.abcC < 0) {
        width -= abc.abcC;
    }
    if (d.flags & kEllipsis) {
        // Never past the side margin: what does not fit ends in "..." (the tooltip has it).
        RECT container{};
        ::GetClientRect(c.container, &container);
        const int room = container.right - TwipsToPixels(d.left + kSideMarginTwips, dpi_);
        width = std::max(0, std::min(width, room));
    }
    ::SetWindowPos(c.hwnd, nullptr, 0, 0, width, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::AddTooltip(HWND label) {
    if (!tooltip_) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        if (!tooltip_) {
            win32::Report(L"could not create a tooltip");
            return;
        }
    }
    TOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = LPSTR_TEXTCALLBACKW; // always the label's current text
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form::ComposeSurface(Surface& s, PictureLoader& pictures) {
    RECT rc{};
    ::GetClientRect(s.hwnd, &rc);
    s.size = {std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1)};
    win32::ScopedWindowDc screen(s.hwnd);
    // Composed once into a bitmap that only lives until the pattern brush has its copy.
    win32::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), s.size.cx, s.size.cy));
    win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc) {
        win32::Report(L"could not create a window background");
        return;
    }
    {
        win32::ScopedSelect select(dc.get(), bitmap.get());
        Rgb back = s.box ? s.box->color : design_.backColor;
        COLORREF backRef =
            (!s.box && design_.systemBackColor) ? ::GetSysColor(COLOR_BTNFACE) : ToColorRef(back);
        win32::UniqueBrush fill(::CreateSolidBrush(backRef));
        ::FillRect(dc.get(), &rc, fill.get());

        if (s.box) {
            if (s.box->picture) {
                const SIZE size = Picture::DesignSize(s.box->picture);
                pictures
                    .Load(s.box->picture, ScalePixels(size.cx, dpi_), ScalePixels(size.cy, dpi_))
                    ->Draw(dc.get(), 0, 0);
            }
        } else {
            if (design_.backPicture) {
                // A plain picture: decoded small and stretched by GDI to its area.
                const SIZE size = Picture::DesignSize(design_.backPicture);
                pictures.Load(design_.backPicture, size.cx, size.cy)
                    ->DrawStretched(dc.get(), 0, 0, ScalePixels(design_.backPictureWidth, dpi_),
                                    ScalePixels(design_.backPictureHeight, dpi_));
            }
            const int thickness = std::max(1, ScalePixels(1, dpi_));
            for (const auto& c : controls_) {
                const ControlDesign& d = *c->design;
                if (d.kind != Kind::Line || d.parent != 0) {
                    continue;
                }
                win32::UniquePen pen(::CreatePen(PS_SOLID, thickness, ToColorRef(d.color)));
                win32::ScopedSelect usePen(dc.get(), pen.get());
                ::MoveToEx(dc.get(), TwipsToPixels(d.left, dpi_), TwipsToPixels(d.top, dpi_),
                           nullptr);
                ::LineTo(dc.get(), TwipsToPixels(d.width, dpi_), TwipsToPixels(d.height, dpi_));
            }
        }
    }
    s.brush.reset(::CreatePatternBrush(bitmap.get()));
    ::InvalidateRect(s.hwnd, nullptr, TRUE);
}

HFONT Form::FontFor(const FontDesign& font) {
    for (auto& [design, handle] : fonts_) {
        if (design.face == font.face && design.hundredthsPt == font.hundredthsPt &&
            design.bold == font.bold && design.underline == font.underline) {
            return handle.get();
        }
    }
    fonts_.emplace_back(font, CreateDesignFont(font, dpi_));
    return fonts_.back().second.get();
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
    const ControlState* first = nullptr;
    for (const auto& c : controls_) {
        if (IsFocusable(*c->design) && ::IsWindowVisible(c->hwnd) && ::IsWindowEnabled(c->hwnd) &&
            (!first || c->design->tabIndex < first->design->tabIndex)) {
            first = c.get();
        }
    }
    if (first) {
        ::SetFocus(first->hwnd);
    }
}

void Form::ShowModal() {
    if (!hwnd_) {
        Load();
    }
    if (!hwnd_) {
        return;
    }
    // Every other form of the program takes no input while this one is open.
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* self = reinterpret_cast<Form*>(param);
            if (hwnd != self->hwnd_ && FromHwnd(hwnd) && ::IsWindowEnabled(hwnd)) {
                ::EnableWindow(hwnd, FALSE);
                self->disabledForModal_.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    modal_ = true;
    Show();

    MSG msg;
    while (hwnd_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop end too
            Unload();
            break;
        }
        if (got == -1) {
            win32::ReportWin32(L"GetMessage", ::GetLastError());
            Unload();
            break;
        }
        if (!PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
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
    surfaces_.clear();
    fonts_.clear();
    if (--LiveForms() == 0) {
        if (auto& handler = LastFormUnloadedHandler()) {
            handler();
        }
    }
}

int Form::RunMessageLoop() {
    MSG msg;
    while (LiveForms() > 0) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(msg.wParam);
        }
        if (got == -1) {
            win32::ReportWin32(L"GetMessage", ::GetLastError());
            return 1;
        }
        if (!PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}

// ---- keyboard ----------------------------------------------------------------------

bool Form::PreTranslate(MSG& msg) {
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Form* form = root ? FromHwnd(root) : nullptr;
    if (!form) {
        return false;
    }
    if (form->HandleDialogKey(msg)) {
        return true;
    }
    return ::IsDialogMessageW(root, &msg) != FALSE;
}

bool Form::HandleDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) {
        return false;
    }
    if (::GetKeyState(VK_MENU) < 0) {
        return false;
    }
    if (msg.wParam == VK_ESCAPE) {
        for (const auto& c : controls_) {
            if (c->design->flags & kCancel) {
                ClickButton(c->design->id);
                return true;
            }
        }
        return true; // a form without a cancel button ignores Esc
    }
    // Enter presses the push button that has the focus, else the default button.
    HWND focus = ::GetFocus();
    if (const ControlState* focused = FindByHwnd(focus)) {
        const Kind kind = focused->design->kind;
        if (kind == Kind::Button || kind == Kind::PictureButton) {
            ClickButton(focused->design->id);
            return true;
        }
    }
    for (const auto& c : controls_) {
        if (c->design->flags & kDefault) {
            ClickButton(c->design->id);
            return true;
        }
    }
    return false;
}

void Form::ShowAsDefault(int id) {
    bool focusedButton = false;
    for (const auto& c : controls_) {
        const Kind kind = c->design->kind;
        if ((kind == Kind::Button || kind == Kind::PictureButton) && c->design->id == id) {
            focusedButton = true;
        }
    }
    for (const auto& c : controls_) {
        const Kind kind = c->design->kind;
        if (kind != Kind::Button && kind != Kind::PictureButton) {
            continue;
        }
        const bool isDefault =
            focusedButton ? c->design->id == id : (c->design->flags & kDefault) != 0;
        ::SendMessageW(c->hwnd, BM_SETSTYLE,
                       (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
    }
}

void Form::ClickButton(int id) {
    const ControlState* c = Find(id);
    if (c && c->hwnd && ::IsWindowEnabled(c->hwnd) && ::IsWindowVisible(c->hwnd)) {
        ::SendMessageW(c->container, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(c->hwnd));
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
        win32::Guard(L"picture box message",
              [&] { handled = self->HandleContainerMessage(hwnd, msg, wParam, lParam, result); });
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
            tooltipText_ = WindowTextOf(reinterpret_cast<HWND>(info->hdr.idFrom));
            info->lpszText = tooltipText_.data();
            // Long lines wrap in the tip rather than run off the screen.
            ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(6000, dpi_));
            return 0;
        }
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
    case WM_CLOSE:
        OnCloseBox();
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
    default:
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
    case WM_PRINTCLIENT: {
        Surface* s = SurfaceOf(container);
        auto paint = [&](HDC dc) {
            if (s && s->brush) {
                const RECT all{0, 0, s->size.cx, s->size.cy};
                ::SetBrushOrgEx(dc, 0, 0, nullptr);
                ::FillRect(dc, &all, s->brush.get());
            }
        };
        if (msg == WM_PAINT) {
            win32::ScopedPaint ps(container);
            paint(ps.get());
        } else {
            paint(reinterpret_cast<HDC>(wParam));
        }
        result = 0;
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        // Labels are transparent: they erase with the container's own picture.
        auto dc = reinterpret_cast<HDC>(wParam);
        ControlState* c = FindByHwnd(reinterpret_cast<HWND>(lParam));
        Surface* s = SurfaceOf(container);
        if (!c || !s || !s->brush) {
            return false;
        }
        const POINT offset = OffsetInContainer(*c);
        ::SetTextColor(dc, ToColorRef(c->color));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetBrushOrgEx(dc, -offset.x, -offset.y, nullptr);
        result = reinterpret_cast<LRESULT>(s->brush.get());
        return true;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        ControlState* c = FindByHwnd(item->hwndItem);
        Surface* s = SurfaceOf(container);
        if (!c || c->design->kind != Kind::Image) {
            return false;
        }
        if (s && s->brush) {
            const POINT offset = OffsetInContainer(*c);
            ::SetBrushOrgEx(item->hDC, -offset.x, -offset.y, nullptr);
            ::FillRect(item->hDC, &item->rcItem, s->brush.get());
        }
        if (c->picture) {
            c->picture->Draw(item->hDC, item->rcItem.left, item->rcItem.top);
        }
        result = TRUE;
        return true;
    }
    case WM_SETCURSOR: {
        ControlState* c = FindByHwnd(reinterpret_cast<HWND>(wParam));
        if (c && (c->design->flags & kLink)) {
            ::SetCursor(PointingHand());
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

Form::Surface* Form::SurfaceOf(HWND container) {
    for (auto& s : surfaces_) {
        if (s->hwnd == container) {
            return s.get();
        }
    }
    return nullptr;
}

POINT Form::OffsetInContainer(const ControlState& c) const {
    RECT rc{};
    ::GetWindowRect(c.hwnd, &rc);
    POINT p{rc.left, rc.top};
    ::ScreenToClient(c.container, &p);
    return p;
}

HWND Form::Control(int id) const {
    const ControlState* c = Find(id);
    return c ? c->hwnd : nullptr;
}

namespace {
[[noreturn]] void NoSuchControl(int id) {
    throw std::out_of_range("no control with id " + std::to_string(id));
}
} // namespace

std::wstring Form::WindowTextOf(HWND hwnd) {
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

std::wstring Form::Text(int id) const {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    return WindowTextOf(hwnd);
}

void Form::SetText(int id, std::wstring_view text) {
    ControlState* c = Find(id);
    if (!c || !c->hwnd) {
        NoSuchControl(id);
    }
    const std::wstring value(text);
    if (!::SetWindowTextW(c->hwnd, value.c_str())) {
        throw std::runtime_error("SetWindowText failed");
    }
    if (c->design->kind == Kind::Label && (c->design->flags & kAutoSize)) {
        SizeLabelToText(*c);
    }
}

void Form::SetColor(int id, Rgb color) {
    ControlState* c = Find(id);
    if (!c) {
        NoSuchControl(id);
    }
    c->color = color;
    if (c->hwnd) {
        ::InvalidateRect(c->hwnd, nullptr, TRUE);
    }
}

Rgb Form::Color(int id) const {
    const ControlState* c = Find(id);
    if (!c) {
        NoSuchControl(id);
    }
    return c->color;
}

void Form::SetVisible(int id, bool visible) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    ::ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool Form::IsVisible(int id) const {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    return (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Form::Focus(int id) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    ::SetFocus(hwnd);
}

void Form::AppendItem(int id, std::wstring_view item) {
    HWND hwnd = Control(id);
    if (!hwnd) {
        NoSuchControl(id);
    }
    const std::wstring value(item);
    const LRESULT index =
        ::SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE) {
        throw std::runtime_error("LB_ADDSTRING failed");
    }
}

void Form::StartTimer(int id, unsigned intervalMs) {
    if (!hwnd_ || !::SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr)) {
        throw std::runtime_error("SetTimer failed");
    }
}

} // namespace kv::ui
