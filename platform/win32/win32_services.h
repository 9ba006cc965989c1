// The scheduler's services over Win32: control properties through the
// controls' own objects, the message box, process start, clock and shell.
#pragma once

#include "scheduler/services.h"

#include <windows.h>

namespace timelock {

// What a control offers its properties through.
class PropertyTarget {
public:
    virtual std::string ReadText() const = 0;
    virtual void WriteText(std::string_view text) = 0;
    virtual void WriteVisible(bool visible) = 0;
    virtual void WriteDisabled(bool disabled) = 0;
    virtual void WritePeriod(int periodMs) = 0;

protected:
    ~PropertyTarget() = default;
};

class PropertyHost {
public:
    virtual PropertyTarget& Target(Control control) = 0;
    virtual HWND OwnerWindow() const = 0;

protected:
    ~PropertyHost() = default;
};

class Win32Services final : public Services {
public:
    explicit Win32Services(PropertyHost& host) noexcept : host_(host) {}

    std::string ReadProperty(Control control, TextProperty property) override;
    void WriteProperty(Control control, TextProperty property, std::string_view text) override;
    void WriteProperty(Control control, FlagProperty property, bool value) override;
    void WriteProperty(Control control, TimerProperty property, int periodMs) override;
    void ShowMessage(std::string_view text, unsigned style, std::string_view title) override;
    bool RunCommandLine(std::string_view program, std::string_view commandLine) override;
    LocalTime CurrentTime() override;
    void OpenWebPage(std::string_view address) override;

private:
    PropertyHost& host_;
};

// The message box as the program shows it: no owner, task-modal unless system-modal.
void ShowMessageBox(std::string_view text, unsigned style, std::string_view title) noexcept;

}  // namespace timelock
