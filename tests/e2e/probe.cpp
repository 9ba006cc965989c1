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

}  // namespace e2e
