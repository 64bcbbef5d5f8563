#pragma once
// An independent reference of the fifteen built-ins, written from their
// formulas: reduction by wrap_pip instead of masks, the stroke lists as
// plain (start, length, amplitude, hand) rows, keyframe segments searched
// afresh for every entry.
#include <cmath>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/pip.hpp"

namespace pulsework::reference {

constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
constexpr double four_pi = 12.566370614359172;

inline double smooth(double t) { return (t * t) * std::fma(t, -2.0, 3.0); }
inline double phase(int pip, int period) { return double(wrap_pip(pip, period)) / period; }

inline Offset3 bounce(int pip) {
    return {std::fma(std::abs(phase(pip, 64) - 0.5), -4.0, 1.0), 0.0, 0.0};
}
inline Offset3 sway(int pip) { return {std::sin(phase(pip, 128) * two_pi), 0.0, 0.0}; }
inline Offset3 circle(int pip) {
    const double a = std::fma(phase(pip, 64), two_pi, -1.5707963267948966);
    return {std::cos(a), std::sin(a), 0.0};
}
inline Offset3 figure_eight(int pip) {
    const double a = phase(pip, 128) * two_pi;
    return {std::sin(a), std::sin(a + a), 0.0};
}
inline Offset3 step_touch(int pip) {
    const double from[] = {-1.0, 0.0, 1.0, 0.0}, to[] = {0.0, 1.0, 0.0, -1.0};
    const int q = wrap_pip(pip, 128) / 32;
    const double u = phase(pip, 32);
    return {std::fma(to[q] - from[q], smooth(u), from[q]), std::sin(u * pi) * -0.35, 0.0};
}
inline Offset3 box_step(int pip) {
    const double cx[] = {-1.0, 1.0, 1.0, -1.0, -1.0}, cy[] = {-1.0, -1.0, 1.0, 1.0, -1.0};
    const int q = wrap_pip(pip, 256) / 64;
    const double s = smooth(phase(pip, 64));
    return {std::fma(cx[q + 1] - cx[q], s, cx[q]), std::fma(cy[q + 1] - cy[q], s, cy[q]), 0.0};
}
inline Offset3 helix(int pip) {
    const double t = phase(pip, 256);
    return {std::cos(t * four_pi), std::sin(t * four_pi), std::sin(t * two_pi)};
}
inline Offset3 vorn_background(int pip) {
    const int keys[] = {0, 23, 33, 49, 87, 100, 118, 154, 169, 187, 215, 228, 243, 256};
    const int ks[] = {0, 2, 13, 5, -3, -14, -5, 1, 12, 4, -2, -10, -3, 0};
    const double ys[] = {0.0, -0.1, -0.8, -0.4, 0.2, 0.9, 0.5, 0.0, 1.0, 0.5, -0.2, -0.9, -0.3, 0.0};
    const int i = wrap_pip(pip, 256);
    int j = 0;
    while (keys[j + 1] < i) ++j;
    const double s = smooth(double(i - keys[j]) / double(keys[j + 1] - keys[j]));
    const double xa = ks[j] / 14.0, xb = ks[j + 1] / 14.0;
    return {std::fma(xb - xa, s, xa), std::fma(ys[j + 1] - ys[j], s, ys[j]), 0.0};
}

struct Stroke {
    int start, length;
    double amplitude;
    char hand;
};

inline Offset3 strokes(int pip, int cycle, const std::vector<Stroke>& list) {
    double x = 0.0, y = 0.0;
    for (const Stroke& s : list) {
        const int p = wrap_pip(int((long long)pip - s.start), cycle);
        double pulse = 0.0;
        if (p < s.length) {
            const double v = std::sin(double(p) / s.length * pi);
            pulse = v * (v * s.amplitude);
        }
        x = s.hand == 'R' ? x + pulse : x - pulse;
        y = std::fma(-pulse, 0.72, y);
    }
    return {std::fmin(1.0, std::fmax(-1.0, x)), std::fmin(1.0, std::fmax(-1.0, y)), 0.0};
}

inline Offset3 single_stroke_roll(int pip) {
    std::vector<Stroke> list;
    for (int k = 0; k < 8; ++k) list.push_back({8 * k, 8, 0.92, k % 2 ? 'L' : 'R'});
    return strokes(pip, 64, list);
}
inline Offset3 double_stroke_roll(int pip) {
    std::vector<Stroke> list;
    for (int k = 0; k < 8; ++k) list.push_back({8 * k, 8, k % 2 ? 0.72 : 0.88, k % 4 < 2 ? 'R' : 'L'});
    return strokes(pip, 64, list);
}
inline Offset3 multiple_bounce_roll(int pip) {
    const double amp[] = {0.92, 0.68, 0.48, 0.32};
    std::vector<Stroke> list;
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 4; ++k) list.push_back({32 * h + 6 * k, 6, amp[k], h ? 'L' : 'R'});
    return strokes(pip, 64, list);
}
inline Offset3 single_paradiddle(int pip) {
    const char* sticking = "RLRRLRLLRLRRLRLL";
    std::vector<Stroke> list;
    for (int k = 0; k < 16; ++k) list.push_back({8 * k, 8, k % 4 ? 0.72 : 1.0, sticking[k]});
    return strokes(pip, 128, list);
}
inline Offset3 flam(int pip) {
    return strokes(pip, 64, {{0, 10, 0.34, 'L'}, {5, 14, 0.9, 'R'}, {32, 10, 0.34, 'R'}, {37, 14, 0.9, 'L'}});
}
inline Offset3 drag(int pip) {
    return strokes(pip, 64, {{0, 8, 0.28, 'L'}, {5, 8, 0.32, 'L'}, {10, 14, 0.88, 'R'},
                             {32, 8, 0.28, 'R'}, {37, 8, 0.32, 'R'}, {42, 14, 0.88, 'L'}});
}
inline Offset3 five_stroke_roll(int pip) {
    return strokes(pip, 128, {{0, 9, 0.72, 'R'}, {8, 9, 0.62, 'R'}, {16, 9, 0.72, 'L'},
                              {24, 9, 0.62, 'L'}, {36, 14, 1.0, 'R'}, {64, 9, 0.72, 'L'},
                              {72, 9, 0.62, 'L'}, {80, 9, 0.72, 'R'}, {88, 9, 0.62, 'R'},
                              {100, 14, 1.0, 'L'}});
}

}  // namespace pulsework::reference
