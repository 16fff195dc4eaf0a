#include "win32/shell_unelevated.h"

#include "win32/report.h"
#include "win32/system_library.h"
#include "win32/unique_handle.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstring>
#include <string>

namespace kv::win32 {
namespace {

// Releases a COM interface at the end of its scope.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p_) {
            p_->Release();
        }
    }
    Interface* operator->() const { return p_; }
    Interface* get() const { return p_; }
    Interface** put() { return &p_; }
    void** put_void() { return reinterpret_cast<void**>(&p_); }

private:
    Interface* p_ = nullptr;
};

// A BSTR for one call; oleaut32 is loaded on first use.
class Bstr {
public:
    explicit Bstr(std::wstring_view text) {
        using Alloc = BSTR(WINAPI*)(const OLECHAR*, UINT);
        if (const auto alloc = SystemFunction<Alloc>(L"oleaut32.dll", "SysAllocStringLen")) {
            value_ = alloc(text.data(), static_cast<UINT>(text.size()));
        }
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() {
        using Free = void(WINAPI*)(BSTR);
        if (value_) {
            if (const auto free = SystemFunction<Free>(L"oleaut32.dll", "SysFreeString")) {
                free(value_);
            }
        }
    }
    BSTR get() const { return value_; }

private:
    BSTR value_ = nullptr;
};

// The desktop's shell dispatch object: the desktop window found through IShellWindows,
// its shell view's background object, and that object's Application.
HRESULT DesktopShell(ComPtr<IShellDispatch2>& shell) {
    using Create = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, void**);
    const auto create = SystemFunction<Create>(L"ole32.dll", "CoCreateInstance");
    if (!create) {
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    ComPtr<IShellWindows> windows;
    HRESULT hr = create(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                        windows.put_void());
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT location{};
    VARIANT root{};
    location.vt = VT_EMPTY;
    root.vt = VT_EMPTY;
    long window = 0;
    ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                               desktop.put());
    if (hr != S_OK || !desktop.get()) {
        return FAILED(hr) ? hr : E_NOINTERFACE; // S_FALSE: no desktop window
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    if (FAILED(hr = desktop->QueryInterface(IID_IServiceProvider, services.put_void())) ||
        FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                           browser.put_void())) ||
        FAILED(hr = browser->QueryActiveShellView(view.put())) ||
        FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
        FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void())) ||
        FAILED(hr = folderView->get_Application(application.put()))) {
        return hr;
    }
    return application->QueryInterface(IID_IShellDispatch2, shell.put_void());
}

} // namespace

bool IsProcessElevated() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        ReportWin32(L"OpenProcessToken", ::GetLastError());
        return true;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        ReportWin32(L"GetTokenInformation(TokenElevation)", ::GetLastError());
        return true;
    }
    return elevation.TokenIsElevated != 0;
}

HRESULT ShellExecuteUnelevated(std::wstring_view file) {
    const ComScope com;
    ComPtr<IShellDispatch2> shell;
    HRESULT hr = DesktopShell(shell);
    if (FAILED(hr)) {
        return hr;
    }
    const Bstr what(file);
    if (!what.get()) {
        return E_OUTOFMEMORY;
    }
    VARIANT none{};
    none.vt = VT_EMPTY;
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return shell->ShellExecute(what.get(), none, none, none, show);
}

bool CopyTextToClipboard(HWND owner, std::wstring_view text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) {
        return false;
    }
    if (void* p = ::GlobalLock(memory)) {
        std::memcpy(p, text.data(), text.size() * sizeof(wchar_t));
        static_cast<wchar_t*>(p)[text.size()] = L'\0';
        ::GlobalUnlock(memory);
    }
    bool placed = false;
    if (::OpenClipboard(owner)) {
        // Once placed, the memory belongs to the clipboard.
        placed = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, memory);
        ::CloseClipboard();
    }
    if (!placed) {
        ::GlobalFree(memory);
    }
    return placed;
}

} // namespace kv::win32
