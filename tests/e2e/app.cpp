// Starting, finding and ending the program under test.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"

namespace e2e {

std::unique_ptr<App> App::Start(const std::wstring& exe, std::string& error) {
    std::unique_ptr<App> app(new App());
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    app->startedAt_ = Clock::now();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &app->info_)) {
        error = Message("CreateProcessW(", exe, ") failed with error ", GetLastError());
        app->info_ = PROCESS_INFORMATION{};
        return nullptr;
    }
    return app;
}

App::~App() {
    if (!info_.hProcess) return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND App::WaitForWindow(const wchar_t* className, milliseconds deadline) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND window : TopLevelWindowsOf(info_.dwProcessId, className)) {
                if (IsWindowVisible(window)) {
                    found = window;
                    return true;
                }
            }
            return !Running();
        },
        deadline);
    return found;
}

bool App::Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

bool App::WaitForExit(milliseconds deadline) const {
    return WaitForSingleObject(info_.hProcess, static_cast<DWORD>(deadline.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> App::ExitCode() const {
    DWORD code = 0;
    if (Running() || !GetExitCodeProcess(info_.hProcess, &code)) return std::nullopt;
    return code;
}

}  // namespace e2e
