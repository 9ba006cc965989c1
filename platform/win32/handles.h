// Owners for the Win32 handles the program holds: GDI objects, icons, kernel
// handles, paint and window DCs, and objects selected into a DC.
#pragma once

#include "platform/unique_handle.h"

#include <windows.h>

namespace timelock {

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static constexpr Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DeleteObject(h); }
};

struct IconTraits {
    using Handle = HICON;
    static constexpr Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DestroyIcon(h); }
};

struct KernelTraits {
    using Handle = HANDLE;
    static constexpr Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};

using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;

inline HFONT AsFont(const UniqueGdiObject& object) noexcept { return static_cast<HFONT>(object.Get()); }
inline HBRUSH AsBrush(const UniqueGdiObject& object) noexcept { return static_cast<HBRUSH>(object.Get()); }

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(window_, &paint_); }
    HDC Get() const noexcept { return dc_; }
    const RECT& Dirty() const noexcept { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetWindowDC/GetDC and ReleaseDC.
class WindowDc {
public:
    enum class Area { Client, Whole };
    WindowDc(HWND window, Area area) noexcept
        : window_(window), dc_(area == Area::Whole ? GetWindowDC(window) : GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace timelock
