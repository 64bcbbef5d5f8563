#include <bit>
#include <cstdint>

#include "pulsework/pip.hpp"
#include "pulsework/rudiments.hpp"
#include "strokes.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

struct Rudiment {
    const char* name;
    pw::Offset3 (*function)(int);
    int cycle;
};

const Rudiment rudiments[] = {
    {"single_stroke_roll", pw::single_stroke_roll, 64},
    {"double_stroke_roll", pw::double_stroke_roll, 64},
    {"multiple_bounce_roll", pw::multiple_bounce_roll, 64},
    {"single_paradiddle", pw::single_paradiddle, 128},
    {"flam", pw::flam, 64},
    {"drag", pw::drag, 64},
    {"five_stroke_roll", pw::five_stroke_roll, 128},
};

}  // namespace

TEST(StrokePulse, Shape) {
    EXPECT_EQ(pw::stroke_pulse(0, 8, 0.92), 0.0);
    EXPECT_EQ(pw::stroke_pulse(4, 8, 0.92), 0.92);
    EXPECT_EQ(pw::stroke_pulse(4, 8, 1.0), 1.0);
    EXPECT_EQ(pw::stroke_pulse(8, 8, 0.92), 0.0);
    EXPECT_EQ(pw::stroke_pulse(63, 8, 0.92), 0.0);
    EXPECT_GT(pw::stroke_pulse(7, 8, 0.92), 0.0);
}

// A rudiment sums only the strokes its schedule lists at the pip's phase.
// That is exact when the listed strokes are, in list order, all those whose
// pulse is anything but +0.0, each with the sine's argument of its phase.
template <int Cycle, const auto& Strokes>
void expect_schedule_matches_strokes() {
    const auto& schedule = pw::detail::schedule_of<Cycle, Strokes>;
    for (int pip = 0; pip < Cycle; ++pip) {
        SCOPED_TRACE(pip);
        const auto& at = schedule.at[pip];
        int listed = 0;
        for (const pw::detail::Stroke& s : Strokes) {
            const int phase = pw::wrap_pip(pip - s.start, Cycle);
            const double pulse = pw::stroke_pulse(phase, s.length, s.amplitude);
            if (std::bit_cast<std::uint64_t>(pulse) == 0) {
                continue;
            }
            ASSERT_LT(listed, at.count);
            const pw::detail::Sounding& sounding = at.strokes[listed++];
            EXPECT_EQ(sounding.angle, double(phase) / double(s.length) * 3.141592653589793);
            EXPECT_EQ(sounding.amplitude, s.amplitude);
            EXPECT_EQ(sounding.hand, s.hand);
            EXPECT_GT(pulse, 0.0);
        }
        EXPECT_EQ(listed, at.count);
    }
}

TEST(Rudiments, SchedulesListEveryMovingStroke) {
    namespace d = pw::detail;
    expect_schedule_matches_strokes<64, d::single_stroke_roll_strokes>();
    expect_schedule_matches_strokes<64, d::double_stroke_roll_strokes>();
    expect_schedule_matches_strokes<64, d::multiple_bounce_roll_strokes>();
    expect_schedule_matches_strokes<128, d::single_paradiddle_strokes>();
    expect_schedule_matches_strokes<64, d::flam_strokes>();
    expect_schedule_matches_strokes<64, d::drag_strokes>();
    expect_schedule_matches_strokes<128, d::five_stroke_roll_strokes>();
}

TEST(Rudiments, StatedValues) {
    expect_same(pw::single_stroke_roll(0), {0.0, 0.0, 0.0});
    expect_same(pw::single_stroke_roll(4), {0.92, -0.6624, 0.0});
    expect_same(pw::single_stroke_roll(12), {-0.92, -0.6624, 0.0});
    expect_same(pw::single_paradiddle(4), {1.0, -0.72, 0.0});
    expect_same(pw::single_paradiddle(36), {-1.0, -0.72, 0.0});
    expect_same(pw::five_stroke_roll(43), {1.0, -0.72, 0.0});
    const pw::Offset3 flam7 = pw::flam(7);
    EXPECT_NEAR(flam7.x, -0.0531, 1e-4);
    EXPECT_NEAR(flam7.y, -0.2822, 1e-4);
}

TEST(Rudiments, PeriodicAndBounded) {
    for (const Rudiment& r : rudiments) {
        SCOPED_TRACE(r.name);
        for (int pip : edge_pips()) {
            expect_same(r.function(pip), r.function(pw::wrap_pip(pip, r.cycle)));
        }
        for (int pip = 0; pip < r.cycle; ++pip) {
            const pw::Offset3 o = r.function(pip);
            EXPECT_LE(o.y, 0.0);
            EXPECT_GE(o.y, -0.72);
            EXPECT_LE(std::abs(o.x), 1.0);
            EXPECT_EQ(o.z, 0.0);
        }
    }
}

// The second half of the mirrored rudiments repeats the first with the
// hands exchanged: x flips sign, y is unchanged.
TEST(Rudiments, MirroredHalves) {
    for (auto f : {pw::multiple_bounce_roll, pw::flam, pw::drag}) {
        for (int pip = 0; pip < 32; ++pip) {
            EXPECT_EQ(f(pip).x, -f(pip + 32).x);
            EXPECT_EQ(f(pip).y, f(pip + 32).y);
        }
    }
    for (int pip = 0; pip < 64; ++pip) {
        EXPECT_EQ(pw::five_stroke_roll(pip).x, -pw::five_stroke_roll(pip + 64).x);
    }
}
