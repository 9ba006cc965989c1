// A program under measurement, started by the driver and found by its window.
#pragma once

#include "platform/win32/handles.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace bench {

struct MemorySample {
    std::uint64_t workingSet = 0;
    std::uint64_t privateBytes = 0;
};

class Target {
public:
    // `tag` goes on the command line as timelock-bench-tag=TAG, so that the Linux
    // side can tell its wine process from any other copy of the same exe: Wine
    // gives a child the Windows environment but not the Unix one.
    static std::unique_ptr<Target> Start(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& tag);

    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    ~Target();

    // Polls until a visible top-level window of the class belongs to the process.
    // Returns the NowMs() at which it was seen, or nothing by the deadline.
    std::optional<double> WaitForWindow(DWORD timeoutMs);

    // Ask nicely, then insist: a stuck target must not stall the run.
    void Close() noexcept;

    bool Running() const noexcept;
    std::optional<MemorySample> Memory() const noexcept;
    double StartedAtMs() const noexcept { return startedAtMs_; }
    DWORD Pid() const noexcept { return pid_; }
    HWND Window() const noexcept { return window_; }

private:
    Target() = default;

    timelock::UniqueKernelHandle process_;
    DWORD pid_ = 0;
    const wchar_t* windowClass_ = nullptr;
    HWND window_ = nullptr;
    double startedAtMs_ = 0;
};

}  // namespace bench
