#include "tests/e2e/probe.h"

#include <array>

namespace e2e {
namespace {

constexpr UINT kAnswerTimeoutMs = 2000;

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

GUITHREADINFO ThreadInfoOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return GUITHREADINFO{};
    return info;
}

void AddKey(std::vector<INPUT>& inputs, WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
}

bool BringToForeground(HWND window) {
    if (GetForegroundWindow() == window) return true;
    if (!IsWindow(window)) return false;
    SetForegroundWindow(window);
    return WaitFor([&] { return GetForegroundWindow() == window; }, milliseconds{2000});
}

}  // namespace

std::wstring ClassName(HWND window) {
    std::array<wchar_t, 256> name{};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::optional<std::wstring> Text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length)) {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kAnswerTimeoutMs, &copied)) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

int ControlId(HWND window) { return GetDlgCtrlID(window); }

Rect OuterRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return ToRect(r);
}

Rect RectInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return ToRect(r);
}

Rect ClientRect(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return ToRect(r);
}

std::vector<HWND> ChildrenTopDown(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::vector<int> ControlIds(const std::vector<HWND>& windows) {
    std::vector<int> ids;
    for (HWND window : windows) ids.push_back(ControlId(window));
    return ids;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{processId, className, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && ClassName(window) == s.className) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FocusOfThread(HWND window) { return ThreadInfoOf(window).hwndFocus; }
HWND ActiveOfThread(HWND window) { return ThreadInfoOf(window).hwndActive; }

int FocusedControlId(HWND window) {
    const HWND focus = FocusOfThread(window);
    return focus ? ControlId(focus) : 0;
}

std::string KeyName(const Keystroke& stroke) {
    std::string name;
    if (stroke.ctrl) name += "Ctrl+";
    if (stroke.alt) name += "Alt+";
    if (stroke.shift) name += "Shift+";
    switch (stroke.key) {
    case VK_TAB:
        return name + "Tab";
    case VK_ESCAPE:
        return name + "Esc";
    case VK_RETURN:
        return name + "Enter";
    case VK_F1:
        return name + "F1";
    case VK_F4:
        return name + "F4";
    default:
        return name + "VK " + std::to_string(stroke.key);
    }
}

bool Press(HWND window, std::initializer_list<Keystroke> strokes) {
    if (!BringToForeground(window)) return false;
    std::vector<INPUT> inputs;
    for (const Keystroke& stroke : strokes) {
        if (stroke.ctrl) AddKey(inputs, VK_CONTROL, false);
        if (stroke.alt) AddKey(inputs, VK_MENU, false);
        if (stroke.shift) AddKey(inputs, VK_SHIFT, false);
        AddKey(inputs, stroke.key, false);
        AddKey(inputs, stroke.key, true);
        if (stroke.shift) AddKey(inputs, VK_SHIFT, true);
        if (stroke.alt) AddKey(inputs, VK_MENU, true);
        if (stroke.ctrl) AddKey(inputs, VK_CONTROL, true);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

HWND MessageBoxOf(DWORD processId) {
    const auto boxes = TopLevelWindowsOf(processId, L"#32770");
    for (HWND box : boxes) {
        if (IsWindowVisible(box)) return box;
    }
    return nullptr;
}

bool Type(HWND window, std::wstring_view text) {
    if (!BringToForeground(window)) return false;
    std::vector<INPUT> inputs;
    for (const wchar_t unit : text) {
        for (const DWORD flags : {DWORD{KEYEVENTF_UNICODE}, DWORD{KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        }
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

namespace {

INPUT MouseInput(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    return input;
}

// Absolute mouse coordinates run from 0 to 65535 across the primary screen.
INPUT MoveInput(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto scale = [](int value, int size) {
        return static_cast<LONG>((static_cast<long long>(value) * 65535 + (size - 1) / 2) / (size - 1));
    };
    return MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, scale(screen.x, width), scale(screen.y, height));
}

}  // namespace

// Under Wine a SendInput move warps the X pointer only when it changes the
// place Wine holds, and late X events can leave that place differing from the
// X pointer's. Once the last move is 100 ms old, GetCursorPos answers with the
// X pointer's place. So every move goes through a neighbouring point first, and
// counts only when the pointer is still there past that age.
bool MovePointer(POINT screen) {
    constexpr milliseconds kWineRequery{100};
    const auto there = [&] {
        POINT at{};
        return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y;
    };
    const POINT beside{screen.x > 0 ? screen.x - 1 : screen.x + 1, screen.y};
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::array<INPUT, 2> inputs{MoveInput(beside), MoveInput(screen)};
        if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) return false;
        const auto moved = Clock::now();
        if (!WaitFor(there, milliseconds{1000})) continue;
        WaitFor([&] { return !there() || Clock::now() - moved > 2 * kWineRequery; });
        if (there()) return true;
    }
    return false;
}

bool Click(HWND window, POINT client, MouseButton button, int clicks, WORD heldKey) {
    if (!BringToForeground(window)) return false;
    POINT screen = client;
    if (!ClientToScreen(window, &screen) || !MovePointer(screen)) return false;
    const DWORD down = button == MouseButton::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
    const DWORD up = button == MouseButton::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
    // Each button event carries the place too: under Wine a late motion event of
    // an earlier pointer warp can move the pointer back between two inputs.
    INPUT at = MoveInput(screen);
    const auto there = [&](DWORD flags) {
        INPUT input = at;
        input.mi.dwFlags |= flags;
        return input;
    };
    std::vector<INPUT> inputs;
    if (heldKey) AddKey(inputs, heldKey, false);
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(there(down));
        inputs.push_back(there(up));
    }
    if (heldKey) AddKey(inputs, heldKey, true);
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

POINT BesideWindow(HWND window) {
    const Rect r = OuterRect(window);
    return {r.left > 60 ? r.left - 40 : r.left + r.width + 40, r.top + r.height / 2};
}

App& LaunchClearOfPointer(Context& ctx) {
    MovePointer({40, GetSystemMetrics(SM_CYSCREEN) / 2});
    return ctx.Launch();
}

bool MouseButtonAt(POINT screen, MouseButton button, bool down) {
    const bool left = button == MouseButton::Left;
    INPUT input = MoveInput(screen);
    input.mi.dwFlags |= down ? (left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN)
                             : (left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP);
    return SendInput(1, &input, sizeof(INPUT)) == 1;
}

POINT CentreInParent(HWND child) {
    const Rect r = RectInParent(child);
    return {r.left + r.width / 2, r.top + r.height / 2};
}

bool SetText(HWND window, std::wstring_view text) {
    const std::wstring copy(text);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), SMTO_ABORTIFHUNG,
                               kAnswerTimeoutMs, &result) != 0 &&
           result != 0;
}

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::optional<Selection> SelectionOf(HWND edit) {
    const auto packed = Ask(edit, EM_GETSEL);
    if (!packed) return std::nullopt;
    const auto bits = static_cast<DWORD_PTR>(*packed);
    return Selection{static_cast<int>(LOWORD(bits)), static_cast<int>(HIWORD(bits))};
}

StartedProcesses::StartedProcesses(const App& app)
    : job_(CreateJobObjectW(nullptr, nullptr)), port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{job_, port_};
    ready_ = job_ && port_ &&
             SetInformationJobObject(job_, JobObjectAssociateCompletionPortInformation, &link, sizeof link) &&
             AssignProcessToJobObject(job_, app.Process());
    if (ready_) WaitFor([&] { return !Drain().empty(); });
}

StartedProcesses::~StartedProcesses() {
    if (port_) CloseHandle(port_);
    if (job_) CloseHandle(job_);
}

std::vector<DWORD> StartedProcesses::Drain() {
    std::vector<DWORD> started;
    DWORD code = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    while (GetQueuedCompletionStatus(port_, &code, &key, &detail, 0)) {
        if (code == JOB_OBJECT_MSG_NEW_PROCESS)
            started.push_back(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail)));
    }
    return started;
}

}  // namespace e2e
