// Start-up and shutdown: OLE for the thread, the program's folder as the
// current directory, the main window, the message loop.
#include "app/main_window.h"
#include "platform/win32/win32_services.h"

#include <ole2.h>
#include <windows.h>

#include <string>

namespace {

constexpr std::string_view kStartupFailedText = "无法创建主窗口，程序将退出。";
constexpr std::string_view kStartupFailedTitle = "砾澄定时锁屏";
constexpr int kStartupFailedExitCode = -1;

class OleSession {
public:
    OleSession() noexcept : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (initialised_) OleUninitialize();
    }

private:
    bool initialised_;
};

void SetCurrentDirectoryToProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos) return;
    path.resize(cut);
    SetCurrentDirectoryW(path.c_str());
}

// The end hook of a normal shutdown; the program has nothing to save or release by hand.
void RunEndHook() noexcept {}

int Run(HINSTANCE instance) {
    const OleSession ole;
    SetCurrentDirectoryToProgramFolder();
    const auto window = timelock::MainWindow::Create(instance);
    if (!window) {
        timelock::ShowMessageBox(kStartupFailedText, MB_ICONERROR | MB_OK, kStartupFailedTitle);
        return kStartupFailedExitCode;
    }
    MSG message{};
    int exitCode = 0;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        if (!window->PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    RunEndHook();
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        return Run(instance);
    } catch (...) {
        // Out of memory while starting: the same end as any other start-up failure.
        return kStartupFailedExitCode;
    }
}
