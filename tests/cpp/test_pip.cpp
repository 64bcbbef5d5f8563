#include <gtest/gtest.h>

#include <climits>

#include "pulsework/pip.hpp"

using pulsework::wrap_pip;

TEST(WrapPip, NonNegativeRemainder) {
    EXPECT_EQ(wrap_pip(-1, 64), 63);
    EXPECT_EQ(wrap_pip(130, 64), 2);
    EXPECT_EQ(wrap_pip(-64, 64), 0);
    EXPECT_EQ(wrap_pip(7, 1), 0);
    EXPECT_EQ(wrap_pip(INT_MIN, 1), 0);
    EXPECT_EQ(wrap_pip(INT_MIN, 3), 1);
    EXPECT_EQ(wrap_pip(INT_MAX, 3), 1);
    EXPECT_EQ(wrap_pip(INT_MIN, INT_MAX), INT_MAX - 1);
    EXPECT_EQ(wrap_pip(INT_MAX, INT_MAX), 0);
}

TEST(WrapPip, PeriodsBelowOneGiveZero) {
    EXPECT_EQ(wrap_pip(7, 0), 0);
    EXPECT_EQ(wrap_pip(7, -5), 0);
    EXPECT_EQ(wrap_pip(INT_MIN, INT_MIN), 0);
}

TEST(WrapPip, Constant) { EXPECT_EQ(pulsework::PIPS_PER_BEAT, 64); }
