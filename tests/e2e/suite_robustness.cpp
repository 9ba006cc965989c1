// Bad input and faults from outside: every character code into a target field,
// 100,000-character texts in every field, a missing lock program, a shell that
// cannot open the studio page, closing under an open message box, and the
// answer to the end of the session.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace e2e;

constexpr wchar_t kBoxTitle[] = L"锁屏提示：";
constexpr wchar_t kEmptyMessage[] = L"时间不能为空！";
constexpr wchar_t kRangeMessage[] = L"时间无效！时：0-23，分：0-59";
constexpr wchar_t kIdleCaption[] = L"开启锁屏";
constexpr wchar_t kArmedCaption[] = L"运行中...";

constexpr UINT kAnswerMs = 5000;

// A message sent and answered within the deadline; empty when the window did not answer.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

bool Write(HWND field, const std::wstring& text) {
    return Send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())).value_or(0) != 0;
}

bool Answers(HWND window) { return Send(window, WM_NULL).has_value(); }

bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

// The program's own idle and armed looks: which of start and cancel takes clicks, and the start caption.
bool LooksArmed(HWND window) {
    return !Enabled(GetDlgItem(window, k超级按钮1)) && Enabled(GetDlgItem(window, k超级按钮2)) &&
           TextOf(GetDlgItem(window, k超级按钮1)) == kArmedCaption;
}
bool LooksIdle(HWND window) {
    return Enabled(GetDlgItem(window, k超级按钮1)) && !Enabled(GetDlgItem(window, k超级按钮2)) &&
           TextOf(GetDlgItem(window, k超级按钮1)) == kIdleCaption;
}

// Visible top-level windows of the process besides its main window: boxes, error reports, anything.
std::vector<HWND> OtherWindowsOf(DWORD processId, HWND main) {
    struct Search {
        DWORD processId;
        HWND main;
        std::vector<HWND> found;
    } search{processId, main, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.processId && window != s.main && IsWindowVisible(window)) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForBox(const App& app) {
    HWND box = nullptr;
    WaitFor([&] { return (box = MessageBoxOf(app.ProcessId())) != nullptr || !app.Running(); });
    return box;
}

// Posted: a sent click would wait for the box it opens.
bool Dismiss(const App& app, HWND box) {
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box) || !app.Running(); });
}

// Posted for the same reason; a refusal shows up as a box, which fails the arming.
bool Arm(const App& app, HWND window, const std::wstring& hour, const std::wstring& minute) {
    if (!CHECK(Write(GetDlgItem(window, k编辑框1), hour) && Write(GetDlgItem(window, k编辑框2), minute),
               "could not write the target ", hour, ":", minute))
        return false;
    PostMessageW(GetDlgItem(window, k超级按钮1), BM_CLICK, 0, 0);
    WaitFor([&] { return LooksArmed(window) || MessageBoxOf(app.ProcessId()) != nullptr; });
    if (const HWND box = MessageBoxOf(app.ProcessId())) {
        CHECK(false, "arming at ", hour, ":", minute, " was refused with ", TextOf(GetDlgItem(box, 0xFFFF)));
        Dismiss(app, box);
        return false;
    }
    return CHECK(LooksArmed(window), "not armed at ", hour, ":", minute);
}

// Clicking start must be refused with `message` in the program's box, leaving it idle.
void ExpectRefusal(const App& app, HWND window, const wchar_t* message) {
    PostMessageW(GetDlgItem(window, k超级按钮1), BM_CLICK, 0, 0);
    const HWND box = WaitForBox(app);
    if (!CHECK(box != nullptr, "no message box; armed: ", LooksArmed(window))) {
        if (LooksArmed(window)) Send(GetDlgItem(window, k超级按钮2), BM_CLICK);
        return;
    }
    CHECK_EQ(TextOf(GetDlgItem(box, 0xFFFF)), std::wstring(message), "message");
    CHECK_EQ(TextOf(box), std::wstring(kBoxTitle), "title");
    CHECK(Dismiss(app, box), "the box stayed up after OK");
    CHECK(LooksIdle(window), "not idle after the refusal");
}

SYSTEMTIME Now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

bool ClockShows(HWND window, const SYSTEMTIME& t) {
    return TextOf(GetDlgItem(window, k编辑框3)) == std::to_wstring(t.wHour) &&
           TextOf(GetDlgItem(window, k编辑框4)) == std::to_wstring(t.wMinute);
}

void SetClipboardText(const std::wstring& text) {
    REQUIRE(OpenClipboard(nullptr), "cannot open the clipboard");
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

bool OnlyDashesAndDigits(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c == L'-' || (c >= L'0' && c <= L'9'); });
}


// A file of the prefix moved out of the way for the case, and back after it.
// scripts/e2e.sh works on a fresh copy of the prefix, so a driver killed
// half-way spoils nothing beyond its own run.
class SetAside {
public:
    explicit SetAside(std::wstring path) : path_(std::move(path)), away_(path_ + L".set-aside") {
        moved_ = MoveFileExW(path_.c_str(), away_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    SetAside(const SetAside&) = delete;
    SetAside& operator=(const SetAside&) = delete;
    ~SetAside() { Restore(); }

    bool Moved() const noexcept { return moved_; }
    bool Restore() {
        if (moved_ && MoveFileExW(away_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) moved_ = false;
        return !moved_;
    }

private:
    std::wstring path_;
    std::wstring away_;
    bool moved_ = false;
};

// The default value of a registry key replaced for the case, and put back after it.
class RegistryOverride {
public:
    RegistryOverride(HKEY root, const wchar_t* subKey, const std::wstring& value) {
        if (RegCreateKeyExW(root, subKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD bytes = 0;
        if (RegQueryValueExW(key_, nullptr, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
            std::wstring old(bytes / sizeof(wchar_t) + 1, L'\0');
            if (RegQueryValueExW(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old.data()), &bytes) ==
                ERROR_SUCCESS) {
                old.resize(std::wcslen(old.c_str()));
                old_ = std::move(old);
            }
        }
        set_ = Put(value);
    }
    RegistryOverride(const RegistryOverride&) = delete;
    RegistryOverride& operator=(const RegistryOverride&) = delete;
    ~RegistryOverride() {
        if (!key_) return;
        if (old_) {
            Put(*old_);
        } else {
            RegDeleteValueW(key_, nullptr);
        }
        RegCloseKey(key_);
    }

    bool Set() const noexcept { return set_; }
    bool Put(const std::wstring& value) const {
        const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
               ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
    std::optional<std::wstring> old_;
    bool set_ = false;
};

std::wstring SystemFile(const wchar_t* name) {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    return std::wstring(folder.data(), length) + L"\\" + name;
}

// ---------------------------------------------------------------------------

// Every code from the space up that is neither '-' nor a digit goes to the
// empty hour field, in blocks; the field must still be empty after each block.
// The limit of two cannot hide a slip: the first slipped character stays in
// the field and names itself. Three driver threads share the range to keep
// the program's queue busy. The minute field has the same filter; a spread
// of codes shows it is in place there too.
E2E_CASE(suite_robustness, key_filter_every_character) {
    const App& app = ctx.Launch();
    const HWND window = app.WaitForWindow(kMainWindowClass);
    const std::array<HWND, 2> fields{GetDlgItem(window, k编辑框1), GetDlgItem(window, k编辑框2)};
    const auto passes = [](unsigned code) { return code == '-' || (code >= '0' && code <= '9'); };

    struct Share {
        HWND field;
        unsigned first;
        unsigned last;
        unsigned stride;
        std::vector<std::string> failures;
        unsigned sent = 0;
    };
    constexpr unsigned kBlock = 2048;
    const auto sweep = [&](Share& share) {
        unsigned sinceLook = 0;
        for (unsigned code = share.first; code <= share.last; code += share.stride) {
            if (!passes(code)) {
                if (!Send(share.field, WM_CHAR, code, 1)) {
                    share.failures.push_back(Message("no answer to WM_CHAR ", code));
                    return;
                }
                ++share.sent;
                ++sinceLook;
            }
            if (sinceLook < kBlock && code + share.stride <= share.last) continue;
            sinceLook = 0;
            const std::wstring text = TextOf(share.field);
            if (text.empty()) continue;
            std::string units;
            for (const wchar_t unit : text) units += Message(" ", static_cast<unsigned>(unit));
            share.failures.push_back(Message("up to code ", code, " the field took", units, " (", text, ")"));
            Write(share.field, L"");
        }
    };
    std::vector<Share> shares{
        {fields[0], 0x20, 0x55FF, 1, {}},
        {fields[0], 0x5600, 0xAAFF, 1, {}},
        {fields[0], 0xAB00, 0xFFFF, 1, {}},
        {fields[1], 0x20, 0xFFFF, 61, {}},
    };
    {
        std::vector<std::thread> helpers;
        for (std::size_t i = 1; i < shares.size() - 1; ++i) helpers.emplace_back(sweep, std::ref(shares[i]));
        sweep(shares[0]);
        for (auto& helper : helpers) helper.join();
        sweep(shares.back());
    }
    unsigned sentToHour = 0;
    for (const Share& share : shares) {
        const Context::Note note(ctx, Message("field ", ControlId(share.field)));
        for (const auto& failure : share.failures) CHECK(false, failure);
        if (share.field == fields[0]) sentToHour += share.sent;
    }
    CHECK_EQ(sentToHour, 0x10000u - 0x20u - 11u, "codes sent to the hour field");

    // Control codes pass the filter to the field's own handling (backspace,
    // copy, paste, cut, undo). Digits on the clipboard make ^V paste something,
    // so the limit of two is tried through the paste as well. Letters there
    // would go in: the filter sees keys, not pastes, and the focus-loss
    // rewrite is what clears them.
    SetClipboardText(L"123");
    for (const HWND field : fields) {
        const Context::Note note(ctx, Message("field ", ControlId(field)));
        for (unsigned code = 1; code < 0x20; ++code) {
            REQUIRE(Write(field, L"5"));
            Send(field, EM_SETSEL, 1, 1);
            REQUIRE(Send(field, WM_CHAR, code, 1), "no answer to WM_CHAR ", code);
            const std::wstring text = TextOf(field);
            CHECK(OnlyDashesAndDigits(text) && text.size() <= 2, "code ", code, " left ", text);
        }
        // What passes goes in, twice at most.
        for (const wchar_t c : std::wstring_view(L"-0123456789")) {
            REQUIRE(Write(field, L""));
            for (int i = 0; i < 3; ++i) Send(field, WM_CHAR, c, 1);
            CHECK_EQ(TextOf(field), std::wstring(2, c), "three times ", std::wstring(1, c));
        }
    }
    CHECK(OtherWindowsOf(app.ProcessId(), window).empty(), "a window came up during the sweep");
}

// Texts far beyond the limit of two, written from outside into the two target
// and the two clock fields. Each row is its own launch. Every row changes
// script now and then: Wine 8's own EDIT lays out one run of a single script
// in time that grows with the square of its length (an unbroken 100,000-digit
// text takes it about 10 s to set and 5 s to paint, program or not), which
// would measure Wine, not this program. Runs of 20 digits are still beyond
// any 64-bit number.
E2E_CASE(suite_robustness, long_texts_in_every_field) {
    constexpr std::size_t kLength = 100000;
    const auto repeat = [](std::wstring_view unit) {
        std::wstring text;
        while (text.size() < kLength) text += unit;
        text.resize(kLength);
        return text;
    };
    struct Row {
        const char* name;
        std::wstring text;
    };
    const std::array<Row, 4> rows{{
        {"runs of digits", repeat(L"99999999999999999999时-")},
        {"letters, signs, spaces and CJK", repeat(L"a-9 时\t+")},
        {"surrogate pairs", repeat(L"\xD83D\xDD12时")},
        {"lone surrogates", repeat(L"\xDC00" L"1\xD800")},
    }};
    constexpr std::array<int, 4> kFields{k编辑框1, k编辑框2, k编辑框3, k编辑框4};

    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = ctx.Launch();
        const HWND window = app.WaitForWindow(kMainWindowClass);
        for (const int id : kFields) {
            const HWND field = GetDlgItem(window, id);
            CHECK(Write(field, row.text), "WM_SETTEXT to ", id, " not answered");
            CHECK(Answers(window), "the window stopped answering after the text went into ", id);
            CHECK_EQ(Send(field, WM_GETTEXTLENGTH).value_or(-1), static_cast<LRESULT>(kLength), "length in ", id);
        }
        REQUIRE(app.Running(), "the program ended");

        // The next tick of the clock overwrites whatever the clock fields hold.
        bool right = false;
        WaitFor([&] {
            const SYSTEMTIME before = Now();
            right = ClockShows(window, before) || ClockShows(window, Now());
            return right;
        });
        CHECK(right, "clock fields show ", TextOf(GetDlgItem(window, k编辑框3)).substr(0, 8), ":",
              TextOf(GetDlgItem(window, k编辑框4)).substr(0, 8));

        // Each target field alone makes the target invalid.
        REQUIRE(Write(GetDlgItem(window, k编辑框2), L"30"));
        {
            const Context::Note which(ctx, "long hour");
            ExpectRefusal(app, window, kRangeMessage);
        }
        REQUIRE(Write(GetDlgItem(window, k编辑框1), L"12") && Write(GetDlgItem(window, k编辑框2), row.text));
        {
            const Context::Note which(ctx, "long minute");
            ExpectRefusal(app, window, kRangeMessage);
        }
        CHECK(app.Running() && Answers(window), "the program did not survive");
        ctx.EndApps();
    }
}

// Without the lock program in the system folder every check at the target
// minute fails to start it: nothing is shown and the program stays armed. Put
// back, the very next check starts it, so each check does try again.
E2E_CASE(suite_robustness, lock_program_missing) {
    const App& app = ctx.Launch();
    const HWND window = app.WaitForWindow(kMainWindowClass);
    StartedProcesses started(app);
    REQUIRE(started.Ready(), "cannot watch the processes the program starts");
    SetAside lockProgram(SystemFile(L"rundll32.exe"));
    REQUIRE(lockProgram.Moved(), "cannot move ", SystemFile(L"rundll32.exe"), " aside: error ", GetLastError());

    // The target is the minute the clock fields show; a few seconds of it are enough.
    WaitFor([] { return Now().wSecond < 55; }, milliseconds{6000});
    REQUIRE(Send(window, WM_TIMER, k时钟1));
    const std::wstring hour = TextOf(GetDlgItem(window, k编辑框3));
    const std::wstring minute = TextOf(GetDlgItem(window, k编辑框4));
    REQUIRE(Arm(app, window, hour, minute));

    for (int check = 1; check <= 3; ++check) {
        const Context::Note note(ctx, Message("check ", check));
        // Sent: once it is answered the check, and its failed start, are over.
        if (!Send(window, WM_TIMER, k时钟2)) {
            const std::vector<HWND> shown = OtherWindowsOf(app.ProcessId(), window);
            for (const HWND box : shown) {
                CHECK(false, "shown: ", ClassName(box), " ", TextOf(box), ": ", TextOf(GetDlgItem(box, 0xFFFF)));
                Dismiss(app, box);
            }
            REQUIRE(false, "the schedule check did not come back");
        }
        CHECK(app.Running(), "the program ended");
        CHECK(OtherWindowsOf(app.ProcessId(), window).empty(), "something was shown");
        CHECK(LooksArmed(window), "no longer armed");
        CHECK_EQ(started.Drain(), std::vector<DWORD>{}, "processes started");
    }
    REQUIRE(TextOf(GetDlgItem(window, k编辑框3)) == hour && TextOf(GetDlgItem(window, k编辑框4)) == minute,
            "the minute turned during the case; the checks above did not all fall in it");

    REQUIRE(lockProgram.Restore(), "cannot put rundll32.exe back");
    REQUIRE(Send(window, WM_TIMER, k时钟2));
    std::vector<DWORD> after;
    CHECK(WaitFor([&] { return !(after = started.Drain()).empty(); }), "the check after the restore started nothing");
    CHECK(app.Running() && LooksArmed(window));
}

// The shell's command for https pointed at a program that exists, then at one
// that does not. The first shows that pressing the label reaches the shell;
// after the second the program goes on working.
E2E_CASE(suite_robustness, studio_page_cannot_open) {
    const App& app = ctx.Launch();
    const HWND window = app.WaitForWindow(kMainWindowClass);
    const HWND label = GetDlgItem(window, k透明标签1);
    const HWND hour = GetDlgItem(window, k编辑框1);
    StartedProcesses started(app);
    REQUIRE(started.Ready(), "cannot watch the processes the program starts");

    // Straight into HKCR: Wine 8 does not lay HKCU\Software\Classes over it, so a per-user key would not reach the shell.
    constexpr wchar_t kCommandKey[] = L"https\\shell\\open\\command";
    const std::wstring standIn = L"\"" + SystemFile(L"rundll32.exe") + L"\" \"%1\"";
    RegistryOverride command(HKEY_CLASSES_ROOT, kCommandKey, standIn);
    REQUIRE(command.Set(), "cannot write HKCR\\", kCommandKey);

    // The press is seen by the message loop, so it is posted, not sent.
    const auto press = [&] {
        PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    };
    press();
    std::vector<DWORD> first;
    REQUIRE(WaitFor([&] { return !(first = started.Drain()).empty(); }),
            "pressing the label started nothing with the stand-in command");

    REQUIRE(command.Put(L"\"C:\\nowhere\\browser.exe\" \"%1\""));
    REQUIRE(Write(hour, L""));
    press();
    // A character posted after the press comes in once the press has been handled, box or no box.
    PostMessageW(hour, WM_CHAR, '7', 1);
    CHECK(WaitFor([&] { return TextOf(hour) == L"7"; }), "the press was never done with");
    const std::vector<HWND> shown = OtherWindowsOf(app.ProcessId(), window);
    WriteLine(Message("  note: the shell showed ", shown.size(), " window(s) for the missing program"));
    for (const HWND box : shown) {
        WriteLine(Message("  note: ", ClassName(box), " ", TextOf(box), ": ", TextOf(GetDlgItem(box, 0xFFFF))));
        Dismiss(app, box);
    }
    CHECK_EQ(started.Drain(), std::vector<DWORD>{}, "processes started for the missing program");
    CHECK(app.Running(), "the program ended");
    CHECK(Answers(window), "the window does not answer");
    CHECK(OtherWindowsOf(app.ProcessId(), window).empty(), "a window is still up");
    CHECK(LooksIdle(window), "the state changed");
}

// WM_CLOSE posted while the program waits in its message box: the box's own
// loop takes it, the window goes, and the program ends with 0.
E2E_CASE(suite_robustness, close_while_message_box_open) {
    struct Row {
        const char* name;
        const wchar_t* hour;
        const wchar_t* minute;
        const wchar_t* message;
    };
    constexpr std::array<Row, 2> rows{{
        {"empty field", L"", L"", kEmptyMessage},
        {"out of range", L"24", L"0", kRangeMessage},
    }};
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = ctx.Launch();
        const HWND window = app.WaitForWindow(kMainWindowClass);
        REQUIRE(Write(GetDlgItem(window, k编辑框1), row.hour) && Write(GetDlgItem(window, k编辑框2), row.minute));
        PostMessageW(GetDlgItem(window, k超级按钮1), BM_CLICK, 0, 0);
        const HWND box = WaitForBox(app);
        REQUIRE(box != nullptr, "no message box");
        CHECK_EQ(TextOf(GetDlgItem(box, 0xFFFF)), std::wstring(row.message), "message");

        REQUIRE(PostMessageW(window, WM_CLOSE, 0, 0));
        if (!CHECK(app.WaitForExit(), "still running ", kDeadline.count(), " ms after WM_CLOSE")) {
            CHECK(false, "window ", IsWindow(window) ? "still there" : "gone", ", box ",
                  IsWindow(box) ? "still there" : "gone");
            continue;
        }
        CHECK_EQ(app.ExitCode().value_or(0xDEAD), DWORD{0}, "exit code");
        ctx.EndApps();
    }
}

// Each try is timed on its own; the median of nine must be under 100 ms, and
// every answer must be yes.
E2E_CASE(suite_robustness, query_end_session_answers_yes) {
    const App& app = ctx.Launch();
    const HWND window = app.WaitForWindow(kMainWindowClass);
    const SYSTEMTIME now = Now();
    // Twelve hours away: never the clock's minute, never passed within the case.
    const std::wstring hour = std::to_wstring((now.wHour + 12) % 24);

    for (const bool armed : {false, true}) {
        const Context::Note note(ctx, armed ? "armed" : "idle");
        if (armed) REQUIRE(Arm(app, window, hour, L"30"));
        std::vector<double> times;
        for (int i = 0; i < 9; ++i) {
            const auto begin = Clock::now();
            const auto answer = Send(window, WM_QUERYENDSESSION, 0, i % 2 ? ENDSESSION_LOGOFF : 0);
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
            CHECK_EQ(answer.value_or(-1), LRESULT{TRUE}, "answer ", i + 1);
        }
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        WriteLine(Message("  note: ", armed ? "armed" : "idle", " answers in ms: ", times));
        CHECK(sorted[sorted.size() / 2] < 100.0, "median ", sorted[sorted.size() / 2], " ms");
        CHECK(app.Running(), "the program ended");
        CHECK(armed ? LooksArmed(window) : LooksIdle(window), "the state changed");
    }
}

}  // namespace
