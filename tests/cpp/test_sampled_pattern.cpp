// What Python cannot reach: the catalogue record's views and moved-from
// patterns. Validation and sampling are covered through the module.
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

TEST(SampledPattern, InfoViewsOwnBytes) {
    const char raw[] = "any bytes: \xff\xfe\0 kept";
    const std::string description(raw, sizeof raw - 1);
    const std::vector<pw::Offset3> samples(65535, pw::Offset3{0.0, 0.0, -1.0});
    const pw::SampledPattern p("longest", description, samples);
    const pw::PatternInfo info = p.info();
    EXPECT_EQ(info.period_pips, 65535);
    EXPECT_EQ(info.dimensions, 3);
    EXPECT_EQ(info.name.data(), p.name().data());
    EXPECT_EQ(info.description.data(), p.description().data());
    EXPECT_EQ(info.description, description);
    for (int pip : edge_pips()) expect_same(p.sample(pip), samples[0]);
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
        EXPECT_EQ(info.dimensions, 2);  // kept from before the move
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
