#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <vector>

#include "pulsework/offset3.hpp"

namespace pulsework::test {

// Bit for bit: +0.0 and -0.0 are told apart.
inline void expect_same(const Offset3& a, const Offset3& b) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.x), std::bit_cast<std::uint64_t>(b.x)) << a.x << " " << b.x;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.y), std::bit_cast<std::uint64_t>(b.y)) << a.y << " " << b.y;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.z), std::bit_cast<std::uint64_t>(b.z)) << a.z << " " << b.z;
}

// Pips that stress the reduction: both ends of the int range and their
// neighbours, and a few cycles either side of zero.
inline std::vector<int> edge_pips() {
    return {INT_MIN, INT_MIN + 1, INT_MIN + 31, -65536, -257, -64, -1, 0, 1, 63, 64, 255, 256,
            65535, INT_MAX - 64, INT_MAX - 1, INT_MAX};
}

}  // namespace pulsework::test
