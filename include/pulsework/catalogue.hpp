#pragma once

#include <string_view>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/pattern_info.hpp"

namespace pulsework {

// Every default pattern: the fifteen built-ins, then the pack patterns in
// pack-table order. Built on first use, the same array on every call.
const std::vector<PatternInfo>& catalogue();

// The default pattern `name` (exact bytes) at `pip`. Throws
// std::invalid_argument("Unknown pulsework: " + name) for any other name.
Offset3 sample(std::string_view name, int pip);

}  // namespace pulsework
