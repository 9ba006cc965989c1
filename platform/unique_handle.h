// One move-only owner for every handle kind. A Traits type names the handle
// type, its empty value and how to release it. Builds with TIMELOCK_COUNT_HANDLES
// keep a count of live owners so that leak checks can see it.
#pragma once

#include <utility>

#ifdef TIMELOCK_COUNT_HANDLES
#include <atomic>
#endif

namespace timelock {

#ifdef TIMELOCK_COUNT_HANDLES
inline std::atomic<long> gLiveHandles{0};
#endif

inline long LiveHandleCount() noexcept {
#ifdef TIMELOCK_COUNT_HANDLES
    return gLiveHandles.load();
#else
    return -1;
#endif
}

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) { Count(+1); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) { Count(+1); }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }

    Handle Release() noexcept {
        Count(-1);
        return std::exchange(handle_, Traits::Empty());
    }

    void Reset(Handle handle = Traits::Empty()) noexcept {
        if (handle_ != Traits::Empty()) Traits::Close(handle_);
        Count(-1);
        handle_ = handle;
        Count(+1);
    }

private:
    void Count([[maybe_unused]] long delta) const noexcept {
#ifdef TIMELOCK_COUNT_HANDLES
        if (handle_ != Traits::Empty()) gLiveHandles += delta;
#endif
    }

    Handle handle_ = Traits::Empty();
};

}  // namespace timelock
