#pragma once

#include <cstdint>
#include <string_view>

namespace pulsework {

// A catalogue record. The views never own their text: for default patterns
// they point into static data, for user patterns into the pattern's strings.
struct PatternInfo {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    // How many leading components (x; x and y; x, y and z) may move.
    std::uint8_t dimensions;
};

}  // namespace pulsework
