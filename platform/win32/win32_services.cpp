#include "platform/win32/win32_services.h"

#include "platform/win32/handles.h"
#include "platform/win32/win32_text.h"

#include <string>

namespace timelock {
namespace {

constexpr DWORD kInputIdleWaitMs = 1000;

std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0) return {};
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

struct ModuleTraits {
    using Handle = HMODULE;
    static constexpr Handle Empty() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { FreeLibrary(h); }
};

using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// The shell is loaded on the first press of the studio label rather than at start-up:
// most runs never open the page, and its libraries are the largest the program would map.
ShellExecuteFunction ShellExecuteEntry() noexcept {
    static const UniqueHandle<ModuleTraits> shell(
        LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!shell) return nullptr;
    return reinterpret_cast<ShellExecuteFunction>(
        reinterpret_cast<void*>(GetProcAddress(shell.Get(), "ShellExecuteW")));
}

}  // namespace

std::string Win32Services::ReadProperty(Control control, TextProperty) { return host_.Target(control).ReadText(); }

void Win32Services::WriteProperty(Control control, TextProperty, std::string_view text) {
    host_.Target(control).WriteText(text);
}

void Win32Services::WriteProperty(Control control, FlagProperty property, bool value) {
    PropertyTarget& target = host_.Target(control);
    if (property == FlagProperty::Visible) {
        target.WriteVisible(value);
    } else {
        target.WriteDisabled(value);
    }
}

void Win32Services::WriteProperty(Control control, TimerProperty, int periodMs) {
    host_.Target(control).WritePeriod(periodMs);
}

void ShowMessageBox(std::string_view text, unsigned style, std::string_view title) noexcept {
    UINT flags = style;
    if ((flags & MB_SYSTEMMODAL) == 0) flags |= MB_TASKMODAL;
    try {
        MessageBoxW(nullptr, Widen(text).c_str(), Widen(title).c_str(), flags);
    } catch (...) {
        // Out of memory for two short texts: there is nothing left to tell the user with.
    }
}

void Win32Services::ShowMessage(std::string_view text, unsigned style, std::string_view title) {
    ShowMessageBox(text, style, title);
}

bool Win32Services::RunCommandLine(std::string_view program, std::string_view commandLine) {
    // A full path: a bare name would be looked up in the program's own folder first.
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return false;
    const std::wstring application = folder + L'\\' + Widen(program);
    std::wstring line = Widen(commandLine);  // CreateProcessW may write into it

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return false;
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    WaitForInputIdle(process.Get(), kInputIdleWaitMs);
    return true;
}

LocalTime Win32Services::CurrentTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void Win32Services::OpenWebPage(std::string_view address) {
    // The result is not examined: the shell shows its own message when it cannot open the page.
    if (const ShellExecuteFunction shellExecute = ShellExecuteEntry()) {
        shellExecute(host_.OwnerWindow(), L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}

}  // namespace timelock
