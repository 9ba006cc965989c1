// Start-up and the main window: its place and styles, the controls as built,
// stacking and focus order, the keys the window handles itself, closing, and
// two copies side by side.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

using namespace e2e;

constexpr wchar_t kTitle[] = L"砾澄定时锁屏";
constexpr int kOuterWidth = 243;
constexpr int kOuterHeight = 154;
constexpr COLORREF kAccent = RGB(0, 224, 128);

enum class Kind { Label, Button, TargetField, ClockField };

struct ControlRow {
    int id;
    const char* name;
    Kind kind;
    Rect rect;
    bool visible;
    bool enabled;
    bool tabStop;
    const wchar_t* text;  // nullptr: filled by the clock, checked on its own
};

// In creation order.
constexpr std::array<ControlRow, 10> kControls{{
    {k透明标签1, "透明标签1", Kind::Label, {30, 88, 176, 32}, true, true, false, L"枢澈软件工作室"},
    {k超级按钮1, "超级按钮1", Kind::Button, {14, 56, 65, 25}, true, true, true, L"开启锁屏"},
    {k编辑框1, "编辑框1", Kind::TargetField, {32, 8, 50, 32}, true, true, true, L""},
    {k编辑框2, "编辑框2", Kind::TargetField, {150, 8, 50, 32}, true, true, true, L""},
    {k超级按钮2, "超级按钮2", Kind::Button, {86, 56, 65, 25}, true, false, true, L"取消任务"},
    {k编辑框3, "编辑框3", Kind::ClockField, {8, 96, 32, 24}, false, true, true, nullptr},
    {k编辑框4, "编辑框4", Kind::ClockField, {192, 96, 32, 24}, false, true, true, nullptr},
    {k超级按钮3, "超级按钮3", Kind::Button, {158, 56, 65, 25}, true, false, true, L"隐藏运行"},
    {k透明标签2, "透明标签2", Kind::Label, {94, 24, 24, 24}, true, true, false, L"时"},
    {k透明标签3, "透明标签3", Kind::Label, {210, 24, 24, 24}, true, true, false, L"分"},
}};

const wchar_t* ClassOf(Kind kind) {
    switch (kind) {
    case Kind::Label:
        return L"TimelockLabel";
    case Kind::Button:
        return L"Button";
    case Kind::TargetField:
    case Kind::ClockField:
        return L"Edit";
    }
    return L"";
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
LONG_PTR ExStyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_EXSTYLE); }
bool Has(LONG_PTR style, LONG_PTR bits) { return (style & bits) == bits; }

Rect CentredOnScreen() {
    return {(GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2, (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2,
            kOuterWidth, kOuterHeight};
}

// Moves the focus with real key strokes and waits until it lands where expected.
bool PressAndWaitFocus(HWND window, Keystroke stroke, int expectedId) {
    if (!CHECK(Press(window, {stroke}), "could not send ", KeyName(stroke))) return false;
    WaitFor([&] { return FocusedControlId(window) == expectedId || !IsWindow(window); });
    if (!CHECK(IsWindow(window), "the window closed on ", KeyName(stroke))) return false;
    return CHECK_EQ(FocusedControlId(window), expectedId, "focus after ", KeyName(stroke));
}

bool WaitStartFocus(HWND window) {
    WaitFor([&] { return FocusedControlId(window) == k超级按钮1; });
    return CHECK_EQ(FocusedControlId(window), static_cast<int>(k超级按钮1), "focus at start");
}

E2E_CASE(suite_window, title_place_and_activation) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    CHECK_EQ(Text(window).value_or(L"<no answer>"), std::wstring(kTitle));
    // On the 1920x1080 desktop of scripts/e2e.sh this is 838, 463, 243x154.
    CHECK_EQ(OuterRect(window), CentredOnScreen(), "screen ", GetSystemMetrics(SM_CXSCREEN), "x",
             GetSystemMetrics(SM_CYSCREEN));
    CHECK(!IsIconic(window) && !IsZoomed(window));
    // SW_SHOW activates: the new window is in front and its thread's active window.
    WaitFor([&] { return GetForegroundWindow() == window; });
    CHECK_EQ(GetForegroundWindow(), window, "foreground window");
    CHECK_EQ(ActiveOfThread(window), window, "active window of the program's thread");
}

E2E_CASE(suite_window, window_styles) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    const LONG_PTR style = StyleOf(window);
    struct Bit {
        LONG_PTR bits;
        const char* name;
        bool wanted;
    };
    // WS_CAPTION is WS_BORDER | WS_DLGFRAME: a fixed single border.
    constexpr std::array<Bit, 9> kBits{{
        {WS_CAPTION, "WS_CAPTION", true},
        {WS_SYSMENU, "WS_SYSMENU", true},
        {WS_MINIMIZEBOX, "WS_MINIMIZEBOX", true},
        {WS_CLIPCHILDREN, "WS_CLIPCHILDREN", true},
        {WS_MAXIMIZEBOX, "WS_MAXIMIZEBOX", false},
        {WS_THICKFRAME, "WS_THICKFRAME", false},
        {WS_POPUP, "WS_POPUP", false},
        {WS_CHILD, "WS_CHILD", false},
        {WS_DISABLED, "WS_DISABLED", false},
    }};
    for (const Bit& bit : kBits) CHECK_EQ(Has(style, bit.bits), bit.wanted, bit.name);

    // Created with no extended style; the system itself adds WS_EX_WINDOWEDGE to a captioned window.
    const LONG_PTR exStyle = ExStyleOf(window);
    CHECK_EQ(exStyle & ~static_cast<LONG_PTR>(WS_EX_WINDOWEDGE), LONG_PTR{0}, "extended style");
    CHECK(GetWindow(window, GW_OWNER) == nullptr, "no owner, so it has its own task-bar button");
    CHECK(GetMenu(window) == nullptr, "no menu");

    const ULONG_PTR classStyle = GetClassLongPtrW(window, GCL_STYLE);
    CHECK_EQ(classStyle & (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS), ULONG_PTR{CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS},
             "class style");
}

// The caption shows the program file's own icon, set with WM_SETICON. This is
// checked in the picture: Wine does not answer WM_GETICON across processes.
E2E_CASE(suite_window, caption_shows_program_icon) {
    const HMODULE file =
        LoadLibraryExW(ctx.AppExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    REQUIRE(file != nullptr, "cannot read the resources of ", ctx.AppExe());
    struct FirstIcon {
        std::wstring name;
        WORD id = 0;
        bool found = false;
    } first;
    EnumResourceNamesW(
        file, RT_GROUP_ICON,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            auto& out = *reinterpret_cast<FirstIcon*>(param);
            if (IS_INTRESOURCE(name)) {
                out.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
            } else {
                out.name = name;
            }
            out.found = true;
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&first));
    std::optional<Sprite> sprite;
    if (first.found) {
        const HANDLE icon = LoadImageW(file, first.name.empty() ? MAKEINTRESOURCEW(first.id) : first.name.c_str(),
                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
        sprite = RenderIcon(static_cast<HICON>(icon));
        if (icon) DestroyIcon(static_cast<HICON>(icon));
    }
    FreeLibrary(file);
    REQUIRE(first.found, "the program file has no icon");
    REQUIRE(sprite && std::count(sprite->opaque.begin(), sprite->opaque.end(), true) > 0,
            "the program file's icon has no opaque pixel to look for");

    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    const Rect outer = OuterRect(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const auto image = CaptureSettled({outer.left, outer.top, outer.left + outer.width, outer.top + outer.height});
    REQUIRE(image.has_value(), "could not capture the screen");
    ctx.SaveScreenshot("caption", *image);
    // The left part of the caption bar, above the client area.
    const RECT caption{0, 0, outer.width / 3, origin.y - outer.top};
    CHECK(FindSprite(*image, *sprite, caption).has_value(), "the program's small icon is not in the caption");
}

E2E_CASE(suite_window, controls_as_built) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);

    // Only the ten windowed controls; the two timers have no window.
    int descendants = 0;
    EnumChildWindows(
        window,
        [](HWND, LPARAM count) -> BOOL {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&descendants));
    CHECK_EQ(descendants, static_cast<int>(kControls.size()), "child windows of the main window");

    for (const ControlRow& row : kControls) {
        const Context::Note note(ctx, row.name);
        const HWND control = GetDlgItem(window, row.id);
        if (!CHECK(control != nullptr, "no child with id ", row.id)) continue;
        CHECK_EQ(GetParent(control), window, "parent");
        CHECK_EQ(ClassName(control), std::wstring(ClassOf(row.kind)), "class");
        CHECK_EQ(RectInParent(control), row.rect, "place in the client area");
        CHECK_EQ(IsWindowVisible(control) != FALSE, row.visible, "visible");
        CHECK_EQ(IsWindowEnabled(control) != FALSE, row.enabled, "enabled");

        const LONG_PTR style = StyleOf(control);
        const LONG_PTR exStyle = ExStyleOf(control);
        CHECK(Has(style, WS_CHILD), "WS_CHILD");
        CHECK_EQ(Has(style, WS_TABSTOP), row.tabStop, "WS_TABSTOP");
        if (row.text) CHECK_EQ(Text(control).value_or(L"<no answer>"), std::wstring(row.text), "text at start");

        switch (row.kind) {
        case Kind::Button:
            CHECK_EQ(style & BS_TYPEMASK, LONG_PTR{BS_OWNERDRAW}, "button type");
            break;
        case Kind::TargetField: {
            CHECK(Has(style, ES_CENTER), "ES_CENTER");
            CHECK(!Has(style, WS_BORDER), "no border");
            CHECK_EQ(exStyle, LONG_PTR{0}, "extended style");
            DWORD_PTR limit = 0;
            SendMessageTimeoutW(control, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 2000, &limit);
            CHECK_EQ(limit, DWORD_PTR{2}, "text limit");
            break;
        }
        case Kind::ClockField:
            CHECK(Has(exStyle, WS_EX_CLIENTEDGE), "WS_EX_CLIENTEDGE");
            CHECK(!Has(style, ES_CENTER), "left aligned");
            break;
        case Kind::Label:
            break;
        }
        if (row.kind == Kind::TargetField || row.kind == Kind::ClockField) {
            CHECK(!Has(style, ES_MULTILINE) && !Has(style, ES_NUMBER), "single line, no ES_NUMBER");
        }
    }
}

E2E_CASE(suite_window, stacking_order) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    // Each later control lies just above the one created before it.
    std::vector<int> expected;
    for (auto it = kControls.rbegin(); it != kControls.rend(); ++it) expected.push_back(it->id);
    CHECK_EQ(ControlIds(ChildrenTopDown(window)), expected, "children from the top down");
}

// The clock fields stay empty until the first one-second tick, then hold the
// local hour and minute as plain decimal.
E2E_CASE(suite_window, clock_fields_fill_after_first_tick) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    const HWND hour = GetDlgItem(window, k编辑框3);
    const HWND minute = GetDlgItem(window, k编辑框4);
    REQUIRE(hour && minute);

    // The timer starts after CreateProcessW returned, so under 900 ms since then no tick can have come.
    const auto firstHour = Text(hour);
    const auto firstMinute = Text(minute);
    const auto sinceStart = std::chrono::duration_cast<milliseconds>(Clock::now() - app.StartedAt());
    if (sinceStart < milliseconds{900}) {
        CHECK_EQ(firstHour.value_or(L"<no answer>"), std::wstring(), "编辑框3 before the first tick");
        CHECK_EQ(firstMinute.value_or(L"<no answer>"), std::wstring(), "编辑框4 before the first tick");
    } else {
        WriteLine(Message("  note: first look came ", sinceStart.count(), " ms after start; emptiness not checked"));
    }

    SYSTEMTIME before{};
    GetLocalTime(&before);
    const bool filled = WaitFor(
        [&] { return !Text(hour).value_or(L"").empty() && !Text(minute).value_or(L"").empty(); }, milliseconds{3000});
    REQUIRE(filled, "the clock fields were still empty 3 s later");
    const std::wstring shownHour = Text(hour).value_or(L"");
    const std::wstring shownMinute = Text(minute).value_or(L"");
    SYSTEMTIME after{};
    GetLocalTime(&after);
    // The minute may turn between the two readings of our own clock.
    const auto matches = [&](const SYSTEMTIME& t) {
        return shownHour == std::to_wstring(t.wHour) && shownMinute == std::to_wstring(t.wMinute);
    };
    CHECK(matches(before) || matches(after), "clock fields show ", shownHour, ":", shownMinute, ", local time ",
          after.wHour, ":", after.wMinute);
}

E2E_CASE(suite_window, focus_at_start) {
    const App& app = ctx.Launch();
    WaitStartFocus(MainWindowOf(app));
}

// Each walk starts from a fresh window with the focus on 超级按钮1.
E2E_CASE(suite_window, tab_order) {
    struct Step {
        Keystroke key;
        int focus;
    };
    struct Walk {
        const char* name;
        std::vector<Step> steps;
    };
    const Keystroke tab = Key(VK_TAB);
    const Keystroke back = ShiftKey(VK_TAB);
    const std::vector<Walk> walks{
        {"Tab twice round",
         {{tab, k编辑框1}, {tab, k编辑框2}, {tab, k超级按钮1}, {tab, k编辑框1}, {tab, k编辑框2}, {tab, k超级按钮1}}},
        {"Shift+Tab twice round",
         {{back, k编辑框2},
          {back, k编辑框1},
          {back, k超级按钮1},
          {back, k编辑框2},
          {back, k编辑框1},
          {back, k超级按钮1}}},
        {"back and forth", {{tab, k编辑框1}, {back, k超级按钮1}, {back, k编辑框2}, {tab, k超级按钮1}}},
    };
    for (const Walk& walk : walks) {
        const Context::Note note(ctx, walk.name);
        const App& app = ctx.Launch();
        const HWND window = MainWindowOf(app);
        if (!WaitStartFocus(window)) continue;
        for (std::size_t i = 0; i < walk.steps.size(); ++i) {
            const Context::Note stepNote(ctx, Message("step ", i + 1));
            if (!PressAndWaitFocus(window, walk.steps[i].key, walk.steps[i].focus)) break;
        }
        ctx.EndApps();
    }
}

// Keys that must change nothing at window level. Input is handled in order, so
// once a Tab pressed after the key has moved the focus, the key has been
// handled too: its lack of effect is then a fact, not a guess after a sleep.
E2E_CASE(suite_window, keys_without_effect) {
    struct Row {
        const char* name;
        int tabsFirst;  // Tabs from the start focus before the key
        Keystroke key;
        int focusAfterTab;  // where one more Tab must land if the key did nothing
    };
    const std::array<Row, 7> rows{{
        {"Enter on 超级按钮1", 0, Key(VK_RETURN), k编辑框1},
        {"Enter in 编辑框1", 1, Key(VK_RETURN), k编辑框2},
        {"Shift+Esc on 超级按钮1", 0, ShiftKey(VK_ESCAPE), k编辑框1},
        {"Shift+Esc in 编辑框1", 1, ShiftKey(VK_ESCAPE), k编辑框2},
        {"Ctrl+Tab on 超级按钮1", 0, CtrlKey(VK_TAB), k编辑框1},
        {"F1 on 超级按钮1", 0, Key(VK_F1), k编辑框1},
        {"F1 in 编辑框2", 2, Key(VK_F1), k超级按钮1},
    }};
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = ctx.Launch();
        const HWND window = MainWindowOf(app);
        if (!WaitStartFocus(window)) continue;
        constexpr std::array<int, 3> kOrder{k超级按钮1, k编辑框1, k编辑框2};
        bool ready = true;
        for (int i = 0; i < row.tabsFirst && ready; ++i) {
            ready = PressAndWaitFocus(window, Key(VK_TAB), kOrder[static_cast<std::size_t>(i + 1)]);
        }
        if (!ready) continue;

        REQUIRE(Press(window, {row.key, Key(VK_TAB)}), "could not send ", KeyName(row.key), " and Tab");
        WaitFor([&] { return FocusedControlId(window) == row.focusAfterTab || !IsWindow(window); });
        if (!CHECK(IsWindow(window), "the window closed")) continue;
        CHECK_EQ(FocusedControlId(window), row.focusAfterTab, "focus after the key and one Tab");
        CHECK(IsWindowVisible(window), "the window was hidden");
        CHECK(MessageBoxOf(app.ProcessId()) == nullptr, "a message box came up");
        CHECK_EQ(Text(GetDlgItem(window, k编辑框1)).value_or(L"<no answer>"), std::wstring(), "编辑框1 text");
        CHECK_EQ(Text(GetDlgItem(window, k编辑框2)).value_or(L"<no answer>"), std::wstring(), "编辑框2 text");
        ctx.EndApps();
    }
}

// Every way of closing ends the process at once with exit code 0.
E2E_CASE(suite_window, closing_ends_the_program) {
    enum class Way { Keys, PostedClose };
    struct Row {
        const char* name;
        int tabsFirst;
        Way way;
        Keystroke key;
    };
    const std::array<Row, 5> rows{{
        {"Esc on 超级按钮1", 0, Way::Keys, Key(VK_ESCAPE)},
        {"Esc in 编辑框1", 1, Way::Keys, Key(VK_ESCAPE)},
        {"Esc in 编辑框2", 2, Way::Keys, Key(VK_ESCAPE)},
        {"Alt+F4", 0, Way::Keys, AltKey(VK_F4)},
        {"Close command of the system menu", 0, Way::PostedClose, {}},
    }};
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = ctx.Launch();
        const HWND window = MainWindowOf(app);
        if (!WaitStartFocus(window)) continue;
        constexpr std::array<int, 3> kOrder{k超级按钮1, k编辑框1, k编辑框2};
        bool ready = true;
        for (int i = 0; i < row.tabsFirst && ready; ++i) {
            ready = PressAndWaitFocus(window, Key(VK_TAB), kOrder[static_cast<std::size_t>(i + 1)]);
        }
        if (!ready) continue;

        if (row.way == Way::Keys) {
            REQUIRE(Press(window, {row.key}), "could not send ", KeyName(row.key));
        } else {
            REQUIRE(PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0));
        }
        if (!CHECK(app.WaitForExit(), "still running ", kDeadline.count(), " ms later")) continue;
        CHECK_EQ(app.ExitCode().value_or(0xDEAD), DWORD{0}, "exit code");
        CHECK(!IsWindow(window), "the window outlived the process");
        ctx.EndApps();
    }
}

E2E_CASE(suite_window, two_copies_side_by_side) {
    const App& first = ctx.Launch();
    const HWND firstWindow = MainWindowOf(first);
    const App& second = ctx.Launch();
    const HWND secondWindow = MainWindowOf(second);

    CHECK(first.ProcessId() != second.ProcessId());
    CHECK(firstWindow != secondWindow);
    CHECK_EQ(TopLevelWindowsOf(first.ProcessId(), L"TimelockMainWindow").size(), std::size_t{1}, "windows of copy 1");
    CHECK_EQ(TopLevelWindowsOf(second.ProcessId(), L"TimelockMainWindow").size(), std::size_t{1}, "windows of copy 2");
    CHECK_EQ(OuterRect(firstWindow), CentredOnScreen(), "copy 1");
    CHECK_EQ(OuterRect(secondWindow), CentredOnScreen(), "copy 2");
    CHECK_EQ(ChildrenTopDown(secondWindow).size(), kControls.size(), "controls of copy 2");
    WaitFor([&] { return GetForegroundWindow() == secondWindow; });
    CHECK_EQ(GetForegroundWindow(), secondWindow, "the later copy comes to the front");
    CHECK(WaitStartFocus(secondWindow));
    ctx.ScreenshotOf(secondWindow, "second-copy");

    // Closing one leaves the other running with its own window.
    REQUIRE(Press(firstWindow, {Key(VK_ESCAPE)}));
    CHECK(first.WaitForExit(), "copy 1 did not end on Esc");
    CHECK_EQ(first.ExitCode().value_or(0xDEAD), DWORD{0}, "exit code of copy 1");
    CHECK(second.Running() && IsWindowVisible(secondWindow), "copy 2 ended with copy 1");
    CHECK(PressAndWaitFocus(secondWindow, Key(VK_TAB), k编辑框1), "copy 2 still takes keys");
}

// Nothing of the last run is kept: a window moved before closing opens centred again.
E2E_CASE(suite_window, reopens_centred_after_move) {
    {
        const App& app = ctx.Launch();
        const HWND window = MainWindowOf(app);
        REQUIRE(SetWindowPos(window, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        REQUIRE(WaitFor([&] { return OuterRect(window).left == 100 && OuterRect(window).top == 120; }),
                "could not move the window: ", OuterRect(window));
        REQUIRE(Press(window, {Key(VK_ESCAPE)}));
        REQUIRE(app.WaitForExit());
    }
    ctx.EndApps();
    const App& again = ctx.Launch();
    CHECK_EQ(OuterRect(MainWindowOf(again)), CentredOnScreen());
}

// The picture the user sees: the client area painted in the accent colour and
// every label drawing something of its own.
E2E_CASE(suite_window, screenshot_of_main_window) {
    const App& app = ctx.Launch();
    const HWND window = MainWindowOf(app);
    const Rect outer = OuterRect(window);
    const Rect client = ClientRect(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int dx = origin.x - outer.left;
    const int dy = origin.y - outer.top;
    // Client points that no visible control covers.
    const std::array<POINT, 3> background{{{2, 2}, {120, 45}, {client.width - 3, client.height - 3}}};
    const auto isBackground = [&](const Image& image) {
        for (const POINT& p : background) {
            if (image.At(dx + p.x, dy + p.y) != kAccent) return false;
        }
        return true;
    };
    const RECT area{outer.left, outer.top, outer.left + outer.width, outer.top + outer.height};
    std::optional<Image> image;
    WaitFor([&] {
        image = CaptureSettled(area);
        return image && isBackground(*image);
    });
    REQUIRE(image.has_value(), "could not capture the screen");
    ctx.SaveScreenshot("main-window", *image);

    for (const POINT& p : background) {
        const COLORREF c = image->At(dx + p.x, dy + p.y);
        CHECK_EQ(c, kAccent, "client pixel ", p.x, ",", p.y, " is RGB(", GetRValue(c), ",", GetGValue(c), ",",
                 GetBValue(c), ")");
    }
    for (const ControlRow& row : kControls) {
        if (row.kind != Kind::Label) continue;
        bool drawn = false;
        for (int y = row.rect.top; y < row.rect.top + row.rect.height && !drawn; ++y) {
            for (int x = row.rect.left; x < row.rect.left + row.rect.width && !drawn; ++x) {
                if (x < client.width && y < client.height) drawn = image->At(dx + x, dy + y) != kAccent;
            }
        }
        CHECK(drawn, row.name, " shows nothing but the background");
    }
}

}  // namespace
