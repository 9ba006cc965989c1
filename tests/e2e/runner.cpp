// The driver's entry point: the case registry, selection by name, running each
// case with its own launches, and the report.
//
//   timelock_e2e.exe [--app PATH] [--artifacts DIR] [--list] [PATTERN...]
//
// A pattern is a suite ("suite_window"), a case ("suite_window.tab_order") or
// either with '*' wildcards. No pattern runs every case.
#include "tests/e2e/e2e.h"
#include "tests/e2e/probe.h"

#include <exception>
#include <filesystem>
#include <utility>

namespace e2e {

namespace {

constexpr wchar_t kMainWindowClass[] = L"TimelockMainWindow";

struct CaseEntry {
    std::string suite;
    std::string name;
    CaseBody body;
    std::string FullName() const { return suite + "." + name; }
};

std::vector<CaseEntry>& Registry() {
    static std::vector<CaseEntry> cases;
    return cases;
}

Context* current = nullptr;

bool GlobMatch(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) return text.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (GlobMatch(pattern.substr(1), text.substr(skip))) return true;
        }
        return false;
    }
    return !text.empty() && pattern.front() == text.front() && GlobMatch(pattern.substr(1), text.substr(1));
}

bool Selected(const CaseEntry& entry, const std::vector<std::string>& patterns) {
    if (patterns.empty()) return true;
    for (const auto& pattern : patterns) {
        if (GlobMatch(pattern, entry.suite) || GlobMatch(pattern, entry.FullName())) return true;
    }
    return false;
}

std::wstring DriverFolder() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path).parent_path().wstring();
}

std::wstring FullPath(const std::wstring& path) {
    std::error_code ignored;
    return std::filesystem::absolute(std::filesystem::path(path), ignored).lexically_normal().wstring();
}

// A failing case leaves a picture of every window it was looking at.
void CaptureAtFailure(Context& context) {
    int index = 0;
    for (const auto& app : context.Apps()) {
        if (!app->Running()) continue;
        for (HWND window : TopLevelWindowsOf(app->ProcessId(), kMainWindowClass)) {
            if (IsWindowVisible(window)) context.ScreenshotOf(window, "at-failure-" + std::to_string(index++));
        }
    }
}

bool RunCase(const CaseEntry& entry, const Options& options) {
    WriteLine("RUN  " + entry.FullName());
    Context context(options, entry.FullName());
    current = &context;
    const auto started = Clock::now();
    try {
        entry.body(context);
    } catch (const Abort&) {
        // The failure is already recorded.
    } catch (const std::exception& error) {
        context.Fail(__FILE__, __LINE__, Message("unexpected exception: ", error.what()));
    }
    if (context.Failed()) CaptureAtFailure(context);
    context.EndApps();
    current = nullptr;
    const auto ms = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    WriteLine(Message(context.Failed() ? "FAIL " : "PASS ", entry.FullName(), " (", ms, " ms)"));
    return !context.Failed();
}

int Usage(std::string_view problem) {
    WriteLine(Message("timelock_e2e: ", problem));
    WriteLine("usage: timelock_e2e [--app PATH] [--artifacts DIR] [--list] [PATTERN...]");
    return 2;
}

int Main(int argc, wchar_t** argv) {
    Options options;
    options.appExe = DriverFolder() + L"\\..\\..\\timelock.exe";
    options.artifactsDir = DriverFolder() + L"\\e2e-artifacts";
    bool list = false;
    std::vector<std::string> patterns;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg = argv[i];
        if (arg == L"--list") {
            list = true;
        } else if ((arg == L"--app" || arg == L"--artifacts") && i + 1 < argc) {
            (arg == L"--app" ? options.appExe : options.artifactsDir) = argv[++i];
        } else if (arg.starts_with(L"--")) {
            return Usage(Message("unknown option ", arg));
        } else {
            patterns.push_back(Utf8(arg));
        }
    }
    options.appExe = FullPath(options.appExe);
    options.artifactsDir = FullPath(options.artifactsDir);

    std::vector<const CaseEntry*> chosen;
    for (const auto& entry : Registry()) {
        if (Selected(entry, patterns)) chosen.push_back(&entry);
    }
    if (list) {
        for (const auto* entry : chosen) WriteLine(entry->FullName());
        return 0;
    }
    if (chosen.empty()) return Usage("no case matches the given names");
    if (GetFileAttributesW(options.appExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return Usage(Message("program under test not found: ", options.appExe));
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(options.artifactsDir), ignored);

    WriteLine(Message("program under test: ", options.appExe));
    int passed = 0;
    int failed = 0;
    for (const auto* entry : chosen) (RunCase(*entry, options) ? passed : failed) += 1;
    WriteLine(Message("e2e: ", passed, " passed, ", failed, " failed"));
    return failed == 0 ? 0 : 1;
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), chars);
    return out;
}

// Unbuffered, so a launcher reading the pipe sees each line as it happens.
void WriteLine(std::string_view line) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = Wide(line) + L"\n";
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        const std::string bytes = std::string(line) + "\n";
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

Registration::Registration(const char* suite, const char* name, CaseBody body) {
    Registry().push_back({suite, name, body});
}

Context& Current() { return *current; }

App& Context::Launch() {
    std::string error;
    auto app = App::Start(options_.appExe, error);
    if (!app) {
        Fail(__FILE__, __LINE__, error);
        throw Abort{};
    }
    apps_.push_back(std::move(app));
    App& started = *apps_.back();
    if (!started.WaitForWindow(kMainWindowClass)) {
        const auto code = started.ExitCode();
        Fail(__FILE__, __LINE__,
             code ? Message("the program exited with code ", static_cast<long>(*code), " before showing its window")
                  : Message("no visible ", std::wstring_view(kMainWindowClass), " window within ", kDeadline.count(),
                            " ms"));
        throw Abort{};
    }
    return started;
}

void Context::EndApps() { apps_.clear(); }

void Context::SaveScreenshot(std::string_view name, const Image& image) {
    const std::wstring path = options_.artifactsDir + L"\\" + Wide(caseName_) + L"-" + Wide(name) + L".bmp";
    if (SaveBmp(image, path)) {
        WriteLine("SCREENSHOT " + Utf8(path));
    } else {
        WriteLine("  could not write " + Utf8(path));
    }
}

std::optional<Image> Context::ScreenshotOf(HWND window, std::string_view name) {
    RECT area{};
    GetWindowRect(window, &area);
    auto image = CaptureSettled(area);
    if (image) SaveScreenshot(name, *image);
    return image;
}

void Context::Fail(const char* file, int line, const std::string& what) {
    ++failures_;
    std::string where = std::filesystem::path(file).filename().string();
    std::string context;
    for (const auto& note : notes_) context += note + ": ";
    WriteLine(Message("  FAIL ", where, ":", line, ": ", context, what));
}

Context::Note::Note(Context& context, std::string text) : context_(context) {
    context_.notes_.push_back(std::move(text));
}

Context::Note::~Note() { context_.notes_.pop_back(); }

}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
    if (GetConsoleWindow()) SetConsoleOutputCP(CP_UTF8);
    try {
        return e2e::Main(argc, argv);
    } catch (const std::exception& error) {
        e2e::WriteLine(e2e::Message("timelock_e2e: ", error.what()));
        return 2;
    }
}
