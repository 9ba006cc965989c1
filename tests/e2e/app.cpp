// Starting, finding and ending the program under test.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"

#include <set>

namespace e2e {

namespace {

std::set<DWORD> ProcessesWithWindowOf(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        std::set<DWORD> found;
    } search{className, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (ClassName(window) == s.className) s.found.insert(owner);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

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

std::unique_ptr<App> App::StartFromUnix(const std::wstring& exe, const std::vector<std::wstring>& unixEnvironment,
                                        const wchar_t* className, std::string& error) {
    // Wine hands a Unix program its Windows environment block as the Unix
    // environment, less WINEDLLOVERRIDES; env(1) puts every variable back.
    constexpr std::wstring_view kPrefix = L"E2E_UNIX_";
    std::wstring block;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
            if (!std::wstring_view(entry).starts_with(kPrefix)) block.append(entry).push_back(L'\0');
        }
        FreeEnvironmentStringsW(strings);
    }
    std::wstring script = L"exec env";
    for (std::size_t i = 0; i < unixEnvironment.size(); ++i) {
        const std::wstring name = std::wstring(kPrefix) + std::to_wstring(i);
        block.append(name + L"=" + unixEnvironment[i]).push_back(L'\0');
        script += L" \\\"$" + name + L"\\\"";
    }
    block.append(std::wstring(kPrefix) + L"PROGRAM=" + exe).push_back(L'\0');
    block.push_back(L'\0');
    // Its output would hold the driver's pipe open after the driver ends.
    script += L" wine \\\"$" + std::wstring(kPrefix) + L"PROGRAM\\\" >/dev/null";
    std::wstring commandLine = L"sh -c \"" + script + L"\"";

    const std::set<DWORD> before = ProcessesWithWindowOf(className);
    std::unique_ptr<App> app(new App());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION shell{};
    app->startedAt_ = Clock::now();
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        block.data(), nullptr, &startup, &shell)) {
        error = Message("starting /bin/sh for ", exe, " failed with error ", GetLastError());
        return nullptr;
    }
    // Wine's handles for a Unix process cannot be waited on.
    if (shell.hThread) CloseHandle(shell.hThread);
    if (shell.hProcess) CloseHandle(shell.hProcess);

    DWORD found = 0;
    WaitFor([&] {
        for (const DWORD id : ProcessesWithWindowOf(className)) {
            if (before.contains(id)) continue;
            for (HWND window : TopLevelWindowsOf(id, className)) {
                if (IsWindowVisible(window)) found = id;
            }
        }
        return found != 0;
    });
    if (!found) {
        error = Message("no new visible ", className, " window within ", kDeadline.count(), " ms after starting ", exe,
                        " from /bin/sh");
        return nullptr;
    }
    app->info_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, found);
    if (!app->info_.hProcess) {
        error = Message("OpenProcess(", found, ") failed with error ", GetLastError());
        return nullptr;
    }
    app->info_.dwProcessId = found;
    return app;
}

App& Context::LaunchFromUnix(const std::wstring& exe, const std::vector<std::wstring>& unixEnvironment) {
    std::string error;
    auto app = App::StartFromUnix(exe, unixEnvironment, L"TimelockMainWindow", error);
    if (!app) {
        Fail(__FILE__, __LINE__, error);
        throw Abort{};
    }
    apps_.push_back(std::move(app));
    return *apps_.back();
}

App::~App() {
    if (!info_.hProcess) return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    if (info_.hThread) CloseHandle(info_.hThread);
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
