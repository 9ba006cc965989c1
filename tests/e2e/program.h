// What the driver knows of the program under test beforehand: its window
// class, its controls' identifiers, and the way into its target fields.
#pragma once

#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"

#include <windows.h>

#include <string>

namespace e2e {

inline constexpr wchar_t kMainWindowClass[] = L"TimelockMainWindow";

enum Id : int {
    k透明标签1 = 100,
    k超级按钮1 = 110,
    k编辑框1 = 120,
    k编辑框2 = 130,
    k超级按钮2 = 140,
    k编辑框3 = 150,
    k编辑框4 = 160,
    k超级按钮3 = 190,
    k透明标签2 = 200,
    k透明标签3 = 210,
};

// The timers' identifiers, which WM_TIMER carries.
inline constexpr WPARAM k时钟1 = 170;
inline constexpr WPARAM k时钟2 = 180;

inline HWND MainWindowOf(const App& app) { return app.WaitForWindow(kMainWindowClass); }

inline std::wstring TextOf(HWND window) { return Text(window).value_or(L"<no answer>"); }

// The keyboard focus cycles 超级按钮1, 编辑框1, 编辑框2 while idle; Tab until it
// is on `id`.
inline bool FocusOn(HWND window, int id) {
    WaitFor([&] { return FocusedControlId(window) != 0; });
    for (int i = 0; i < 3 && FocusedControlId(window) != id; ++i) {
        const int before = FocusedControlId(window);
        if (!Press(window, {Key(VK_TAB)})) break;
        WaitFor([&] { return FocusedControlId(window) != before; });
    }
    return CHECK_EQ(FocusedControlId(window), id, "focus");
}

}  // namespace e2e
