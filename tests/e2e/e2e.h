// The end-to-end driver's own small framework: named cases grouped in suites,
// checks that record a message and go on (or abort the case), waiting for a
// condition under a deadline, and the per-case launch of the program under test.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Long enough for a cold start of Wine on a loaded two-core machine; a passing
// wait returns as soon as its condition holds.
inline constexpr milliseconds kDeadline{5000};

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view text);

// A rectangle as left, top, width, height, the way the program's layout is written.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Printable forms for check messages.
inline void Describe(std::ostream& out, std::wstring_view text) { out << '"' << Utf8(text) << '"'; }
inline void Describe(std::ostream& out, const std::wstring& text) { Describe(out, std::wstring_view(text)); }
inline void Describe(std::ostream& out, const wchar_t* text) { Describe(out, std::wstring_view(text)); }
inline void Describe(std::ostream& out, std::string_view text) { out << text; }
inline void Describe(std::ostream& out, const std::string& text) { out << text; }
inline void Describe(std::ostream& out, const char* text) { out << text; }
inline void Describe(std::ostream& out, bool value) { out << (value ? "true" : "false"); }
inline void Describe(std::ostream& out, HWND window) { out << "HWND " << static_cast<const void*>(window); }
inline void Describe(std::ostream& out, const Rect& r) {
    out << '(' << r.left << ',' << r.top << ' ' << r.width << 'x' << r.height << ')';
}
template <class T>
requires std::is_arithmetic_v<T>
void Describe(std::ostream& out, T value) {
    if constexpr (sizeof(T) == 1) {
        out << static_cast<int>(value);
    } else {
        out << value;
    }
}
template <class T>
void Describe(std::ostream& out, const std::vector<T>& values) {
    out << '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out << ", ";
        Describe(out, values[i]);
    }
    out << ']';
}

template <class... Parts>
std::string Message(const Parts&... parts) {
    std::ostringstream out;
    (Describe(out, parts), ...);
    return out.str();
}

template <class T>
std::string Shown(const T& value) {
    return Message(value);
}

// The process of the program under test, one per launch. Ending a case ends it too.
class App {
public:
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App();

    // Starts the program; empty with `error` filled when CreateProcessW fails.
    static std::unique_ptr<App> Start(const std::wstring& exe, std::string& error);
    // Starts the program from the Unix side of Wine (/bin/sh, then wine) with
    // `unixEnvironment` ("NAME=value" each) added to its Unix environment, and
    // takes the process by its first visible window of `className`. A Windows
    // environment block cannot do this: LD_PRELOAD and FAKETIME in it never
    // reach a Wine child's Unix side, and WINEDLLOVERRIDES in it is ignored.
    static std::unique_ptr<App> StartFromUnix(const std::wstring& exe, const std::vector<std::wstring>& unixEnvironment,
                                              const wchar_t* className, std::string& error);

    // The program's visible top-level window of the given class, once it exists.
    HWND WaitForWindow(const wchar_t* className, milliseconds deadline = kDeadline) const;
    bool WaitForExit(milliseconds deadline = kDeadline) const;
    bool Running() const;
    std::optional<DWORD> ExitCode() const;

    DWORD ProcessId() const noexcept { return info_.dwProcessId; }
    HANDLE Process() const noexcept { return info_.hProcess; }
    // Taken just before CreateProcessW: every event of the program comes after it.
    Clock::time_point StartedAt() const noexcept { return startedAt_; }

private:
    App() = default;
    PROCESS_INFORMATION info_{};
    Clock::time_point startedAt_{};
};

// A captured piece of the screen, top row first, pixels as COLORREF.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

std::optional<Image> CaptureScreen(const RECT& area);
// Captures until two pictures 100 ms apart agree, so that a window still
// painting its controls is not caught half done; the last one at the deadline.
std::optional<Image> CaptureSettled(const RECT& area, milliseconds deadline = milliseconds{3000});
bool SaveBmp(const Image& image, const std::wstring& path);

// An icon's picture with the pixels its mask leaves opaque.
struct Sprite {
    Image image;
    std::vector<bool> opaque;
};
std::optional<Sprite> RenderIcon(HICON icon);
// The first place in `within` (image coordinates) where every opaque pixel of the sprite matches.
std::optional<POINT> FindSprite(const Image& image, const Sprite& sprite, const RECT& within);

struct Options {
    std::wstring appExe;
    std::wstring artifactsDir;
};

class Context {
public:
    Context(const Options& options, std::string caseName) : options_(options), caseName_(std::move(caseName)) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // A fresh copy of the program with its main window up; aborts the case if it never shows.
    App& Launch();
    // Launch() through App::StartFromUnix; under Wine only.
    App& LaunchFromUnix(const std::wstring& exe, const std::vector<std::wstring>& unixEnvironment);
    // Ends every program this case started, and forgets them.
    void EndApps();
    const std::vector<std::unique_ptr<App>>& Apps() const noexcept { return apps_; }
    const std::wstring& AppExe() const noexcept { return options_.appExe; }

    // Saves the image as "<case>-<name>.bmp" among the artefacts and announces it.
    void SaveScreenshot(std::string_view name, const Image& image);
    // Captures a window as it is on screen, caption and frame included, once its picture has settled.
    std::optional<Image> ScreenshotOf(HWND window, std::string_view name);

    void Fail(const char* file, int line, const std::string& what);
    bool Failed() const noexcept { return failures_ > 0; }
    const std::string& Name() const noexcept { return caseName_; }

    // Prefixes every failure inside its scope, to tell table rows apart.
    class Note {
    public:
        Note(Context& context, std::string text);
        Note(const Note&) = delete;
        Note& operator=(const Note&) = delete;
        ~Note();

    private:
        Context& context_;
    };

private:
    const Options& options_;
    std::string caseName_;
    std::vector<std::unique_ptr<App>> apps_;
    std::vector<std::string> notes_;
    int failures_ = 0;
};

// Thrown by REQUIRE to end the current case; the runner catches it.
struct Abort {};

Context& Current();

// Polls `condition` until it holds or the deadline passes; true when it held.
template <class Condition>
bool WaitFor(Condition&& condition, milliseconds deadline = kDeadline) {
    const auto end = Clock::now() + deadline;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        Sleep(10);
    }
}

using CaseBody = void (*)(Context&);

struct Registration {
    Registration(const char* suite, const char* name, CaseBody body);
};

void WriteLine(std::string_view line);

template <class A, class E>
bool CheckEqual(const A& actual, const E& expected, const char* expression, const char* file, int line,
                const std::string& message) {
    if (actual == expected) return true;
    Current().Fail(file, line,
                   Message(expression, ": expected ", Shown(expected), ", got ", Shown(actual),
                           message.empty() ? "" : " — ", message));
    return false;
}

inline bool CheckTrue(bool ok, const char* expression, const char* file, int line, const std::string& message) {
    if (!ok) Current().Fail(file, line, Message(expression, message.empty() ? "" : " — ", message));
    return ok;
}

}  // namespace e2e

// A case: E2E_CASE(suite_window, tab_order) { ... } with `ctx` in scope.
#define E2E_CASE(suite, name)                                                                                      \
    static void e2e_case_##suite##_##name(::e2e::Context& ctx);                                                    \
    static const ::e2e::Registration e2e_registration_##suite##_##name{#suite, #name, &e2e_case_##suite##_##name}; \
    static void e2e_case_##suite##_##name([[maybe_unused]] ::e2e::Context& ctx)

// CHECK records a failure and goes on; REQUIRE also ends the case. Extra
// arguments are streamed into the failure message.
#define CHECK(cond, ...) \
    ::e2e::CheckTrue(static_cast<bool>(cond), #cond, __FILE__, __LINE__, ::e2e::Message(__VA_ARGS__))
#define CHECK_EQ(actual, expected, ...) \
    ::e2e::CheckEqual((actual), (expected), #actual, __FILE__, __LINE__, ::e2e::Message(__VA_ARGS__))
#define REQUIRE(cond, ...)                                                                                      \
    do {                                                                                                        \
        if (!::e2e::CheckTrue(static_cast<bool>(cond), #cond, __FILE__, __LINE__, ::e2e::Message(__VA_ARGS__))) \
            throw ::e2e::Abort{};                                                                               \
    } while (false)
#define REQUIRE_EQ(actual, expected, ...)                                                                       \
    do {                                                                                                        \
        if (!::e2e::CheckEqual((actual), (expected), #actual, __FILE__, __LINE__, ::e2e::Message(__VA_ARGS__))) \
            throw ::e2e::Abort{};                                                                               \
    } while (false)
