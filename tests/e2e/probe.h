// Looking at and driving another process's windows through the Windows API.
// Everything here works across processes; texts of controls are read with
// WM_GETTEXT because GetWindowTextW does not ask another process's control.
#pragma once

#include "tests/e2e/e2e.h"

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
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

}  // namespace e2e
