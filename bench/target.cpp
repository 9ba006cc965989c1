#include "bench/target.h"

#include "bench/stats.h"

#include <psapi.h>

namespace bench {
namespace {

constexpr DWORD kCloseWaitMs = 5000;
constexpr wchar_t kTagPrefix[] = L"timelock-bench-tag=";

HWND VisibleWindowOf(DWORD pid, const wchar_t* windowClass) noexcept {
    for (HWND window = FindWindowExW(nullptr, nullptr, windowClass, nullptr); window;
         window = FindWindowExW(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Target> Target::Start(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& tag) {
    std::unique_ptr<Target> target(new Target());
    target->windowClass_ = windowClass;
    // Neither program reads its command line; the Linux side reads it in /proc.
    std::wstring commandLine = L"\"" + exe + L"\" " + kTagPrefix + tag;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    target->startedAtMs_ = NowMs();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    target->process_.Reset(info.hProcess);
    target->pid_ = info.dwProcessId;
    return target;
}

Target::~Target() { Close(); }

std::optional<double> Target::WaitForWindow(DWORD timeoutMs) {
    const double deadline = startedAtMs_ + timeoutMs;
    for (;;) {
        if (const HWND window = VisibleWindowOf(pid_, windowClass_)) {
            const double seen = NowMs();
            window_ = window;
            return seen;
        }
        if (!Running() || NowMs() > deadline) return std::nullopt;
        // A millisecond's sleep keeps the poll off the core the target starts on.
        Sleep(1);
    }
}

void Target::Close() noexcept {
    if (!process_ || !Running()) return;
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.Get(), window_ ? kCloseWaitMs : 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), kCloseWaitMs);
    }
}

bool Target::Running() const noexcept { return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

std::optional<MemorySample> Target::Memory() const noexcept {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(process_.Get(), &counters, sizeof counters)) return std::nullopt;
    MemorySample sample{counters.WorkingSetSize, 0};
    // Wine reports PrivateUsage as 0, so private bytes are added up the way Windows
    // defines them: committed pages that belong to this process alone.
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQueryEx(process_.Get(), at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) sample.privateBytes += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return sample;
}

}  // namespace bench
