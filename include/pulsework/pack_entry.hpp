#pragma once

#include "pulsework/offset3.hpp"
#include "pulsework/pattern_info.hpp"

namespace pulsework {

// A plain function from pip to position: how a tabulated pattern is read.
using Sampler = Offset3 (*)(int pip);

// One pack pattern: its catalogue record first, so the catalogue copies it
// unchanged, then the function that reads its table.
struct PackEntry {
    PatternInfo info;
    Sampler sampler;
};

}  // namespace pulsework
