// The lock: what the program starts in the chosen minute, from where, how often
// and how; what it does once the minute is over; that closing it while armed
// ends it for good; and that a rundll32.exe beside it is never taken.
//
// The prefix's rundll32.exe is swapped for timelock_e2e_recorder.exe, which
// leaves one record per start; Wine runs that file only with the native
// override. The program's clock starts a few seconds before the minute through
// libfaketime, so a case waits seconds, not hours. Both have to be in the
// program's Unix environment, hence App::StartFromUnix.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"
#include "tests/e2e/program.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using std::chrono::duration_cast;

constexpr wchar_t kLockCommandLine[] = L"rundll32.exe user32.dll,LockWorkStation";
constexpr wchar_t kLibFaketime[] = L"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
// A check comes at most ten seconds after the minute turns; the clock field
// shows the turn up to a second late and the recorder takes a moment to start.
constexpr milliseconds kWithinACheck{12000};
// How far the moment the driver sees something may trail the moment it happened.
constexpr milliseconds kSeenLate{1500};

long long Ms(Clock::duration d) { return duration_cast<milliseconds>(d).count(); }

bool SamePath(std::wstring a, std::wstring b) {
    while (a.size() > 3 && a.back() == L'\\') a.pop_back();
    while (b.size() > 3 && b.back() == L'\\') b.pop_back();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring SystemFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetSystemDirectoryW(path.data(), MAX_PATH));
    return path;
}

std::wstring RecorderExe() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return FolderOf(path) + L"\\timelock_e2e_recorder.exe";
}

std::wstring Environment(const wchar_t* name) {
    std::wstring value(32768, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// One start of a recorder, as it wrote it down.
struct Record {
    std::wstring module;
    std::wstring commandLine;
    std::wstring directory;
    DWORD parent = 0;
    DWORD startFlags = 0;
    DWORD show = 0;
    Clock::time_point seenAt;
};

// The records a recorder leaves in "lock-records" beside itself, each with the
// moment the driver first saw it.
class Records {
public:
    explicit Records(std::wstring folder) : folder_(std::move(folder)) {}

    const std::wstring& Folder() const noexcept { return folder_; }

    void Poll() {
        const auto now = Clock::now();
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder_), error)) {
            if (entry.path().extension() != L".txt") continue;
            if (!seen_.insert(entry.path().filename().wstring()).second) continue;
            all_.push_back(Read(entry.path(), now));
        }
    }

    const std::vector<Record>& All() const noexcept { return all_; }

    std::vector<Record> StartedBy(DWORD processId) const {
        std::vector<Record> out;
        std::copy_if(all_.begin(), all_.end(), std::back_inserter(out),
                     [&](const Record& r) { return r.parent == processId; });
        return out;
    }

    void Remove() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(folder_), ignored);
        seen_.clear();
        all_.clear();
    }

private:
    static Record Read(const std::filesystem::path& file, Clock::time_point seenAt) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        Record record;
        record.seenAt = seenAt;
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            const std::wstring line = Wide(std::string_view(bytes).substr(start, end - start));
            start = end + 1;
            const std::size_t equals = line.find(L'=');
            if (equals == std::wstring::npos) continue;
            const std::wstring key = line.substr(0, equals);
            const std::wstring value = line.substr(equals + 1);
            const auto number = [&] { return static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10)); };
            if (key == L"module") record.module = value;
            if (key == L"command") record.commandLine = value;
            if (key == L"directory") record.directory = value;
            if (key == L"parent") record.parent = number();
            if (key == L"flags") record.startFlags = number();
            if (key == L"show") record.show = number();
        }
        return record;
    }

    std::wstring folder_;
    std::set<std::wstring> seen_;
    std::vector<Record> all_;
};

// The system's rundll32.exe swapped for the recorder for one case; the original
// comes back when the case ends.
class SystemRecorder {
public:
    SystemRecorder()
        : path_(SystemFolder() + L"\\rundll32.exe"),
          backup_(path_ + L".timelock-e2e"),
          records_(SystemFolder() + L"\\lock-records") {
        // A backup left by a case that never restored is the original.
        if (!Exists(backup_)) CopyFileW(path_.c_str(), backup_.c_str(), TRUE);
        installed_ = Exists(backup_) && CopyFileW(RecorderExe().c_str(), path_.c_str(), FALSE);
        records_.Remove();
    }
    SystemRecorder(const SystemRecorder&) = delete;
    SystemRecorder& operator=(const SystemRecorder&) = delete;
    ~SystemRecorder() {
        // A recorder still writing its record holds the file for a moment.
        const bool restored =
            WaitFor([&] { return CopyFileW(backup_.c_str(), path_.c_str(), FALSE) != FALSE; }, milliseconds{3000});
        if (restored) {
            DeleteFileW(backup_.c_str());
        } else {
            WriteLine(Message("  could not put back ", path_, " from ", backup_));
        }
        records_.Remove();
    }

    bool Installed() const noexcept { return installed_; }
    const std::wstring& Path() const noexcept { return path_; }
    Records& Seen() noexcept { return records_; }

private:
    std::wstring path_;
    std::wstring backup_;
    Records records_;
    bool installed_ = false;
};

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Checked before anything is swapped: on Windows itself the system's file stays alone.
void RequireSetting() {
    REQUIRE(UnderWine(),
            "the lock cases swap the system's rundll32.exe and fake the clock: run them under Wine "
            "with scripts/e2e.sh");
    REQUIRE(Exists(RecorderExe()), "the recorder is missing: ", RecorderExe());
    REQUIRE(Exists(L"Z:" + std::filesystem::path(kLibFaketime).make_preferred().wstring()), "libfaketime is missing (",
            kLibFaketime, "); install the packages faketime and libfaketime (scripts/install-deps.sh)");
}

void RequireInstalled(const SystemRecorder& recorder) {
    REQUIRE(recorder.Installed(), "could not put the recorder in place of ", recorder.Path());
}

// The program with its local clock starting at `fakeStart` ("2026-12-11 14:29:46")
// and rundll32.exe loaded from the prefix's file, so the recorder runs in its place.
App& LaunchAt(Context& ctx, const std::wstring& exe, const wchar_t* fakeStart) {
    std::wstring overrides = Environment(L"WINEDLLOVERRIDES");
    if (!overrides.empty()) overrides += L";";
    overrides += L"rundll32.exe=n";
    return ctx.LaunchFromUnix(exe, {L"LD_PRELOAD=" + std::wstring(kLibFaketime),
                                    L"FAKETIME=@" + std::wstring(fakeStart), L"WINEDLLOVERRIDES=" + overrides});
}

std::wstring TextOf(HWND window, int id) { return Text(GetDlgItem(window, id)).value_or(L"<no answer>"); }
bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

bool ShowsArmed(HWND window) {
    return !Enabled(window, k超级按钮1) && TextOf(window, k超级按钮1) == L"运行中..." && !Enabled(window, k编辑框1) &&
           !Enabled(window, k编辑框2) && Enabled(window, k超级按钮2) && Enabled(window, k超级按钮3);
}

bool ShowsIdle(HWND window) {
    return Enabled(window, k超级按钮1) && TextOf(window, k超级按钮1) == L"开启锁屏" && Enabled(window, k编辑框1) &&
           Enabled(window, k编辑框2) && !Enabled(window, k超级按钮2) && !Enabled(window, k超级按钮3);
}

std::string StateOf(HWND window) {
    return Message("超级按钮1 ", Enabled(window, k超级按钮1) ? "enabled " : "disabled ", TextOf(window, k超级按钮1),
                   ", 编辑框1/2 ", Enabled(window, k编辑框1) ? "enabled" : "disabled", "/",
                   Enabled(window, k编辑框2) ? "enabled" : "disabled", ", 超级按钮2 ",
                   Enabled(window, k超级按钮2) ? "enabled" : "disabled", ", 超级按钮3 ",
                   Enabled(window, k超级按钮3) ? "enabled" : "disabled");
}

bool ClockShows(HWND window, const wchar_t* hour, const wchar_t* minute) {
    return TextOf(window, k编辑框3) == hour && TextOf(window, k编辑框4) == minute;
}

// Waits for the program's clock to show the faked time: proof that libfaketime took.
void RequireFakedClock(HWND window, const wchar_t* hour, const wchar_t* minute) {
    WaitFor([&] { return ClockShows(window, hour, minute); }, milliseconds{3000});
    REQUIRE(ClockShows(window, hour, minute), "the program's clock shows ", TextOf(window, k编辑框3), ":",
            TextOf(window, k编辑框4), ", not the faked ", hour, ":", minute, ": libfaketime did not take");
}

bool SetField(HWND window, int id, const wchar_t* text) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               2000, &result) != 0;
}

// Types the targets and presses 开启锁屏; true once the window shows it is armed.
bool Arm(HWND window, const wchar_t* hour, const wchar_t* minute) {
    if (!CHECK(SetField(window, k编辑框1, hour) && SetField(window, k编辑框2, minute), "could not set the targets")) {
        return false;
    }
    if (!CHECK(PostMessageW(GetDlgItem(window, k超级按钮1), BM_CLICK, 0, 0))) return false;
    WaitFor([&] { return ShowsArmed(window); });
    return CHECK(ShowsArmed(window), "not armed for ", hour, ":", minute, ": ", StateOf(window));
}

// Every record is a start of the system's rundll32.exe with the lock command
// line, in the normal show state, by `parent`, from the program's folder.
void CheckLockStarts(const std::vector<Record>& records, DWORD parent, const std::wstring& programFolder) {
    const std::wstring system = SystemFolder() + L"\\rundll32.exe";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        const Context::Note note(Current(), Message("start ", i + 1));
        CHECK_EQ(r.commandLine, std::wstring(kLockCommandLine), "command line");
        CHECK(SamePath(r.module, system), "ran ", r.module, ", not ", system);
        CHECK_EQ(r.parent, parent, "started by");
        CHECK(SamePath(r.directory, programFolder), "current directory ", r.directory, ", not ", programFolder);
        CHECK((r.startFlags & STARTF_USESHOWWINDOW) != 0, "STARTF_USESHOWWINDOW not set: flags ", r.startFlags);
        CHECK_EQ(r.show, DWORD{SW_SHOWNORMAL}, "show state");
    }
}

void CheckNoOtherStarts(const Records& records, const std::set<DWORD>& parents) {
    for (const Record& r : records.All()) {
        CHECK(parents.contains(r.parent), "a start by process ", r.parent, ", none of ", parents.size(),
              " expected: ", r.module, " ", r.commandLine);
    }
}

// How a row takes the window away while armed.
enum class Away { Hidden, Minimised };

struct MinuteRow {
    const char* name;
    const wchar_t* fakeStart;
    std::array<const wchar_t*, 2> clockAtStart;
    std::array<const wchar_t*, 2> target;
    std::array<const wchar_t*, 2> clockAfter;  // the first minute after the target
    Away away;
};

// One armed program followed through its target minute, poll by poll.
struct Follow : MinuteRow {
    explicit Follow(const MinuteRow& row) : MinuteRow(row) {}

    const App* app = nullptr;
    HWND window = nullptr;
    Rect placeWhenHidden;
    std::optional<Clock::time_point> minuteBegan;
    std::optional<Clock::time_point> minuteOver;
    std::optional<Clock::time_point> idleAt;
    std::optional<Clock::time_point> backAt;

    bool Done() const { return idleAt && backAt; }

    void Poll() {
        const auto now = Clock::now();
        if (!minuteBegan && ClockShows(window, target[0], target[1])) minuteBegan = now;
        if (!minuteOver && ClockShows(window, clockAfter[0], clockAfter[1])) minuteOver = now;
        if (!idleAt && ShowsIdle(window)) idleAt = now;
        if (idleAt && !backAt && Back()) backAt = now;
    }

    // Hidden comes back shown where it was; minimised stays minimised.
    bool Back() const {
        if (!IsWindowVisible(window)) return false;
        return away == Away::Hidden ? !IsIconic(window) : IsIconic(window) != FALSE;
    }
};

// Armed for the next minute with the window out of sight: every check in that
// minute starts the lock, none before or after it, and the first check after it
// disarms and brings the window back. Minute 59 ends at minute 0 of the next
// hour, here across midnight; minute 9 ends at 10, which sorts before "9" as
// text. The rows run side by side, told apart by the recorder's parent process.
E2E_CASE(suite_lock, locks_in_the_minute_then_comes_back) {
    RequireSetting();
    SystemRecorder recorder;
    RequireInstalled(recorder);
    constexpr std::array<MinuteRow, 3> kRows{{
        {"14:30, hidden", L"2026-12-11 14:29:46", {L"14", L"29"}, {L"14", L"30"}, {L"14", L"31"}, Away::Hidden},
        {"23:59, hidden, over midnight",
         L"2026-12-11 23:58:46",
         {L"23", L"58"},
         {L"23", L"59"},
         {L"0", L"0"},
         Away::Hidden},
        {"8:09, minimised", L"2026-12-11 08:08:46", {L"8", L"8"}, {L"8", L"9"}, {L"8", L"10"}, Away::Minimised},
    }};
    std::vector<Follow> rows(kRows.begin(), kRows.end());
    const std::wstring programFolder = FolderOf(ctx.AppExe());

    int column = 0;
    for (Follow& row : rows) {
        const Context::Note note(ctx, row.name);
        row.app = &LaunchAt(ctx, ctx.AppExe(), row.fakeStart);
        row.window = MainWindowOf(*row.app);
        REQUIRE(row.window != nullptr);
        RequireFakedClock(row.window, row.clockAtStart[0], row.clockAtStart[1]);
        REQUIRE(Arm(row.window, row.target[0], row.target[1]));
        // Off the centre and apart: the window must come back where it was
        // hidden, and each picture must show its own window.
        const int left = 100 + 300 * column++;
        REQUIRE(SetWindowPos(row.window, nullptr, left, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        REQUIRE(WaitFor([&] { return OuterRect(row.window).left == left && OuterRect(row.window).top == 120; }),
                "could not move the window: ", OuterRect(row.window));
        row.placeWhenHidden = OuterRect(row.window);
        if (row.away == Away::Hidden) {
            REQUIRE(PostMessageW(GetDlgItem(row.window, k超级按钮3), BM_CLICK, 0, 0));
            REQUIRE(WaitFor([&] { return !IsWindowVisible(row.window); }), "隐藏运行 did not hide the window");
        } else {
            REQUIRE(PostMessageW(row.window, WM_SYSCOMMAND, SC_MINIMIZE, 0));
            REQUIRE(WaitFor([&] { return IsIconic(row.window) != FALSE; }), "the window would not minimise");
        }
    }

    // Fourteen seconds to the end of the start minute, sixty of the target
    // minute, one check after it, and room.
    const auto allDone = [&] {
        recorder.Seen().Poll();
        bool done = true;
        for (Follow& row : rows) {
            row.Poll();
            done = done && row.Done();
        }
        return done;
    };
    WaitFor(allDone, milliseconds{105000});

    for (Follow& row : rows) {
        const Context::Note note(ctx, row.name);
        const auto records = recorder.Seen().StartedBy(row.app->ProcessId());
        if (!CHECK(row.minuteBegan && row.minuteOver, "the program's clock never showed ", row.target[0], ":",
                   row.target[1], " and then ", row.clockAfter[0], ":", row.clockAfter[1])) {
            continue;
        }
        const auto began = *row.minuteBegan;
        const auto over = *row.minuteOver;
        WriteLine(Message("  ", row.name, ": ", records.size(), " lock starts; first ",
                          records.empty() ? -1 : Ms(records.front().seenAt - began), " ms into the minute; idle ",
                          row.idleAt ? Ms(*row.idleAt - over) : -1, " ms after it"));

        // A check every ten seconds puts six in any one minute; a check held up
        // by the previous start's wait for input idle may push one out.
        CHECK(records.size() >= 5 && records.size() <= 6, "lock starts in the minute: ", records.size());
        CheckLockStarts(records, row.app->ProcessId(), programFolder);
        if (!records.empty()) {
            CHECK(records.front().seenAt - began <= kWithinACheck, "first lock start ",
                  Ms(records.front().seenAt - began), " ms after the minute began");
        }
        for (const Record& r : records) {
            CHECK(r.seenAt >= began - kSeenLate, "a lock start ", Ms(began - r.seenAt), " ms before the minute");
            CHECK(r.seenAt <= over + kSeenLate, "a lock start ", Ms(r.seenAt - over), " ms after the minute");
        }

        if (!CHECK(row.idleAt.has_value(), "still armed after the minute: ", StateOf(row.window))) continue;
        CHECK(*row.idleAt >= over - kSeenLate, "disarmed ", Ms(over - *row.idleAt), " ms before the minute was over");
        CHECK(*row.idleAt - over <= kWithinACheck, "disarmed ", Ms(*row.idleAt - over), " ms after the minute");
        if (row.away == Away::Hidden) {
            CHECK(row.backAt.has_value() && IsWindowVisible(row.window),
                  "the window hidden while armed is still hidden once idle");
            CHECK(!IsIconic(row.window), "the window came back minimised");
            CHECK_EQ(OuterRect(row.window), row.placeWhenHidden, "the window came back elsewhere");
            ctx.ScreenshotOf(row.window, Message("back-", Utf8(row.target[0]), "-", Utf8(row.target[1])));
        } else {
            CHECK(row.backAt.has_value() && IsIconic(row.window),
                  "the window minimised while armed did not stay minimised: visible ",
                  IsWindowVisible(row.window) != FALSE, ", iconic ", IsIconic(row.window) != FALSE);
        }
    }
    std::set<DWORD> ours;
    for (const Follow& row : rows) ours.insert(row.app->ProcessId());
    CheckNoOtherStarts(recorder.Seen(), ours);
}

// Armed for the current minute and closed before its first check: the process
// ends and nothing is started, then or after the minute. The row left open
// shows that in this very setting a lock would have been seen.
E2E_CASE(suite_lock, closing_while_armed_never_locks) {
    RequireSetting();
    SystemRecorder recorder;
    RequireInstalled(recorder);
    enum class Close { LeftOpen, Esc, AltF4, PostedClose };
    struct Row {
        const char* name;
        Close close;
        const App* app;
        HWND window;
        Clock::time_point armedAt;
    };
    std::array<Row, 4> rows{{
        {"left open", Close::LeftOpen, nullptr, nullptr, {}},
        {"Esc", Close::Esc, nullptr, nullptr, {}},
        {"Alt+F4", Close::AltF4, nullptr, nullptr, {}},
        {"WM_CLOSE", Close::PostedClose, nullptr, nullptr, {}},
    }};
    for (Row& row : rows) {
        const Context::Note note(ctx, row.name);
        row.app = &LaunchAt(ctx, ctx.AppExe(), L"2026-12-11 14:29:40");
        row.window = MainWindowOf(*row.app);
        REQUIRE(row.window != nullptr);
        RequireFakedClock(row.window, L"14", L"29");
        REQUIRE(Arm(row.window, L"14", L"29"));
        row.armedAt = Clock::now();
    }
    for (Row& row : rows) {
        const Context::Note note(ctx, row.name);
        switch (row.close) {
        case Close::LeftOpen:
            continue;
        case Close::Esc:
            REQUIRE(Press(row.window, {Key(VK_ESCAPE)}), "could not press Esc");
            break;
        case Close::AltF4:
            REQUIRE(Press(row.window, {AltKey(VK_F4)}), "could not press Alt+F4");
            break;
        case Close::PostedClose:
            REQUIRE(PostMessageW(row.window, WM_CLOSE, 0, 0));
            break;
        }
        CHECK(row.app->WaitForExit(), "still running ", kDeadline.count(), " ms after the close");
        CHECK_EQ(row.app->ExitCode().value_or(0xDEAD), DWORD{0}, "exit code");
        // Otherwise the first check may have come before the close, and proves nothing.
        REQUIRE(Clock::now() - row.armedAt < milliseconds{9000}, "closed ", Ms(Clock::now() - row.armedAt),
                " ms after arming: too late to tell");
    }

    // The open one locks at its first check and disarms at the first one after
    // 14:30; by then each closed one would have done the same.
    const Row& open = rows[0];
    const bool openDone = WaitFor(
        [&] {
            recorder.Seen().Poll();
            return ShowsIdle(open.window);
        },
        milliseconds{40000});
    recorder.Seen().Poll();
    CHECK(openDone, "the open program never disarmed: ", StateOf(open.window));
    CHECK(!recorder.Seen().StartedBy(open.app->ProcessId()).empty(),
          "the program left open never locked: the setting cannot show a lock");
    CHECK(ClockShows(open.window, L"14", L"30"), "the minute is not over: the clock shows ",
          TextOf(open.window, k编辑框3), ":", TextOf(open.window, k编辑框4));
    for (const Row& row : rows) {
        if (row.close == Close::LeftOpen) continue;
        const Context::Note note(ctx, row.name);
        CHECK(recorder.Seen().StartedBy(row.app->ProcessId()).empty(), "a lock was started after the close");
    }
    CheckNoOtherStarts(recorder.Seen(), {open.app->ProcessId()});
}

// A copy of the program in a folder of its own with a recorder named
// rundll32.exe beside it, in the folder that is also the program's current
// directory: the two places a bare "rundll32.exe" is looked for before the
// system folder. The lock still starts the system's file.
E2E_CASE(suite_lock, planted_rundll32_beside_the_program_is_never_run) {
    RequireSetting();
    SystemRecorder recorder;
    RequireInstalled(recorder);

    std::wstring temp(MAX_PATH, L'\0');
    temp.resize(GetTempPathW(MAX_PATH, temp.data()));
    const std::wstring folder = temp + L"timelock-planted-" + std::to_wstring(GetCurrentProcessId());
    struct Cleanup {
        std::wstring folder;
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(folder), ignored);
        }
    } cleanup{folder};
    const std::wstring program = folder + L"\\timelock.exe";
    const std::wstring planted = folder + L"\\rundll32.exe";
    REQUIRE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    REQUIRE(CopyFileW(ctx.AppExe().c_str(), program.c_str(), FALSE), "could not copy the program to ", program);
    REQUIRE(CopyFileW(RecorderExe().c_str(), planted.c_str(), FALSE), "could not plant ", planted);
    Records plantedRuns(folder + L"\\lock-records");

    const App& app = LaunchAt(ctx, program, L"2026-12-11 14:29:52");
    const HWND window = MainWindowOf(app);
    REQUIRE(window != nullptr);
    RequireFakedClock(window, L"14", L"29");
    REQUIRE(Arm(window, L"14", L"30"));

    const bool locked = WaitFor(
        [&] {
            recorder.Seen().Poll();
            plantedRuns.Poll();
            return !recorder.Seen().StartedBy(app.ProcessId()).empty() || !plantedRuns.All().empty();
        },
        milliseconds{30000});
    plantedRuns.Poll();
    CHECK(plantedRuns.All().empty(), "the planted ", planted, " ran ", plantedRuns.All().size(), " time(s)");
    const auto records = recorder.Seen().StartedBy(app.ProcessId());
    CHECK(locked && !records.empty(), "no lock was started at all");
    CheckLockStarts(records, app.ProcessId(), folder);

    ctx.EndApps();  // the copy cannot be removed while it runs
}

}  // namespace
