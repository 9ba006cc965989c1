#include "app/focus_order.h"

#include <algorithm>

namespace timelock {

std::vector<std::size_t> FocusOrder(std::span<const Row> rows, std::span<const std::uint8_t> liveFlags) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < rows.size() && i < liveFlags.size(); ++i) {
        const std::uint8_t live = liveFlags[i];
        const bool reachable =
            (rows[i].flags & flag::kFocusStop) != 0 && (live & flag::kVisible) != 0 && (live & flag::kDisabled) == 0;
        if (reachable) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [rows](std::size_t a, std::size_t b) { return rows[a].tabNumber < rows[b].tabNumber; });
    return order;
}

std::optional<std::size_t> NextInFocusOrder(std::span<const Row> rows, std::span<const std::uint8_t> liveFlags,
                                            std::optional<std::size_t> current, bool forward) {
    const std::vector<std::size_t> order = FocusOrder(rows, liveFlags);
    if (order.empty()) return std::nullopt;
    const auto at = current ? std::find(order.begin(), order.end(), *current) : order.end();
    if (at == order.end()) return forward ? order.front() : order.back();
    const auto position = static_cast<std::size_t>(at - order.begin());
    const std::size_t next = forward ? (position + 1) % order.size() : (position + order.size() - 1) % order.size();
    return order[next];
}

}  // namespace timelock
