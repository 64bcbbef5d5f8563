// The accented background drift: a 256-pip keyframe path, interpolated once
// when the module loads so that every call is a single table read.
#include <cmath>
#include <cstdint>

#include "pulsework/shapes.hpp"
#include "smoothstep.hpp"

namespace pulsework {
namespace {

struct Keyframe {
    std::int32_t pip;
    double x;
    double y;
};

// x values are the doubles nearest k/14; the last keyframe closes the loop.
constexpr Keyframe keyframes[14] = {
    {0, 0.0, 0.0},
    {23, 0.14285714285714285, -0.1},
    {33, 0.9285714285714286, -0.8},
    {49, 0.35714285714285715, -0.4},
    {87, -0.21428571428571427, 0.2},
    {100, -1.0, 0.9},
    {118, -0.35714285714285715, 0.5},
    {154, 0.07142857142857142, 0.0},
    {169, 0.8571428571428571, 1.0},
    {187, 0.2857142857142857, 0.5},
    {215, -0.14285714285714285, -0.2},
    {228, -0.7142857142857143, -0.9},
    {243, -0.21428571428571427, -0.3},
    {256, 0.0, 0.0},
};

constexpr int BACKGROUND_PIPS = 256;

Offset3 background[BACKGROUND_PIPS];

bool fill_background() noexcept {
    for (auto& entry : background) {
        entry = Offset3{0.0, 0.0, 0.0};
    }
    int j = 0;
    for (int i = 0; i < BACKGROUND_PIPS; ++i) {
        // The segment that ends at or after i: at a keyframe's own pip the
        // segment ending there is used (t = 1), which is part of the data.
        while (j < 13 && i > keyframes[j + 1].pip) {
            ++j;
        }
        const Keyframe& a = keyframes[j];
        const Keyframe& b = keyframes[j + 1];
        const double t = static_cast<double>(i - a.pip) / static_cast<double>(b.pip - a.pip);
        const double s = detail::smoothstep(t);
        background[i] = Offset3{std::fma(b.x - a.x, s, a.x), std::fma(b.y - a.y, s, a.y), 0.0};
    }
    return true;
}

// The module's one static initialiser: the table is complete before the
// module's entry point runs and is never written again.
[[maybe_unused]] const bool background_filled = fill_background();

}  // namespace

Offset3 vorn_background(int pip) noexcept {
    return background[pip & (BACKGROUND_PIPS - 1)];
}

}  // namespace pulsework
