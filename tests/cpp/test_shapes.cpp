#include <cmath>

#include "pulsework/pip.hpp"
#include "pulsework/shapes.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

struct Shape {
    const char* name;
    pw::Offset3 (*function)(int);
    int period;
};

const Shape shapes[] = {
    {"bounce", pw::bounce, 64},         {"sway", pw::sway, 128},
    {"circle", pw::circle, 64},         {"figure_eight", pw::figure_eight, 128},
    {"step_touch", pw::step_touch, 128}, {"box_step", pw::box_step, 256},
    {"helix", pw::helix, 256},          {"vorn_background", pw::vorn_background, 256},
};

}  // namespace

TEST(Shapes, PeriodicThroughNegativeAndExtremePips) {
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        for (int pip : edge_pips()) {
            expect_same(s.function(pip), s.function(pw::wrap_pip(pip, s.period)));
        }
    }
}

TEST(Shapes, StatedValues) {
    expect_same(pw::bounce(16), {0.0, 0.0, 0.0});
    expect_same(pw::bounce(-1), {-0.9375, 0.0, 0.0});
    expect_same(pw::circle(0), {6.123233995736766e-17, -1.0, 0.0});
    expect_same(pw::circle(16), {1.0, 0.0, 0.0});
    expect_same(pw::step_touch(16), {-0.5, -0.35, 0.0});
    expect_same(pw::step_touch(64), {1.0, -0.0, 0.0});
    EXPECT_TRUE(std::signbit(pw::step_touch(0).y));
    expect_same(pw::box_step(128), {1.0, 1.0, 0.0});
    expect_same(pw::vorn_background(23), {0.14285714285714285, -0.1, 0.0});
    expect_same(pw::vorn_background(100), {-1.0, 0.8999999999999999, 0.0});
}

TEST(Shapes, HelixFormula) {
    for (int pip = 0; pip < 256; ++pip) {
        const double t = pip / 256.0;
        expect_same(pw::helix(pip), {std::cos(t * 12.566370614359172),
                                     std::sin(t * 12.566370614359172),
                                     std::sin(t * 6.283185307179586)});
    }
}

// The background table is a keyframe path: reference it the slow way, by
// searching the segment for every entry independently.
TEST(Shapes, BackgroundTable) {
    const int pips[] = {0, 23, 33, 49, 87, 100, 118, 154, 169, 187, 215, 228, 243, 256};
    const int ks[] = {0, 2, 13, 5, -3, -14, -5, 1, 12, 4, -2, -10, -3, 0};
    const double ys[] = {0.0, -0.1, -0.8, -0.4, 0.2, 0.9, 0.5, 0.0, 1.0, 0.5, -0.2, -0.9, -0.3, 0.0};
    for (int i = 0; i < 256; ++i) {
        int j = 0;
        while (pips[j + 1] < i) ++j;
        const double t = double(i - pips[j]) / double(pips[j + 1] - pips[j]);
        const double s = (t * t) * std::fma(t, -2.0, 3.0);
        const double xa = ks[j] / 14.0, xb = ks[j + 1] / 14.0;
        expect_same(pw::vorn_background(i),
                    {std::fma(xb - xa, s, xa), std::fma(ys[j + 1] - ys[j], s, ys[j]), 0.0});
    }
}
