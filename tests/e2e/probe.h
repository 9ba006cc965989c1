// Looking at and driving another process's windows through the Windows API.
// Everything here works across processes; texts of controls are read with
// WM_GETTEXT because GetWindowTextW does not ask another process's control.
#pragma once

#include "tests/e2e/e2e.h"

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

std::wstring ClassName(HWND window);
// Empty when the window's thread does not answer in time.
std::optional<std::wstring> Text(HWND window);
int ControlId(HWND window);

Rect OuterRect(HWND window);
// The child's rectangle in its parent's client coordinates.
Rect RectInParent(HWND child);
Rect ClientRect(HWND window);

// Direct children, from the top of the stacking order down.
std::vector<HWND> ChildrenTopDown(HWND parent);
std::vector<int> ControlIds(const std::vector<HWND>& windows);
std::vector<HWND> TopLevelWindowsOf(DWORD processId, const wchar_t* className);

// What GetGUIThreadInfo says about the thread that owns `window`.
HWND FocusOfThread(HWND window);
HWND ActiveOfThread(HWND window);
// The control id of the focused window of `window`'s thread, 0 when none.
int FocusedControlId(HWND window);

// A key with the modifiers held around it.
struct Keystroke {
    WORD key = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};
inline Keystroke Key(WORD key) { return {key, false, false, false}; }
inline Keystroke ShiftKey(WORD key) { return {key, true, false, false}; }
inline Keystroke CtrlKey(WORD key) { return {key, false, true, false}; }
inline Keystroke AltKey(WORD key) { return {key, false, false, true}; }
std::string KeyName(const Keystroke& stroke);

// Real key strokes (SendInput) to `window`, after making it the foreground
// window; false when it would not come to the front or the input was refused.
bool Press(HWND window, std::initializer_list<Keystroke> strokes);

// The message box of a process (a "#32770" window), if one is up.
HWND MessageBoxOf(DWORD processId);

// Characters as typed (KEYEVENTF_UNICODE) into the focus of `window`, after
// making it the foreground window.
bool Type(HWND window, std::wstring_view text);

enum class MouseButton { Left, Right };
// Real mouse input (SendInput): the pointer moves to `client` in `window`'s
// client coordinates, then the button goes down and up `clicks` times there,
// with `heldKey` (VK_CONTROL, VK_SHIFT, ...) held around it if not 0.
bool Click(HWND window, POINT client, MouseButton button = MouseButton::Left, int clicks = 1, WORD heldKey = 0);
bool MovePointer(POINT screen);
// A point on the bare desktop beside the window, to take the pointer off it.
POINT BesideWindow(HWND window);
// Context::Launch with the pointer parked at the screen's left edge first.
// Under Wine a window that maps under the pointer gets a pointer event late,
// which can put the pointer back there after a later move and leave a
// control thinking the pointer is still over it.
App& LaunchClearOfPointer(Context& ctx);
// One mouse button going down or up at a screen point, for presses held across moves.
bool MouseButtonAt(POINT screen, MouseButton button, bool down);
// The middle of a child window, in its parent's client coordinates.
POINT CentreInParent(HWND child);

// WM_SETTEXT to another process's window; the system carries the text across.
bool SetText(HWND window, std::wstring_view text);
// A message without pointer arguments, sent with a timeout; empty when the window does not answer.
std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// EM_GETSEL of an edit control; the answer packs both ends, so it works across processes.
struct Selection {
    int start = 0;
    int end = 0;
    friend bool operator==(const Selection&, const Selection&) = default;
};
inline void Describe(std::ostream& out, const Selection& s) { out << '[' << s.start << ',' << s.end << ')'; }
std::optional<Selection> SelectionOf(HWND edit);

// Every process the program starts from now on: the program joins a job whose
// port reports each new member. Its own arrival is taken off at once.
class StartedProcesses {
public:
    explicit StartedProcesses(const App& app);
    StartedProcesses(const StartedProcesses&) = delete;
    StartedProcesses& operator=(const StartedProcesses&) = delete;
    ~StartedProcesses();

    bool Ready() const noexcept { return ready_; }
    // Ids of the processes started since the last call.
    std::vector<DWORD> Drain();

private:
    HANDLE job_;
    HANDLE port_;
    bool ready_ = false;
};

}  // namespace e2e
