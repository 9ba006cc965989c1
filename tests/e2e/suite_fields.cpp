// The four time fields from outside: what the key filter of the two target
// fields lets through, the rewrite when they lose the focus, the hidden clock
// copy, and how the target digits look.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace e2e;

constexpr COLORREF kGreen = RGB(0, 224, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Tab away from the focused field; the rewrite runs inside that focus change.
bool TabAway(HWND window) {
    const int before = FocusedControlId(window);
    if (!CHECK(Press(window, {Key(VK_TAB)}), "could not send Tab")) return false;
    return CHECK(WaitFor([&] { return FocusedControlId(window) != before; }), "Tab did not move the focus from ",
                 before);
}

// Typed characters, each judged by the field on its own. Every row ends with a
// character that passes, so once it shows, the ones before it were handled.
E2E_CASE(suite_fields, key_filter_keeps_only_digits_and_minus) {
    struct Row {
        const char* name;
        int field;
        const wchar_t* typed;
        const wchar_t* shown;
    };
    const std::array<Row, 8> rows{{
        {"letters", k编辑框1, L"aZ7", L"7"},
        {"space", k编辑框2, L" 3", L"3"},
        {"full stop", k编辑框1, L".4", L"4"},
        {"CJK character", k编辑框2, L"时5", L"5"},
        {"plus, comma, colon", k编辑框1, L"+,:1", L"1"},
        {"minus after a digit", k编辑框2, L"5-", L"5-"},
        {"two minus signs", k编辑框1, L"--", L"--"},
        {"minus and digit", k编辑框2, L"-9", L"-9"},
    }};
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const HWND field = GetDlgItem(window, row.field);
        if (!FocusOn(window, row.field)) continue;
        REQUIRE(SetText(field, L""));
        REQUIRE(Type(window, row.typed), "could not type");
        WaitFor([&] { return TextOf(field) == row.shown; });
        CHECK_EQ(TextOf(field), std::wstring(row.shown), "typed ", std::wstring(row.typed));
    }

    // Real key strokes, turned into characters by the keyboard layout.
    {
        const Context::Note note(ctx, "keys A, Space, '.', 8");
        const HWND field = GetDlgItem(window, k编辑框1);
        REQUIRE(FocusOn(window, k编辑框1));
        REQUIRE(SetText(field, L""));
        REQUIRE(Press(window, {Key('A'), Key(VK_SPACE), Key(VK_OEM_PERIOD), Key('8')}));
        WaitFor([&] { return TextOf(field) == L"8"; });
        CHECK_EQ(TextOf(field), std::wstring(L"8"));
    }
}

// The limit refuses a third character. The Tab after it proves it was handled;
// the rewrite leaves these two-character results as they are.
E2E_CASE(suite_fields, third_character_refused) {
    struct Row {
        const char* name;
        int field;
        const wchar_t* typed;
        const wchar_t* kept;
    };
    const std::array<Row, 3> rows{{
        {"three digits", k编辑框1, L"123", L"12"},
        {"minus and two digits", k编辑框2, L"-12", L"-1"},
        {"after a dropped letter", k编辑框1, L"4a56", L"45"},
    }};
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const HWND field = GetDlgItem(window, row.field);
        if (!FocusOn(window, row.field)) continue;
        REQUIRE(SetText(field, L""));
        REQUIRE(Type(window, row.typed), "could not type");
        if (!TabAway(window)) continue;
        CHECK_EQ(TextOf(field), std::wstring(row.kept), "typed ", std::wstring(row.typed));
    }
}

// Owns the clipboard for the pasting case; a window of our own is the owner,
// since a clipboard emptied without one may refuse the data.
class ClipboardWriter {
public:
    ClipboardWriter()
        : owner_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~ClipboardWriter() {
        if (owner_) DestroyWindow(owner_);
    }
    ClipboardWriter(const ClipboardWriter&) = delete;
    ClipboardWriter& operator=(const ClipboardWriter&) = delete;

    bool Put(const std::wstring& text) {
        // Another process may hold the clipboard open for a moment.
        if (!WaitFor([&] { return OpenClipboard(owner_) != FALSE; }, milliseconds{2000})) return false;
        bool ok = EmptyClipboard() != FALSE;
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        const HGLOBAL memory = ok ? GlobalAlloc(GMEM_MOVEABLE, bytes) : nullptr;
        if (memory) {
            if (void* place = GlobalLock(memory)) {
                std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(place));
                GlobalUnlock(memory);
                ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            } else {
                ok = false;
            }
            if (!ok) GlobalFree(memory);
        } else {
            ok = false;
        }
        CloseClipboard();
        return ok;
    }

private:
    HWND owner_;
};

// Ctrl+V passes the key filter as a control character, so pasted text goes in
// unfiltered (held to two characters) and only the rewrite cleans it up. The
// caret comes back at the start of the selection noted before the rewrite,
// held to the new text's end: a plain text write would leave it at 0.
E2E_CASE(suite_fields, pasted_text_cleaned_up_on_tab) {
    struct Row {
        const char* name;
        int field;
        const wchar_t* pasted;
        const wchar_t* inField;  // what the paste leaves, before the focus moves
        Selection noted;
        const wchar_t* after;
        Selection caret;
    };
    const std::array<Row, 7> rows{{
        {"space before 7, caret at the end", k编辑框1, L" 7", L" 7", {2, 2}, L"7", {1, 1}},
        {"plus before 7, caret at 0", k编辑框2, L"+7", L"+7", {0, 0}, L"7", {0, 0}},
        {"1a, caret between", k编辑框1, L"1a", L"1a", {1, 1}, L"1", {1, 1}},
        {"ab, all selected", k编辑框2, L"ab", L"ab", {0, 2}, L"", {0, 0}},
        {"07, second digit selected", k编辑框1, L"07", L"07", {1, 2}, L"7", {1, 1}},
        {"three characters held to two", k编辑框2, L"345", L"34", {1, 1}, L"34", {1, 1}},
        {"a CJK character", k编辑框1, L"时", L"时", {1, 1}, L"", {0, 0}},
    }};
    ClipboardWriter clipboard;
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const HWND field = GetDlgItem(window, row.field);
        if (!FocusOn(window, row.field)) continue;
        REQUIRE(SetText(field, L""));
        REQUIRE(clipboard.Put(row.pasted), "could not put text on the clipboard");
        REQUIRE(Press(window, {CtrlKey('V')}));
        WaitFor([&] { return TextOf(field) == row.inField; });
        if (!CHECK_EQ(TextOf(field), std::wstring(row.inField), "after Ctrl+V")) continue;
        REQUIRE(Ask(field, EM_SETSEL, static_cast<WPARAM>(row.noted.start), row.noted.end));
        CHECK_EQ(SelectionOf(field).value_or(Selection{-1, -1}), row.noted, "selection before Tab");
        if (!TabAway(window)) continue;
        CHECK_EQ(TextOf(field), std::wstring(row.after), "after Tab");
        CHECK_EQ(SelectionOf(field).value_or(Selection{-1, -1}), row.caret, "selection after Tab");
    }
}

// Texts put in directly (a write is not filtered), then the focus moves on.
// Zero keeps its value; a text without digits becomes empty.
E2E_CASE(suite_fields, rewrite_on_tab) {
    struct Row {
        const wchar_t* before;
        const wchar_t* after;
    };
    const std::array<Row, 15> rows{{
        {L"07", L"7"},
        {L" 7", L"7"},
        {L"+7", L"7"},
        {L"5-", L"5"},
        {L"1a", L"1"},
        {L"ab", L""},
        {L"0", L"0"},
        {L"00", L"0"},
        {L"-0", L"0"},
        {L"-", L""},
        {L"--", L""},
        {L"-5", L"-5"},
        {L"12", L"12"},
        {L"\t9", L"9"},
        {L"", L""},
    }};
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    int field = k编辑框1;
    for (const Row& row : rows) {
        const Context::Note note(ctx, Message(std::wstring(row.before), " in ", field));
        if (!FocusOn(window, field)) continue;
        const HWND control = GetDlgItem(window, field);
        REQUIRE(SetText(control, row.before));
        if (!TabAway(window)) continue;
        CHECK_EQ(TextOf(control), std::wstring(row.after));
        field = field == k编辑框1 ? k编辑框2 : k编辑框1;
    }
}

// Tab is not the only way to lose the focus: a click into the other field and
// another window coming to the front rewrite the field too.
E2E_CASE(suite_fields, rewrite_on_other_focus_losses) {
    {
        const Context::Note note(ctx, "mouse click into 编辑框2");
        const App& app = LaunchClearOfPointer(ctx);
        const HWND window = MainWindowOf(app);
        const HWND hour = GetDlgItem(window, k编辑框1);
        REQUIRE(FocusOn(window, k编辑框1));
        REQUIRE(Type(window, L"09"));
        REQUIRE(WaitFor([&] { return TextOf(hour) == L"09"; }), "typing gave ", TextOf(hour));
        REQUIRE(Click(window, CentreInParent(GetDlgItem(window, k编辑框2))));
        WaitFor([&] { return FocusedControlId(window) == k编辑框2; });
        CHECK_EQ(FocusedControlId(window), static_cast<int>(k编辑框2), "focus after the click");
        CHECK_EQ(TextOf(hour), std::wstring(L"9"));
        ctx.EndApps();
    }
    {
        const Context::Note note(ctx, "another window comes to the front");
        const App& first = LaunchClearOfPointer(ctx);
        const HWND window = MainWindowOf(first);
        const HWND minute = GetDlgItem(window, k编辑框2);
        REQUIRE(FocusOn(window, k编辑框2));
        REQUIRE(SetText(minute, L"05"));
        const App& second = LaunchClearOfPointer(ctx);
        const HWND other = MainWindowOf(second);
        WaitFor([&] { return GetForegroundWindow() == other; });
        CHECK_EQ(GetForegroundWindow(), other, "the second copy is in front");
        WaitFor([&] { return TextOf(minute) == L"5"; });
        CHECK_EQ(TextOf(minute), std::wstring(L"5"));
    }
}

// A field already in normal form is not written again. A write through
// SetWindowText clears the edit control's modify flag, so a flag set just
// before the focus moves still being set shows that nothing was written; the
// selection staying as it was shows the same. "08" proves the probe can see a write.
E2E_CASE(suite_fields, normal_form_not_written_again) {
    struct Row {
        const wchar_t* text;
        Selection selection;
        bool rewritten;
        const wchar_t* after;
    };
    const std::array<Row, 6> rows{{
        {L"8", {0, 1}, false, L"8"},
        {L"-5", {1, 2}, false, L"-5"},
        {L"12", {0, 1}, false, L"12"},
        {L"0", {0, 1}, false, L"0"},
        {L"", {0, 0}, false, L""},
        {L"08", {0, 1}, true, L"8"},
    }};
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    int field = k编辑框1;
    for (const Row& row : rows) {
        const Context::Note note(ctx, Message(std::wstring(row.text), " in ", field));
        if (!FocusOn(window, field)) continue;
        const HWND control = GetDlgItem(window, field);
        REQUIRE(SetText(control, row.text));
        REQUIRE(Ask(control, EM_SETMODIFY, TRUE));
        REQUIRE(Ask(control, EM_SETSEL, static_cast<WPARAM>(row.selection.start), row.selection.end));
        REQUIRE_EQ(Ask(control, EM_GETMODIFY).value_or(-1) != 0, true, "modify flag before Tab");
        if (!TabAway(window)) continue;
        CHECK_EQ(TextOf(control), std::wstring(row.after));
        CHECK_EQ(Ask(control, EM_GETMODIFY).value_or(-1) == 0, row.rewritten, "modify flag cleared");
        if (!row.rewritten) {
            CHECK_EQ(SelectionOf(control).value_or(Selection{-1, -1}), row.selection, "selection");
        }
        field = field == k编辑框1 ? k编辑框2 : k编辑框1;
    }
}

std::wstring ClockText(const SYSTEMTIME& time) {
    return std::to_wstring(time.wHour) + L":" + std::to_wstring(time.wMinute);
}

// The hidden fields hold the local hour and minute, as our own clock reads
// them. A wrong text written into both is put right by the next tick, within
// two seconds, so they are rewritten every second and not only at start.
E2E_CASE(suite_fields, clock_fields_follow_local_time) {
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    const HWND hour = GetDlgItem(window, k编辑框3);
    const HWND minute = GetDlgItem(window, k编辑框4);
    REQUIRE(hour && minute);

    std::wstring shown;
    std::wstring expected;
    SYSTEMTIME previous{};
    GetLocalTime(&previous);
    // A minute may turn between the last tick and our reading.
    const auto matches = [&] {
        shown = TextOf(hour) + L":" + TextOf(minute);
        SYSTEMTIME now{};
        GetLocalTime(&now);
        expected = ClockText(now);
        const bool same = shown == expected || shown == ClockText(previous);
        previous = now;
        return same;
    };
    CHECK(WaitFor(matches, milliseconds{3000}), "clock fields show ", shown, ", local time ", expected);

    REQUIRE(SetText(hour, L"99") && SetText(minute, L"99"));
    REQUIRE_EQ(TextOf(hour) + L":" + TextOf(minute), std::wstring(L"99:99"), "written into the clock fields");
    const auto started = Clock::now();
    const bool putRight = WaitFor(matches, milliseconds{2000});
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    CHECK(putRight, "2 s after writing 99:99 the clock fields show ", shown, ", local time ", expected);
    WriteLine(Message("  note: the clock fields were put right after ", took, " ms"));
}

// The pixels of a screen part that differ from white.
int InkIn(const Image& image, const RECT& area) {
    int ink = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) ink += image.At(x, y) != kWhite ? 1 : 0;
    }
    return ink;
}

// "12" drawn by us in the target fields' face and size, to tell bold from regular by the amount of ink.
std::optional<int> ReferenceInk(LONG weight) {
    LOGFONTW font{};
    font.lfHeight = -14;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    std::wcscpy(font.lfFaceName, L"微软雅黑");
    const HFONT handle = CreateFontIndirectW(&font);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 40);
    std::optional<int> ink;
    if (handle && memory && bitmap) {
        const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        const HGDIOBJ oldFont = SelectObject(memory, handle);
        RECT area{0, 0, 60, 40};
        FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(memory, kGreen);
        SetBkMode(memory, TRANSPARENT);
        DrawTextW(memory, L"12", 2, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        int count = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 60; ++x) count += (GetPixel(memory, x, y) & 0xFFFFFF) != kWhite ? 1 : 0;
        }
        ink = count;
        SelectObject(memory, oldFont);
        SelectObject(memory, oldBitmap);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (handle) DeleteObject(handle);
    return ink;
}

// Typed digits show bold, green and centred on a white field, the bands above
// and below the text line white too.
E2E_CASE(suite_fields, screenshot_bold_green_centred_digits) {
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    REQUIRE(FocusOn(window, k编辑框1));
    REQUIRE(Type(window, L"12"));
    const HWND field = GetDlgItem(window, k编辑框1);
    REQUIRE(WaitFor([&] { return TextOf(field) == L"12"; }), "typing gave ", TextOf(field));
    // Leave the field so that no caret blinks in the picture.
    REQUIRE(FocusOn(window, k超级按钮1));
    MovePointer(BesideWindow(window));

    const Rect outer = OuterRect(window);
    const auto image = CaptureSettled({outer.left, outer.top, outer.left + outer.width, outer.top + outer.height});
    REQUIRE(image.has_value(), "could not capture the screen");
    ctx.SaveScreenshot("digits", *image);

    const Rect box = OuterRect(field);
    const RECT area{box.left - outer.left, box.top - outer.top, box.left - outer.left + box.width,
                    box.top - outer.top + box.height};
    int left = area.right;
    int right = area.left - 1;
    int top = area.bottom;
    int bottom = area.top - 1;
    int exact = 0;
    int notGreen = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = image->At(x, y);
            if (c == kWhite) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            exact += c == kGreen ? 1 : 0;
            // Smoothed edges mix the green with white: green stays the strongest part.
            notGreen += (GetGValue(c) > GetRValue(c) && GetGValue(c) > GetBValue(c)) ? 0 : 1;
        }
    }
    REQUIRE(right >= left, "the field shows no digits");
    CHECK(exact > 0, "no pixel of the field is RGB(0, 224, 128)");
    CHECK_EQ(notGreen, 0, "pixels in the field that are neither white nor green");
    const int leftMargin = left - area.left;
    const int rightMargin = area.right - 1 - right;
    CHECK(std::abs(leftMargin - rightMargin) <= 2, "not centred: ", leftMargin, " px left, ", rightMargin,
          " px right of the digits");
    const int topMargin = top - area.top;
    const int bottomMargin = area.bottom - 1 - bottom;
    CHECK(topMargin >= 4 && bottomMargin >= 4 && std::abs(topMargin - bottomMargin) <= 6,
          "not in the vertical middle: ", topMargin, " px above, ", bottomMargin, " px below");

    const int ink = InkIn(*image, area);
    const auto regular = ReferenceInk(FW_NORMAL);
    const auto bold = ReferenceInk(FW_BOLD);
    REQUIRE(regular && bold && *bold > *regular, "cannot tell bold from regular here: ", regular.value_or(-1), " vs ",
            bold.value_or(-1));
    WriteLine(Message("  note: ink of \"12\": ", ink, " pixels; our own drawing gives ", *regular, " regular, ", *bold,
                      " bold"));
    CHECK(std::abs(ink - *bold) < std::abs(ink - *regular), "the digits hold ", ink,
          " pixels of ink; drawn regular they would hold ", *regular, ", bold ", *bold);
}

}  // namespace
