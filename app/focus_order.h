// The keyboard focus order: visible, enabled focus stops, by tab number and
// then by definition order, read from the rows and their live flag words.
#pragma once

#include "app/window_definition.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace timelock {

std::vector<std::size_t> FocusOrder(std::span<const Row> rows, std::span<const std::uint8_t> liveFlags);

// The control Tab (forward) or Shift+Tab reaches from `current`, wrapping at
// the ends; from outside the order, the first (or last) member.
std::optional<std::size_t> NextInFocusOrder(std::span<const Row> rows, std::span<const std::uint8_t> liveFlags,
                                            std::optional<std::size_t> current, bool forward);

}  // namespace timelock
