// The three command buttons and the studio label, driven with the real mouse:
// arming, the refusals and their message boxes, cancelling, hiding, how the
// buttons show their state, and the studio page handed to the shell.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <string>
#include <vector>

namespace {

using namespace e2e;

constexpr COLORREF kGreen = RGB(0, 224, 128);
constexpr wchar_t kTitle[] = L"锁屏提示：";
constexpr wchar_t kEmptyText[] = L"时间不能为空！";
constexpr wchar_t kInvalidText[] = L"时间无效！时：0-23，分：0-59";
constexpr wchar_t kStudioAddress[] = L"https://shuche.example/";

// ---------------------------------------------------------------------------
// The shell's handler for https addresses is pointed at a private copy of the
// recorder that suite_lock uses for rundll32.exe: a windowless program that
// leaves one record per start in "lock-records" beside itself. The driver
// itself cannot stand in: as a console program, every start of it from the
// windowless program under test brings up a console window that takes the
// foreground and the clicks meant for the main window.

std::wstring DriverFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/"));
}

constexpr wchar_t kHandlerName[] = L"https-handler.exe";

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

int HandlersRunning() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (Lower(entry.szExeFile) == kHandlerName) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Contents(const std::wstring& path) {
    std::string all;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return all;
    std::array<char, 4096> chunk{};
    DWORD read = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read > 0) {
        all.append(chunk.data(), read);
    }
    CloseHandle(file);
    return all;
}

// "name=value" lines of one record.
std::string Field(const std::string& record, const std::string& name) {
    const std::string key = name + "=";
    for (std::size_t from = 0; from < record.size();) {
        std::size_t end = record.find('\n', from);
        if (end == std::string::npos) end = record.size();
        if (record.compare(from, key.size(), key) == 0)
            return record.substr(from + key.size(), end - from - key.size());
        from = end + 1;
    }
    return "<missing>";
}

// A folder of our own under the temporary folder with the handler copied in,
// removed again with everything in it.
class HandlerFolder {
public:
    HandlerFolder() {
        std::wstring temp(MAX_PATH, L'\0');
        temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
        folder_ = temp + L"timelock-e2e-https-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        ok_ = CopyFileW((DriverFolder() + L"\\timelock_e2e_recorder.exe").c_str(), Exe().c_str(), FALSE) != FALSE;
    }
    ~HandlerFolder() {
        ClearRecords();
        RemoveDirectoryW(Records().c_str());
        DeleteFileW(Exe().c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    HandlerFolder(const HandlerFolder&) = delete;
    HandlerFolder& operator=(const HandlerFolder&) = delete;

    bool Ok() const noexcept { return ok_; }
    std::wstring Exe() const { return folder_ + L"\\" + kHandlerName; }
    std::wstring Records() const { return folder_ + L"\\lock-records"; }
    std::vector<std::string> ReadRecords() const {
        std::vector<std::string> records;
        for (const auto& name : FilesIn(Records(), L"*.txt")) records.push_back(Contents(Records() + L"\\" + name));
        return records;
    }
    void ClearRecords() const {
        for (const auto& name : FilesIn(Records(), L"*")) DeleteFileW((Records() + L"\\" + name).c_str());
    }

private:
    std::wstring folder_;
    bool ok_ = false;
};

std::optional<std::wstring> HttpsCommandOf(HKEY root) {
    std::array<wchar_t, 2048> value{};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(root, L"Software\\Classes\\https\\shell\\open\\command", nullptr,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value.data());
}

// Points the https handler under `root` at the recorder for as long as it
// lives, then puts back what was there.
class HttpsHandlerOverride {
public:
    HttpsHandlerOverride(HKEY root, const std::wstring& handler) : root_(root) {
        for (std::size_t i = 0; i < kLevels.size(); ++i) {
            HKEY key = nullptr;
            existed_[i] = RegOpenKeyExW(root_, kLevels[i], 0, KEY_READ, &key) == ERROR_SUCCESS;
            if (key) RegCloseKey(key);
        }
        const wchar_t* command = kLevels.back();
        if (existed_.back()) {
            std::array<wchar_t, 2048> value{};
            DWORD bytes = sizeof value - sizeof(wchar_t);
            DWORD type = 0;
            if (RegGetValueW(root_, command, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type,
                             value.data(), &bytes) == ERROR_SUCCESS) {
                oldValue_ = std::wstring(value.data());
                oldType_ = type;
            }
        }
        const std::wstring line = L"\"" + handler + L"\" \"%1\"";
        HKEY key = nullptr;
        ok_ = RegCreateKeyExW(root_, command, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS &&
              RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(line.c_str()),
                             static_cast<DWORD>((line.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
    }
    ~HttpsHandlerOverride() {
        // Remove the outermost key we made, or give the command its old value back.
        for (std::size_t i = 0; i < kLevels.size(); ++i) {
            if (existed_[i]) continue;
            RegDeleteTreeW(root_, kLevels[i]);
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(root_, kLevels.back(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (oldValue_) {
            RegSetValueExW(key, nullptr, 0, oldType_, reinterpret_cast<const BYTE*>(oldValue_->c_str()),
                           static_cast<DWORD>((oldValue_->size() + 1) * sizeof(wchar_t)));
        } else {
            RegDeleteValueW(key, nullptr);
        }
        RegCloseKey(key);
    }
    HttpsHandlerOverride(const HttpsHandlerOverride&) = delete;
    HttpsHandlerOverride& operator=(const HttpsHandlerOverride&) = delete;

    bool Ok() const noexcept { return ok_; }

private:
    static constexpr std::array<const wchar_t*, 4> kLevels{
        L"Software\\Classes\\https",
        L"Software\\Classes\\https\\shell",
        L"Software\\Classes\\https\\shell\\open",
        L"Software\\Classes\\https\\shell\\open\\command",
    };
    HKEY root_;
    std::array<bool, 4> existed_{};
    std::optional<std::wstring> oldValue_;
    DWORD oldType_ = REG_SZ;
    bool ok_ = false;
};

// ---------------------------------------------------------------------------

bool ClickControl(HWND window, int id, MouseButton button = MouseButton::Left, int clicks = 1, WORD heldKey = 0) {
    return CHECK(Click(window, CentreInParent(GetDlgItem(window, id)), button, clicks, heldKey), "could not click ",
                 id);
}

bool TypeInto(HWND window, int id, const wchar_t* text) {
    if (!FocusOn(window, id)) return false;
    const HWND field = GetDlgItem(window, id);
    if (!CHECK(Type(window, text), "could not type")) return false;
    WaitFor([&] { return TextOf(field) == text; });
    return CHECK_EQ(TextOf(field), std::wstring(text), "typed into ", id);
}

struct ControlState {
    int id;
    const char* name;
    bool enabled;
    const wchar_t* caption;  // nullptr for the fields, whose text is the user's
};

std::array<ControlState, 5> StateTable(bool armed) {
    return {{
        {k超级按钮1, "超级按钮1", !armed, armed ? L"运行中..." : L"开启锁屏"},
        {k编辑框1, "编辑框1", !armed, nullptr},
        {k编辑框2, "编辑框2", !armed, nullptr},
        {k超级按钮2, "超级按钮2", armed, L"取消任务"},
        {k超级按钮3, "超级按钮3", armed, L"隐藏运行"},
    }};
}

bool InState(HWND window, bool armed) {
    for (const ControlState& c : StateTable(armed)) {
        const HWND control = GetDlgItem(window, c.id);
        if ((IsWindowEnabled(control) != FALSE) != c.enabled) return false;
        if (c.caption && TextOf(control) != c.caption) return false;
    }
    return true;
}

// Waits for the state, then checks each control so a failure names it.
bool CheckState(HWND window, bool armed) {
    WaitFor([&] { return InState(window, armed); });
    const Context::Note note(Current(), armed ? "armed" : "idle");
    bool ok = true;
    for (const ControlState& c : StateTable(armed)) {
        const HWND control = GetDlgItem(window, c.id);
        ok &= CHECK_EQ(IsWindowEnabled(control) != FALSE, c.enabled, c.name, " enabled");
        if (c.caption) ok &= CHECK_EQ(TextOf(control), std::wstring(c.caption), c.name, " caption");
    }
    return ok;
}

// The icon as it shows on a plain background of the given colour: smoothed
// edges mix with it, so only a picture drawn on the same colour matches.
std::optional<Sprite> IconOn(HICON icon, COLORREF background) {
    auto sprite = RenderIcon(icon);
    if (!sprite) return std::nullopt;
    const int width = sprite->image.width;
    const int height = sprite->image.height;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    bool drawn = false;
    if (memory && bitmap) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        const HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        drawn = DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != FALSE;
        for (int y = 0; y < height && drawn; ++y) {
            for (int x = 0; x < width; ++x) {
                sprite->image.pixels[static_cast<std::size_t>(y * width + x)] = GetPixel(memory, x, y) & 0xFFFFFF;
            }
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!drawn) return std::nullopt;
    return sprite;
}

HWND WaitForBox(const App& app, milliseconds deadline = kDeadline) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            box = MessageBoxOf(app.ProcessId());
            return box != nullptr || !app.Running();
        },
        deadline);
    return box;
}

// BM_CLICK is posted: sent, it would wait for the box's own modal loop.
bool Dismiss(HWND box) {
    const HWND ok = GetDlgItem(box, IDOK);
    if (!CHECK(ok != nullptr, "the message box has no OK button")) return false;
    PostMessageW(ok, BM_CLICK, 0, 0);
    return CHECK(WaitFor([&] { return !IsWindow(box); }), "the message box stayed after OK");
}

// The main window's thread answering a sent message: once the box is gone this
// happens only back in its own loop, or inside a second box already on screen.
bool Settled(HWND window) { return Ask(window, WM_NULL).has_value(); }

std::wstring ClockText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return std::to_wstring(now.wHour) + L":" + std::to_wstring(now.wMinute);
}

// The one-second tick rewrites the hidden clock fields: a wrong text written
// into them comes back as the local time within two seconds.
bool ClockKeepsTicking(HWND window) {
    const HWND hour = GetDlgItem(window, k编辑框3);
    const HWND minute = GetDlgItem(window, k编辑框4);
    if (!CHECK(SetText(hour, L"99") && SetText(minute, L"99"), "could not write the clock fields")) return false;
    std::wstring shown;
    const bool put = WaitFor(
        [&] {
            shown = TextOf(hour) + L":" + TextOf(minute);
            return shown == ClockText();
        },
        milliseconds{2000});
    return CHECK(put, "2 s after writing 99:99 the clock fields show ", shown, ", local time ", ClockText());
}

// An hour the clock is not in, so that no schedule check resets the target while a case runs.
std::wstring OtherHour() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return std::to_wstring((now.wHour + 2) % 24);
}

struct Counts {
    int green = 0;
    int shadow = 0;
};

// Caption pixels inside a button: the green of an enabled caption, the shadow
// grey of an engraved one.
Counts CaptionPixels(const Image& image, HWND window, HWND button) {
    const Rect outer = OuterRect(window);
    const Rect box = OuterRect(button);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    Counts counts;
    // One pixel in from each side, clear of any edge.
    for (int y = box.top + 1; y < box.top + box.height - 1; ++y) {
        for (int x = box.left + 1; x < box.left + box.width - 1; ++x) {
            const COLORREF c = image.At(x - outer.left, y - outer.top);
            counts.green += c == kGreen ? 1 : 0;
            counts.shadow += c == shadow ? 1 : 0;
        }
    }
    return counts;
}

void CheckButtonLooks(const Image& image, HWND window, bool armed) {
    for (const ControlState& c : StateTable(armed)) {
        if (!c.caption) continue;
        const Context::Note note(Current(), c.name);
        const Counts counts = CaptionPixels(image, window, GetDlgItem(window, c.id));
        if (c.enabled) {
            CHECK(counts.green > 0, "no green caption pixel in the enabled button");
            CHECK_EQ(counts.shadow, 0, "shadow grey pixels in the enabled button");
        } else {
            CHECK(counts.shadow > 10, "the engraved caption of the disabled button shows ", counts.shadow,
                  " shadow grey pixels");
            CHECK_EQ(counts.green, 0, "green pixels in the disabled button");
        }
    }
}

std::optional<Image> SettledPicture(HWND window, const char* name) {
    // The pointer stays out of the way so no button shows its hot edge.
    MovePointer(BesideWindow(window));
    return Current().ScreenshotOf(window, name);
}

// Pressing the start button takes the focus first, so the focused field is
// rewritten before the click reads it: "08" arms as "8". Zero is a target like
// any other, and the ends of both ranges arm.
E2E_CASE(suite_buttons, start_click_arms_with_rewritten_target) {
    struct Row {
        const char* name;
        int firstField;
        const wchar_t* firstText;
        int focusedField;  // typed last, so it holds the focus when the button is pressed
        const wchar_t* focusedText;
        const wchar_t* hour;
        const wchar_t* minute;
    };
    const std::array<Row, 3> rows{{
        {"08 in the focused hour field", k编辑框2, L"30", k编辑框1, L"08", L"8", L"30"},
        {"00 in the focused minute field", k编辑框1, L"0", k编辑框2, L"00", L"0", L"0"},
        {"23:59", k编辑框1, L"23", k编辑框2, L"59", L"23", L"59"},
    }};
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = LaunchClearOfPointer(ctx);
        const HWND window = MainWindowOf(app);
        if (!TypeInto(window, row.firstField, row.firstText)) continue;
        if (!TypeInto(window, row.focusedField, row.focusedText)) continue;
        if (!ClickControl(window, k超级按钮1)) continue;
        WaitFor([&] { return InState(window, true) || MessageBoxOf(app.ProcessId()) != nullptr; });
        if (const HWND box = MessageBoxOf(app.ProcessId())) {
            CHECK(false, "refused with ", TextOf(GetDlgItem(box, 0xFFFF)));
            Dismiss(box);
            continue;
        }
        CheckState(window, true);
        CHECK_EQ(TextOf(GetDlgItem(window, k编辑框1)), std::wstring(row.hour), "hour armed");
        CHECK_EQ(TextOf(GetDlgItem(window, k编辑框2)), std::wstring(row.minute), "minute armed");
        ctx.EndApps();
    }
}

// Each refusal is one stop-icon box with the exact text and title, owned by
// no window and modal for the program's thread, with the clock ticking behind
// it; after OK the program is idle as before, its texts untouched.
E2E_CASE(suite_buttons, start_refuses_empty_or_impossible_target) {
    struct Row {
        const char* name;
        const wchar_t* hour;
        const wchar_t* minute;
        const wchar_t* message;
    };
    const std::array<Row, 8> rows{{
        {"hour empty", L"", L"30", kEmptyText},
        {"minute empty", L"12", L"", kEmptyText},
        {"both empty", L"", L"", kEmptyText},
        {"hour 24", L"24", L"30", kInvalidText},
        {"minute 60", L"12", L"60", kInvalidText},
        {"hour -5", L"-5", L"30", kInvalidText},
        {"minute -1", L"12", L"-1", kInvalidText},
        {"99:99", L"99", L"99", kInvalidText},
    }};
    bool first = true;
    for (const Row& row : rows) {
        const Context::Note note(ctx, row.name);
        const App& app = LaunchClearOfPointer(ctx);
        const HWND window = MainWindowOf(app);
        const HWND hour = GetDlgItem(window, k编辑框1);
        const HWND minute = GetDlgItem(window, k编辑框2);
        REQUIRE(SetText(hour, row.hour) && SetText(minute, row.minute));
        if (!ClickControl(window, k超级按钮1)) continue;
        const HWND box = WaitForBox(app);
        if (!CHECK(box != nullptr, "no message box")) {
            CheckState(window, false);
            continue;
        }
        CHECK_EQ(TextOf(GetDlgItem(box, 0xFFFF)), std::wstring(row.message), "message");
        CHECK_EQ(TextOf(box), std::wstring(kTitle), "title");
        CHECK(GetWindow(box, GW_OWNER) == nullptr, "the box has an owner");
        CHECK(!IsWindowEnabled(window), "the main window takes input while the box is up");
        if (first) {
            ClockKeepsTicking(window);
            if (const auto picture = ctx.ScreenshotOf(box, "message-box")) {
                // The box's own face colour, just inside its client area.
                POINT inside{2, 2};
                ClientToScreen(box, &inside);
                const Rect outer = OuterRect(box);
                const COLORREF face = picture->At(inside.x - outer.left, inside.y - outer.top);
                const auto stop = IconOn(LoadIconW(nullptr, IDI_HAND), face);
                const auto warning = IconOn(LoadIconW(nullptr, IDI_EXCLAMATION), face);
                REQUIRE(stop && warning, "cannot draw the system's icons");
                const RECT all{0, 0, picture->width, picture->height};
                CHECK(FindSprite(*picture, *stop, all).has_value(), "the box shows no stop icon");
                CHECK(!FindSprite(*picture, *warning, all).has_value(), "the box shows the warning icon");
            }
            first = false;
        }
        if (!Dismiss(box)) continue;
        CHECK(WaitFor([&] { return Settled(window); }), "the program did not answer after the box");
        CHECK(MessageBoxOf(app.ProcessId()) == nullptr, "a second message box came up");
        CHECK(IsWindowEnabled(window), "the main window stayed disabled");
        CheckState(window, false);
        CHECK_EQ(TextOf(hour), std::wstring(row.hour), "hour text");
        CHECK_EQ(TextOf(minute), std::wstring(row.minute), "minute text");
        ctx.EndApps();
    }
}

// Armed and idle as the five controls show them, in their state and in the
// picture: a disabled button's caption is engraved grey, an enabled one green.
// Cancel keeps the target, so the start button arms it again unchanged.
E2E_CASE(suite_buttons, arm_cancel_and_arm_again) {
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    const HWND hour = GetDlgItem(window, k编辑框1);
    const HWND minute = GetDlgItem(window, k编辑框2);
    const std::wstring target = OtherHour();

    REQUIRE(CheckState(window, false));
    if (const auto idle = SettledPicture(window, "idle")) CheckButtonLooks(*idle, window, false);

    // Disabled buttons take no click: neither cancel nor hide does anything while idle.
    REQUIRE(ClickControl(window, k超级按钮2) && ClickControl(window, k超级按钮3));
    REQUIRE(TypeInto(window, k编辑框1, target.c_str()) && TypeInto(window, k编辑框2, L"45"));
    REQUIRE(ClickControl(window, k超级按钮1));
    REQUIRE(CheckState(window, true));
    CHECK(IsWindowVisible(window), "the click on the disabled hide button hid the window");
    CHECK(MessageBoxOf(app.ProcessId()) == nullptr, "a message box came up");
    CHECK_EQ(TextOf(hour), target, "hour while armed");
    CHECK_EQ(TextOf(minute), std::wstring(L"45"), "minute while armed");
    if (const auto armed = SettledPicture(window, "armed")) CheckButtonLooks(*armed, window, true);

    // The start button, disabled now, takes no click either.
    REQUIRE(ClickControl(window, k超级按钮1));
    REQUIRE(ClickControl(window, k超级按钮2));
    REQUIRE(CheckState(window, false));
    CHECK_EQ(TextOf(hour), target, "hour after cancel");
    CHECK_EQ(TextOf(minute), std::wstring(L"45"), "minute after cancel");
    // Cancel enables the start button before it disables itself, so the focus lands there.
    WaitFor([&] { return FocusedControlId(window) == k超级按钮1; });
    CHECK_EQ(FocusedControlId(window), static_cast<int>(k超级按钮1), "focus after cancel");

    REQUIRE(ClickControl(window, k超级按钮1));
    CHECK(CheckState(window, true), "arming again");
    CHECK_EQ(TextOf(hour), target, "hour armed again");
    CHECK_EQ(TextOf(minute), std::wstring(L"45"), "minute armed again");
}

// What the edge rows of a button show: the bottom and the top line inside it.
struct Edge {
    bool bottomShadow = false;  // raised: highlight top and left, shadow bottom and right
    bool topShadow = false;     // sunken: the other way round
    friend bool operator==(const Edge&, const Edge&) = default;
};

void Describe(std::ostream& out, const Edge& e) {
    out << (e.topShadow ? "sunken" : e.bottomShadow ? "raised" : "flat");
}

std::optional<Edge> EdgeOf(HWND button) {
    const Rect r = OuterRect(button);
    const auto image = CaptureScreen({r.left, r.top, r.left + r.width, r.top + r.height});
    if (!image) return std::nullopt;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const auto row = [&](int y) {
        for (int x = 2; x < image->width - 2; ++x) {
            if (image->At(x, y) != shadow) return false;
        }
        return true;
    };
    return Edge{row(image->height - 1), row(0)};
}

bool WaitEdge(HWND button, Edge wanted, const char* when) {
    WaitFor([&] { return EdgeOf(button) == wanted; }, milliseconds{2000});
    return CHECK_EQ(EdgeOf(button).value_or(Edge{true, true}), wanted, "edge ", when);
}

POINT ScreenCentre(HWND control) {
    const Rect r = OuterRect(control);
    return {r.left + r.width / 2, r.top + r.height / 2};
}

// A button is flat until the pointer comes over it, raised while it stays
// there, sunken while pressed; moving off before releasing is no click. A
// disabled button shows no edge under the pointer.
E2E_CASE(suite_buttons, edges_follow_pointer_and_press) {
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    const HWND start = GetDlgItem(window, k超级按钮1);
    const HWND cancel = GetDlgItem(window, k超级按钮2);
    REQUIRE(MovePointer(BesideWindow(window)));
    REQUIRE(WaitEdge(start, {false, false}, "with the pointer away"));

    REQUIRE(MovePointer(ScreenCentre(start)));
    WaitEdge(start, {true, false}, "with the pointer over it");
    ctx.ScreenshotOf(window, "hot");
    REQUIRE(MovePointer(BesideWindow(window)));
    WaitEdge(start, {false, false}, "after the pointer left");

    // Over the disabled cancel button, then over the start button: once that
    // one is raised, the move over the first has been handled too.
    REQUIRE(MovePointer(ScreenCentre(cancel)));
    REQUIRE(MovePointer(ScreenCentre(start)));
    WaitEdge(start, {true, false}, "with the pointer back over it");
    CHECK_EQ(EdgeOf(cancel).value_or(Edge{true, true}), (Edge{false, false}), "edge of the disabled button");

    REQUIRE(MouseButtonAt(ScreenCentre(start), MouseButton::Left, true));
    WaitEdge(start, {false, true}, "while pressed");
    ctx.ScreenshotOf(window, "pressed");

    // Off the button onto the bare window, then released there.
    POINT away{120, 45};
    ClientToScreen(window, &away);
    REQUIRE(MovePointer(away));
    WaitFor([&] { return !EdgeOf(start).value_or(Edge{true, true}).topShadow; }, milliseconds{2000});
    CHECK(!EdgeOf(start).value_or(Edge{true, true}).topShadow, "still sunken with the pointer moved off");
    REQUIRE(MouseButtonAt(away, MouseButton::Left, false));
    // Both fields are empty: a click would have brought up the refusal, and the
    // Tab after it would then go to the box, not on to 编辑框1.
    REQUIRE(Press(window, {Key(VK_TAB)}));
    WaitFor([&] { return FocusedControlId(window) == k编辑框1 || MessageBoxOf(app.ProcessId()) != nullptr; });
    CHECK(MessageBoxOf(app.ProcessId()) == nullptr, "the release off the button clicked it");
    CHECK_EQ(FocusedControlId(window), static_cast<int>(k编辑框1), "focus after Tab");
}

// Hiding takes the window off the screen while the program runs on, armed,
// its clock ticking.
E2E_CASE(suite_buttons, hide_keeps_clock_running) {
    const App& app = LaunchClearOfPointer(ctx);
    const HWND window = MainWindowOf(app);
    REQUIRE(SetText(GetDlgItem(window, k编辑框1), OtherHour()) && SetText(GetDlgItem(window, k编辑框2), L"30"));
    REQUIRE(ClickControl(window, k超级按钮1));
    REQUIRE(CheckState(window, true));
    REQUIRE(ClickControl(window, k超级按钮3));
    CHECK(WaitFor([&] { return !IsWindowVisible(window); }), "the window is still visible");
    CHECK(app.Running() && IsWindow(window), "the program ended");
    CHECK(TopLevelWindowsOf(app.ProcessId(), L"TimelockMainWindow").size() == 1, "the window was replaced");
    ClockKeepsTicking(window);
    CheckState(window, true);
    CHECK(MessageBoxOf(app.ProcessId()) == nullptr, "a message box came up");
}

// The studio label hands its address to the shell on the press, once per
// press, with the main window's process as the one asking; a double click
// opens once; a right click and the two unit labels never. Each row ends with
// a plain press elsewhere on the studio label: once its page has arrived,
// everything before it has been handled too.
E2E_CASE(suite_buttons, studio_label_opens_page_once_per_press) {
    const auto userBefore = HttpsCommandOf(HKEY_CURRENT_USER);
    const auto machineBefore = HttpsCommandOf(HKEY_LOCAL_MACHINE);
    {
        const HandlerFolder handler;
        REQUIRE(handler.Ok(), "could not copy timelock_e2e_recorder.exe from beside the driver");
        // The current user's class wins on Windows; Wine's shell reads only the machine's.
        const HttpsHandlerOverride user(HKEY_CURRENT_USER, handler.Exe());
        const HttpsHandlerOverride machine(HKEY_LOCAL_MACHINE, handler.Exe());
        REQUIRE(user.Ok() || machine.Ok(), "could not register the recorder for https");

        enum class Action { Press, CtrlPress, ShiftPress, DoubleClick, RightClick, UnitLabelHour, UnitLabelMinute };
        struct Row {
            const char* name;
            Action action;
            int opened;
        };
        const std::array<Row, 7> rows{{
            {"press", Action::Press, 1},
            {"press with Ctrl", Action::CtrlPress, 1},
            {"press with Shift", Action::ShiftPress, 1},
            {"double click", Action::DoubleClick, 1},
            {"right click", Action::RightClick, 0},
            {"press on 时", Action::UnitLabelHour, 0},
            {"press on 分", Action::UnitLabelMinute, 0},
        }};
        const App& app = LaunchClearOfPointer(ctx);
        const HWND window = MainWindowOf(app);
        const Rect label = RectInParent(GetDlgItem(window, k透明标签1));
        // Rows press at either end in turn, so that no press makes a double click with the row before.
        const std::array<POINT, 2> points{{{label.left + 30, label.top + label.height / 2},
                                           {label.left + label.width - 30, label.top + label.height / 2}}};
        const std::string command = Utf8(L"\"" + handler.Exe() + L"\" \"" + kStudioAddress + L"\"");

        for (std::size_t i = 0; i < rows.size(); ++i) {
            const Row& row = rows[i];
            const Context::Note note(ctx, row.name);
            const POINT point = points[i % points.size()];
            handler.ClearRecords();
            bool sent = false;
            switch (row.action) {
            case Action::Press:
                sent = Click(window, point);
                break;
            case Action::CtrlPress:
                sent = Click(window, point, MouseButton::Left, 1, VK_CONTROL);
                break;
            case Action::ShiftPress:
                sent = Click(window, point, MouseButton::Left, 1, VK_SHIFT);
                break;
            case Action::DoubleClick:
                sent = Click(window, point, MouseButton::Left, 2);
                break;
            case Action::RightClick:
                sent = Click(window, point, MouseButton::Right);
                break;
            case Action::UnitLabelHour:
                sent = Click(window, CentreInParent(GetDlgItem(window, k透明标签2)));
                break;
            case Action::UnitLabelMinute:
                sent = Click(window, CentreInParent(GetDlgItem(window, k透明标签3)));
                break;
            }
            REQUIRE(sent, "could not send the mouse input");
            // Input is handled in order and the shell is called inside the press: once a Tab
            // pressed after the clicks has moved the focus, every handler they asked for has started.
            const int focus = FocusedControlId(window);
            REQUIRE(Press(window, {Key(VK_TAB)}));
            REQUIRE(WaitFor([&] { return FocusedControlId(window) != focus; }), "Tab did not move the focus");
            WaitFor([&] {
                return handler.ReadRecords().size() >= static_cast<std::size_t>(row.opened) && HandlersRunning() == 0;
            });
            const auto records = handler.ReadRecords();
            CHECK_EQ(static_cast<int>(records.size()), row.opened, "pages opened");
            for (const std::string& record : records) {
                CHECK_EQ(Field(record, "command"), command, "how the handler was started");
                CHECK_EQ(Field(record, "show"), std::string("1"), "show state (SW_SHOWNORMAL)");
                CHECK_EQ(Field(record, "parent"), std::to_string(app.ProcessId()), "started by");
            }
            CHECK(IsWindowVisible(window) && app.Running(), "the program went away");
            CHECK_EQ(GetForegroundWindow(), window, "the main window lost the foreground");
        }
    }
    CHECK_EQ(HttpsCommandOf(HKEY_CURRENT_USER).value_or(L"<none>"), userBefore.value_or(L"<none>"),
             "the user's https handler afterwards");
    CHECK_EQ(HttpsCommandOf(HKEY_LOCAL_MACHINE).value_or(L"<none>"), machineBefore.value_or(L"<none>"),
             "the machine's https handler afterwards");
}

}  // namespace
