// Every built-in against the independent reference, bit for bit, at every
// pip of its period, a cycle either side, and the ends of the int range.
#include "pulsework/rudiments.hpp"
#include "pulsework/shapes.hpp"
#include "reference.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
namespace ref = pulsework::reference;

namespace {

struct Case {
    const char* name;
    pw::Offset3 (*function)(int);
    pw::Offset3 (*expected)(int);
    int period;
};

const Case cases[] = {
    {"bounce", pw::bounce, ref::bounce, 64},
    {"sway", pw::sway, ref::sway, 128},
    {"circle", pw::circle, ref::circle, 64},
    {"figure_eight", pw::figure_eight, ref::figure_eight, 128},
    {"step_touch", pw::step_touch, ref::step_touch, 128},
    {"box_step", pw::box_step, ref::box_step, 256},
    {"helix", pw::helix, ref::helix, 256},
    {"vorn_background", pw::vorn_background, ref::vorn_background, 256},
    {"single_stroke_roll", pw::single_stroke_roll, ref::single_stroke_roll, 64},
    {"double_stroke_roll", pw::double_stroke_roll, ref::double_stroke_roll, 64},
    {"multiple_bounce_roll", pw::multiple_bounce_roll, ref::multiple_bounce_roll, 64},
    {"single_paradiddle", pw::single_paradiddle, ref::single_paradiddle, 128},
    {"flam", pw::flam, ref::flam, 64},
    {"drag", pw::drag, ref::drag, 64},
    {"five_stroke_roll", pw::five_stroke_roll, ref::five_stroke_roll, 128},
};

}  // namespace

class Reference : public ::testing::TestWithParam<Case> {};

TEST_P(Reference, EveryPip) {
    const Case& c = GetParam();
    std::vector<int> pips = pw::test::edge_pips();
    for (int pip = -c.period; pip < 2 * c.period; ++pip) pips.push_back(pip);
    for (int pip : pips) {
        SCOPED_TRACE(pip);
        pw::test::expect_same(c.function(pip), c.expected(pip));
    }
}

INSTANTIATE_TEST_SUITE_P(Builtins, Reference, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });
