#pragma once
// The handle types of the program: the one template (unique_handle_core.h) with the
// traits of each kind of Win32 handle. Every handle the program opens is held by one of
// these (or by a scope type below) from the moment it is opened.

#include "win32/unique_handle_core.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace kv::win32 {

// Kernel handles whose failure value is INVALID_HANDLE_VALUE (CreateFileW).
struct FileTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

inline void DeleteGdiObject(HGDIOBJ object) noexcept {
    ::DeleteObject(object);
}
inline void DestroyImageList(HIMAGELIST list) noexcept {
    ::ImageList_Destroy(list);
}
inline void DeleteDc(HDC dc) noexcept {
    ::DeleteDC(dc);
}
inline void CloseKey(HKEY key) noexcept {
    ::RegCloseKey(key);
}
inline void FreeLocal(HLOCAL memory) noexcept {
    ::LocalFree(memory);
}
inline void DestroyIconHandle(HICON icon) noexcept {
    ::DestroyIcon(icon);
}
inline void CloseKernelHandle(HANDLE handle) noexcept {
    ::CloseHandle(handle);
}

using UniqueFont = UniqueHandle<NullTraits<HFONT, DeleteGdiObject>>;
using UniqueBitmap = UniqueHandle<NullTraits<HBITMAP, DeleteGdiObject>>;
using UniqueBrush = UniqueHandle<NullTraits<HBRUSH, DeleteGdiObject>>;
using UniquePen = UniqueHandle<NullTraits<HPEN, DeleteGdiObject>>;
using UniqueImageList = UniqueHandle<NullTraits<HIMAGELIST, DestroyImageList>>;
using UniqueMemoryDc = UniqueHandle<NullTraits<HDC, DeleteDc>>;
using UniqueKey = UniqueHandle<NullTraits<HKEY, CloseKey>>;
using UniqueIcon = UniqueHandle<NullTraits<HICON, DestroyIconHandle>>; // not for shared icons
// Kernel objects whose invalid value is null (tokens, processes, threads).
using UniqueKernelHandle = UniqueHandle<NullTraits<HANDLE, CloseKernelHandle>>;
// Text the system allocated for us (FORMAT_MESSAGE_ALLOCATE_BUFFER).
using UniqueLocalText = UniqueHandle<NullTraits<wchar_t*, FreeLocal>>;
using UniqueFile = UniqueHandle<FileTraits>;

// COM on this thread for one scope (a single-threaded apartment, as the shell's
// extensions expect); uninitialised at the end only when the start succeeded, as COM
// requires. ole32 is loaded by the first scope, not at every start (com_scope.cpp).
class ComScope {
public:
    ComScope() noexcept;
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope();
    HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_ = E_FAIL;
};

// Selects an object into a DC for one scope and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() { ::SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetDC/ReleaseDC for one scope.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    ~ScopedWindowDc() {
        if (dc_) {
            ::ReleaseDC(window_, dc_);
        }
    }
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) noexcept : window_(window) {
        dc_ = ::BeginPaint(window, &ps_);
    }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    ~ScopedPaint() { ::EndPaint(window_, &ps_); }
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
};

} // namespace kv::win32
