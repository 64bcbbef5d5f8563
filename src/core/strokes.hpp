#pragma once
// The drum rudiments' stroke lists, and which of their strokes sound at each
// phase of the cycle: constant data worked out from the lists at compile time.
#include <cstddef>
#include <cstdint>

#include "smoothstep.hpp"

namespace pulsework::detail {

enum Hand : std::int32_t { L = -1, R = +1 };

struct Stroke {
    std::int32_t start;
    std::int32_t hand;
    double amplitude;
    std::int32_t length;
};

// The stroke y factor, the same for every stroke of every rudiment.
inline constexpr double LOWER = 0.72;

// Pips since the stroke began, modulo the cycle. Unsigned arithmetic: exact
// for every pip, with no overflow at the ends of the int range.
template <std::int32_t Cycle>
constexpr int stroke_phase(int pip, std::int32_t start) noexcept {
    static_assert(Cycle > 0 && (Cycle & (Cycle - 1)) == 0, "cycles are powers of two");
    return static_cast<int>((static_cast<std::uint32_t>(pip) - static_cast<std::uint32_t>(start)) &
                            (Cycle - 1));
}

// A pulse is +0.0 at its first phase (the sine of +0.0 is +0.0) and from its
// length on. Adding +0.0 to x (which is never -0.0) or lowering y by 0.72
// times +0.0 changes nothing, so a rudiment need only sum the strokes that
// sound, in list order, and every pulse it sums is positive.
constexpr bool sounds(int phase, std::int32_t length) noexcept { return 0 < phase && phase < length; }

// The sine's argument: u = phase / length in one division, then u * pi, each
// rounded once, at compile time as at run time.
constexpr double pulse_angle(int phase, std::int32_t length) noexcept {
    return static_cast<double>(phase) / static_cast<double>(length) * PI;
}

// A stroke that sounds at some phase, ready for its pulse.
struct Sounding {
    double angle;
    double amplitude;
    double hand;  // +1.0 or -1.0: hand times pulse is exact
};

template <std::size_t MostSounding>
struct SoundingAt {
    std::int32_t count;
    Sounding strokes[MostSounding];  // in list order
};

template <std::int32_t Cycle, std::size_t MostSounding>
struct StrokeSchedule {
    SoundingAt<MostSounding> at[Cycle];  // by phase of the cycle
};

// The most strokes that sound at once (at least 1, to size the schedule).
template <std::int32_t Cycle, std::size_t N>
constexpr std::size_t most_sounding(const Stroke (&strokes)[N]) noexcept {
    std::size_t most = 1;
    for (int phase = 0; phase < Cycle; ++phase) {
        std::size_t count = 0;
        for (const Stroke& s : strokes) {
            count += sounds(stroke_phase<Cycle>(phase, s.start), s.length) ? 1 : 0;
        }
        most = count > most ? count : most;
    }
    return most;
}

template <std::int32_t Cycle, std::size_t MostSounding, std::size_t N>
constexpr StrokeSchedule<Cycle, MostSounding> make_schedule(const Stroke (&strokes)[N]) noexcept {
    StrokeSchedule<Cycle, MostSounding> schedule{};
    for (int phase = 0; phase < Cycle; ++phase) {
        SoundingAt<MostSounding>& at = schedule.at[phase];
        for (const Stroke& s : strokes) {
            const int p = stroke_phase<Cycle>(phase, s.start);
            if (sounds(p, s.length)) {
                at.strokes[at.count++] = {pulse_angle(p, s.length), s.amplitude, static_cast<double>(s.hand)};
            }
        }
    }
    return schedule;
}

// The schedule of a stroke list played in a cycle of Cycle pips.
template <std::int32_t Cycle, const auto& Strokes>
inline constexpr auto schedule_of = make_schedule<Cycle, most_sounding<Cycle>(Strokes)>(Strokes);

inline constexpr Stroke single_stroke_roll_strokes[] = {
    {0, R, 0.92, 8},  {8, L, 0.92, 8},  {16, R, 0.92, 8}, {24, L, 0.92, 8},
    {32, R, 0.92, 8}, {40, L, 0.92, 8}, {48, R, 0.92, 8}, {56, L, 0.92, 8},
};

inline constexpr Stroke double_stroke_roll_strokes[] = {
    {0, R, 0.88, 8},  {8, R, 0.72, 8},  {16, L, 0.88, 8}, {24, L, 0.72, 8},
    {32, R, 0.88, 8}, {40, R, 0.72, 8}, {48, L, 0.88, 8}, {56, L, 0.72, 8},
};

inline constexpr Stroke multiple_bounce_roll_strokes[] = {
    {0, R, 0.92, 6},  {6, R, 0.68, 6},  {12, R, 0.48, 6}, {18, R, 0.32, 6},
    {32, L, 0.92, 6}, {38, L, 0.68, 6}, {44, L, 0.48, 6}, {50, L, 0.32, 6},
};

// RLRR LRLL twice, the first stroke of each group of four accented.
inline constexpr Stroke single_paradiddle_strokes[] = {
    {0, R, 1.0, 8},   {8, L, 0.72, 8},   {16, R, 0.72, 8},  {24, R, 0.72, 8},
    {32, L, 1.0, 8},  {40, R, 0.72, 8},  {48, L, 0.72, 8},  {56, L, 0.72, 8},
    {64, R, 1.0, 8},  {72, L, 0.72, 8},  {80, R, 0.72, 8},  {88, R, 0.72, 8},
    {96, L, 1.0, 8},  {104, R, 0.72, 8}, {112, L, 0.72, 8}, {120, L, 0.72, 8},
};

// A light grace stroke, then 5 pips later the other hand's primary stroke.
inline constexpr Stroke flam_strokes[] = {
    {0, L, 0.34, 10},
    {5, R, 0.9, 14},
    {32, R, 0.34, 10},
    {37, L, 0.9, 14},
};

inline constexpr Stroke drag_strokes[] = {
    {0, L, 0.28, 8},  {5, L, 0.32, 8},  {10, R, 0.88, 14},
    {32, R, 0.28, 8}, {37, R, 0.32, 8}, {42, L, 0.88, 14},
};

// Diddles 9 pips long on an 8-pip grid, so neighbouring pulses touch.
inline constexpr Stroke five_stroke_roll_strokes[] = {
    {0, R, 0.72, 9},  {8, R, 0.62, 9},  {16, L, 0.72, 9},  {24, L, 0.62, 9},  {36, R, 1.0, 14},
    {64, L, 0.72, 9}, {72, L, 0.62, 9}, {80, R, 0.72, 9},  {88, R, 0.62, 9},  {100, L, 1.0, 14},
};

}  // namespace pulsework::detail
