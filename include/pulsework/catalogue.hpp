#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/pack_entry.hpp"
#include "pulsework/pattern_info.hpp"

namespace pulsework {

// Every default pattern: the fifteen built-ins, then the pack patterns in
// pack-table order. Built on first use, the same array on every call.
const std::vector<PatternInfo>& catalogue();

// The default pattern `name` (exact bytes) at `pip`. Throws
// std::invalid_argument("Unknown pulsework: " + name) for any other name.
Offset3 sample(std::string_view name, int pip);

// The default pattern `name` at `pip`, or nothing for an unknown name: the
// same answer as sample() without an exception. Allocates nothing.
std::optional<Offset3> try_sample(std::string_view name, int pip) noexcept;

// The function behind the default pattern `name` (exact bytes), or nullptr
// when no default pattern has that name. Never throws or allocates.
Sampler default_sampler(std::string_view name) noexcept;

}  // namespace pulsework
