#include "app/main_window.h"

#include "app/focus_order.h"
#include "app/resource.h"
#include "platform/layout.h"
#include "platform/win32/win32_text.h"

namespace timelock {
namespace {

constexpr wchar_t kMainWindowClass[] = L"TimelockMainWindow";
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

bool KeyDown(int key) noexcept { return (GetKeyState(key) & 0x8000) != 0; }

const MainWindowSettings& Settings() noexcept { return std::get<MainWindowSettings>(MainWindowRow().settings); }

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance) {
    std::unique_ptr<MainWindow> window(new MainWindow(instance));
    if (!window->Build()) return nullptr;
    return window;
}

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
}

bool MainWindow::Build() {
    if (!RegisterWindowClass(instance_, kMainWindowClass, WindowProc)) return false;

    const Row& row = MainWindowRow();
    flags_ = row.flags;
    background_.Reset(CreateSolidBrush(ToColorRef(Settings().background)));
    // Centred on the whole screen; the stored left and top are not used.
    const Point origin =
        CentredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), row.width, row.height);
    if (!CreateWindowExW(0, kMainWindowClass, Widen(Settings().title).c_str(), kMainWindowStyle, origin.x, origin.y,
                         row.width, row.height, nullptr, nullptr, instance_, this)) {
        return false;
    }
    RECT outer{};
    GetWindowRect(window_, &outer);
    if (outer.right - outer.left != row.width || outer.bottom - outer.top != row.height) {
        SetWindowPos(window_, nullptr, outer.left, outer.top, row.width, row.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bigIcon_.Reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TIMELOCK), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.Reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TIMELOCK), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

    if (!CreateControls()) return false;
    StackControls();
    for (const auto& control : controls_) {
        if ((control->Flags() & flag::kVisible) && control->Window()) ShowWindow(control->Window(), SW_SHOWNA);
    }
    Raise(row, Event::Created);
    ShowWindow(window_, SW_SHOW);
    return true;
}

bool MainWindow::CreateControls() {
    const auto rows = ControlRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        controls_[i] = MakeControl(rows[i]);
        if (!controls_[i] || !controls_[i]->Create(window_, instance_)) return false;
    }
    return true;
}

// Each later control lies just above the one before it; the last is on top.
void MainWindow::StackControls() const noexcept {
    HWND above = HWND_TOP;
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        const HWND child = (*it)->Window();
        if (!child) continue;
        SetWindowPos(child, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = child;
    }
}

bool MainWindow::PreTranslate(const MSG& message) {
    if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
    if (message.message == WM_KEYDOWN) {
        // A modifier held down makes a different key, which goes on to the control.
        const bool ctrl = KeyDown(VK_CONTROL);
        const bool shift = KeyDown(VK_SHIFT);
        const bool alt = KeyDown(VK_MENU);
        switch (message.wParam) {
        case VK_TAB:
            if (ctrl || alt) return false;
            MoveFocus(!shift);
            return true;
        case VK_ESCAPE:
            if (ctrl || shift || alt || !Settings().escCloses) return false;
            SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case VK_RETURN:
        case VK_F1:
            // Neither moves the focus, clicks a button nor opens help at window level.
            return !(ctrl || shift || alt);
        default:
            return false;
        }
    }
    if (message.message == WM_LBUTTONDOWN) {
        // Raised before the control sees the press; the press still reaches it.
        if (const ControlKind* control = ControlOfWindow(message.hwnd))
            Raise(control->Definition(), Event::LeftButtonPressed);
    }
    return false;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Only allocation can throw; dropping this one message keeps the program alive.
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const PaintDc paint(window_);
        PaintBackground(paint.Get(), paint.Dirty());
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(window_, &client);
        PaintBackground(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills the background
    case WM_COMMAND:
        if (ControlKind* control = ControlOfWindow(reinterpret_cast<HWND>(lParam))) {
            if (const auto event = control->OnCommand(HIWORD(wParam))) Raise(control->Definition(), *event);
            return 0;
        }
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (ControlKind* control = ControlOfWindow(reinterpret_cast<HWND>(lParam))) {
            if (const HBRUSH brush = control->OnColour(reinterpret_cast<HDC>(wParam))) {
                return reinterpret_cast<LRESULT>(brush);
            }
        }
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (ControlKind* control = ControlOfWindow(item.hwndItem)) {
            control->OnDrawItem(item);
            return TRUE;
        }
        break;
    }
    case WM_TIMER:
        for (const auto& control : controls_) {
            if (ControlIdOf(control->Definition().control) == static_cast<int>(wParam) && control->AcceptsTick()) {
                Raise(control->Definition(), Event::Periodic);
                return 0;
            }
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(window_, focus)) notedFocus_ = focus;
        }
        break;  // the default handling gives the focus to this window when activated
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnDestroy() noexcept {
    // Timers stop with the window; a handler still running in a nested loop finds the controls detached.
    for (const auto& control : controls_) {
        if (control) control->Detach();
    }
}

void MainWindow::PaintBackground(HDC dc, const RECT& area) const noexcept {
    if (dc) FillRect(dc, &area, AsBrush(background_));
}

void MainWindow::Raise(const Row& row, Event event) {
    if (const Handler handler = BoundHandler(row, event)) handler(services_);
}

ControlKind* MainWindow::ControlOfWindow(HWND window) const noexcept {
    if (!window) return nullptr;
    for (const auto& control : controls_) {
        if (control && control->Window() == window) return control.get();
    }
    return nullptr;
}

std::array<std::uint8_t, kControlCount> MainWindow::LiveFlags() const noexcept {
    std::array<std::uint8_t, kControlCount> flags{};
    for (std::size_t i = 0; i < controls_.size(); ++i) flags[i] = controls_[i] ? controls_[i]->Flags() : 0;
    return flags;
}

void MainWindow::MoveFocus(bool forward) {
    std::optional<std::size_t> current;
    const HWND focus = GetFocus();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i] && focus && controls_[i]->Window() == focus) current = i;
    }
    const auto flags = LiveFlags();
    if (const auto next = NextInFocusOrder(ControlRows(), flags, current, forward)) {
        SetFocus(controls_[*next]->Window());
    }
}

void MainWindow::RestoreFocus() {
    // The noted control gets the focus back only if it can still take it.
    if (notedFocus_ && IsChild(window_, notedFocus_) && IsWindowVisible(notedFocus_) && IsWindowEnabled(notedFocus_)) {
        SetFocus(notedFocus_);
        return;
    }
    const auto flags = LiveFlags();
    const auto order = FocusOrder(ControlRows(), flags);
    if (!order.empty()) SetFocus(controls_[order.front()]->Window());
}

PropertyTarget& MainWindow::Target(Control control) {
    if (control == Control::MainWindow) return *this;
    return *controls_[IndexOf(control)];
}

std::string MainWindow::ReadText() const { return window_ ? WindowText(window_) : std::string(); }

void MainWindow::WriteText(std::string_view text) {
    if (window_) SetWindowTextW(window_, Widen(text).c_str());
}

void MainWindow::WriteVisible(bool visible) {
    if (!visible) {
        if ((flags_ & flag::kVisible) == 0) return;  // already hidden: nothing changes
        flags_ = static_cast<std::uint8_t>(flags_ & ~flag::kVisible);
        if (window_) ShowWindow(window_, SW_HIDE);
        return;
    }
    // SW_SHOW keeps place and size, so a minimised window stays minimised.
    flags_ = static_cast<std::uint8_t>(flags_ | flag::kVisible);
    if (window_) ShowWindow(window_, SW_SHOW);
}

void MainWindow::WriteDisabled(bool disabled) {
    flags_ = static_cast<std::uint8_t>(disabled ? flags_ | flag::kDisabled : flags_ & ~flag::kDisabled);
    if (window_) EnableWindow(window_, disabled ? FALSE : TRUE);
}

}  // namespace timelock
