#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pulsework/pip.hpp"
#include "pulsework/sampled_pattern.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

std::vector<pw::Offset3> ramp(std::size_t n) {
    std::vector<pw::Offset3> samples;
    for (std::size_t i = 0; i < n; ++i) {
        const double v = static_cast<double>(i % 2001) / 1000.0 - 1.0;
        samples.push_back({v, -v, v / 2});
    }
    return samples;
}

std::string construction_error(std::string name, std::vector<pw::Offset3> samples) {
    try {
        pw::SampledPattern(std::move(name), "", std::move(samples));
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(accepted)";
}

const std::string bad_name = "Invalid pattern name";
const std::string bad_count = "A pattern requires 1..65535 samples (one per pip)";
const std::string bad_value = "Pattern samples must be finite and within [-1, 1]";

}  // namespace

TEST(SampledPattern, NameRule) {
    const std::vector<std::string> valid = {"a", "a1", "a_", "z09_az", std::string(128, 'q'), "bounce"};
    for (const std::string& name : valid) {
        EXPECT_EQ(construction_error(name, ramp(1)), "(accepted)") << name;
    }
    const std::vector<std::string> invalid = {"", std::string(129, 'q'), "1a", "_a", "aB", "a-b", "a b",
                                              "caf\xc3\xa9", "a\x80", std::string("a\0b", 3), "a`", "a{"};
    for (const std::string& name : invalid) {
        EXPECT_EQ(construction_error(name, ramp(1)), bad_name) << name;
    }
}

TEST(SampledPattern, CountAndCheckOrder) {
    EXPECT_EQ(construction_error("a", {}), bad_count);
    EXPECT_EQ(construction_error("a", ramp(65536)), bad_count);
    EXPECT_EQ(construction_error("a", ramp(65535)), "(accepted)");
    // The first fault in the order name, count, values is the one reported.
    EXPECT_EQ(construction_error("A", {}), bad_name);
    std::vector<pw::Offset3> too_many_and_bad = ramp(65536);
    too_many_and_bad[0].x = 2.0;
    EXPECT_EQ(construction_error("a", too_many_and_bad), bad_count);
}

TEST(SampledPattern, ComponentRange) {
    const double above = std::nextafter(1.0, 2.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(construction_error("a", {{-1.0, 1.0, -0.0}, {1.0, -1.0, 0.0}}), "(accepted)");
    for (const double bad : {above, -above, nan, -nan, inf, -inf, 1e308}) {
        for (int component = 0; component < 3; ++component) {
            std::vector<pw::Offset3> samples = ramp(5);
            double* target[3] = {&samples[3].x, &samples[3].y, &samples[3].z};
            *target[component] = bad;
            EXPECT_EQ(construction_error("a", samples), bad_value) << bad << " in component " << component;
        }
    }
}

TEST(SampledPattern, Dimensions) {
    const auto dimensions = [](std::vector<pw::Offset3> samples) {
        return pw::SampledPattern("a", "", std::move(samples)).info().dimensions;
    };
    EXPECT_EQ(dimensions({{0, 0, 0}}), 1);
    EXPECT_EQ(dimensions({{1, -0.0, -0.0}, {-1, 0, 0}}), 1);
    EXPECT_EQ(dimensions({{0, 0.5, 0}, {0, 0.5, 0}}), 2);
    EXPECT_EQ(dimensions({{0, 0, 0}, {0, 0, 0.25}}), 3);
    EXPECT_EQ(dimensions({{0, 0, 0.25}, {0, 0.5, 0}}), 3);
}

TEST(SampledPattern, SamplingWrapsEveryPip) {
    const std::vector<pw::Offset3> three = {{0.1, 0, 0}, {0.2, 0, 0}, {0.3, 0, 0}};
    const pw::SampledPattern p("three", "", three);
    expect_same(p.sample(INT_MIN), three[1]);
    expect_same(p.sample(INT_MAX), three[1]);
    expect_same(p.sample(3), three[0]);
    expect_same(p.sample(-1), three[2]);
    const std::vector<pw::Offset3> samples = ramp(65535);
    const pw::SampledPattern longest("longest", "", samples);
    for (int pip : edge_pips()) {
        expect_same(longest.sample(pip), samples[static_cast<std::size_t>(pw::wrap_pip(pip, 65535))]);
    }
}

TEST(SampledPattern, InfoViewsOwnBytes) {
    const char raw[] = "any bytes: \xff\xfe\0 kept";
    const std::string description(raw, sizeof raw - 1);
    const pw::SampledPattern p("longest", description, ramp(65535));
    const pw::PatternInfo info = p.info();
    EXPECT_EQ(info.period_pips, 65535);
    EXPECT_EQ(info.name.data(), p.name().data());
    EXPECT_EQ(info.description.data(), p.description().data());
    EXPECT_EQ(info.description, description);
    EXPECT_EQ(p.period_pips(), 65535);
}

TEST(SampledPattern, MovedFrom) {
    const std::vector<pw::Offset3> samples = {{0.5, 0.25, 0.0}, {-0.5, 0.0, 0.0}};
    for (const bool by_assignment : {false, true}) {
        pw::SampledPattern source("wave", "A wave", samples);
        pw::SampledPattern target("other", "", {{0, 0, 0}});
        if (by_assignment) {
            target = std::move(source);
        } else {
            pw::SampledPattern moved(std::move(source));
            target = moved;
        }
        EXPECT_EQ(source.period_pips(), 0);  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(source.name(), "");
        EXPECT_EQ(source.description(), "");
        const pw::PatternInfo info = source.info();
        EXPECT_TRUE(info.name.empty() && info.description.empty());
        EXPECT_EQ(info.period_pips, 0);
        EXPECT_EQ(info.dimensions, 2);
        try {
            source.sample(0);
            ADD_FAILURE() << "sampled a moved-from pattern";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), "Cannot sample a moved-from pattern");
        }
        EXPECT_EQ(target.name(), "wave");
        for (int pip : edge_pips()) {
            expect_same(target.sample(pip), samples[static_cast<std::size_t>(pw::wrap_pip(pip, 2))]);
        }
        // Assigning a valid pattern makes the moved-from one valid again.
        source = target;
        expect_same(source.sample(1), samples[1]);
    }
}
