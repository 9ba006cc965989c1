// The floor our figures are measured against: one empty window of the main
// window's outer size and style, a one-second timer, and nothing else. Built
// with the same toolchain and flags as timelock.exe.
#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"TimelockBenchBaseline";
constexpr wchar_t kTitle[] = L"timelock baseline";
constexpr int kWidth = 243;
constexpr int kHeight = 154;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 1000;
// The same frame as the program's main window, so both pay for the same caption.
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_TIMER:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return 1;

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    const HWND window =
        CreateWindowExW(0, kClassName, kTitle, kStyle, x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!window || !SetTimer(window, kTimerId, kTimerPeriodMs, nullptr)) return 1;
    ShowWindow(window, SW_SHOW);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
