// The main window: built from the window definition, it owns the controls,
// routes their events to the bound handlers, and keeps the focus rules.
#pragma once

#include "app/control_kinds.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_services.h"

#include <windows.h>

#include <array>
#include <memory>

namespace timelock {

class MainWindow final : private PropertyHost, private PropertyTarget {
public:
    // The window built and shown, or nothing when it or a control could not be created.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Keys and the mouse events that the window acts on before dispatch; true when consumed.
    bool PreTranslate(const MSG& message);

private:
    explicit MainWindow(HINSTANCE instance) noexcept : instance_(instance) {}
    bool Build();
    bool CreateControls();
    void StackControls() const noexcept;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Raise(const Row& row, Event event);
    ControlKind* ControlOfWindow(HWND window) const noexcept;
    std::array<std::uint8_t, kControlCount> LiveFlags() const noexcept;
    void MoveFocus(bool forward);
    void RestoreFocus();
    void PaintBackground(HDC dc, const RECT& area) const noexcept;
    void OnDestroy() noexcept;

    // PropertyHost
    PropertyTarget& Target(Control control) override;
    HWND OwnerWindow() const override { return window_; }

    // The main window's own properties: its title and its visible flag.
    std::string ReadText() const override;
    void WriteText(std::string_view text) override;
    void WriteVisible(bool visible) override;
    void WriteDisabled(bool disabled) override;
    void WritePeriod(int) override {}

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::uint8_t flags_ = 0;
    HWND notedFocus_ = nullptr;
    UniqueGdiObject background_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    std::array<std::unique_ptr<ControlKind>, kControlCount> controls_;
    Win32Services services_{*this};
};

}  // namespace timelock
