// The control kinds of the main window: target and clock fields (system EDIT),
// owner-drawn command buttons (system BUTTON), transparent labels (a class of
// our own) and timers. Each one handles the notifications that the main window
// hands back to it, and offers its properties to the scheduler's services.
#pragma once

#include "app/window_definition.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_services.h"

#include <windows.h>

#include <memory>
#include <optional>

namespace timelock {

class ControlKind : public PropertyTarget {
public:
    explicit ControlKind(const Row& row) noexcept : row_(row), flags_(row.flags) {}
    ControlKind(const ControlKind&) = delete;
    ControlKind& operator=(const ControlKind&) = delete;
    virtual ~ControlKind() = default;

    // Creates the control, invisible, as a child of `parent`; false when it could not be made.
    virtual bool Create(HWND parent, HINSTANCE instance) = 0;
    // The main window is being destroyed; a window of a control goes with it on its own.
    virtual void Detach() noexcept {}

    const Row& Definition() const noexcept { return row_; }
    HWND Window() const noexcept { return window_; }
    std::uint8_t Flags() const noexcept { return flags_; }

    // Notifications the main window hands back; the result is the event to raise.
    virtual std::optional<Event> OnCommand(UINT) { return std::nullopt; }
    virtual HBRUSH OnColour(HDC) { return nullptr; }
    virtual void OnDrawItem(const DRAWITEMSTRUCT&) {}
    // Only a running timer delivers its periodic event; a stray WM_TIMER does nothing.
    virtual bool AcceptsTick() const noexcept { return false; }

    std::string ReadText() const override;
    void WriteText(std::string_view text) override;
    void WriteVisible(bool visible) override;
    void WriteDisabled(bool disabled) override;
    void WritePeriod(int) override {}

protected:
    bool CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, DWORD kindStyle, DWORD exStyle,
                     void* createParam = nullptr);
    // For system classes: route their messages through OnSubclassMessage.
    void Subclass() noexcept;
    virtual LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) const;
    void SetFont(HFONT font) const noexcept;

    const Row& row_;
    HWND window_ = nullptr;
    std::uint8_t flags_;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    WNDPROC original_ = nullptr;
};

std::unique_ptr<ControlKind> MakeControl(const Row& row);

// Our own window classes all draw themselves, take double clicks and show the arrow.
bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) noexcept;

// A font as the definition describes it; empty for the default GUI font.
UniqueGdiObject MakeFont(const FontSpec& spec);
inline COLORREF ToColorRef(Rgb colour) noexcept { return RGB(colour.red, colour.green, colour.blue); }

}  // namespace timelock
