// What Python cannot reach: moved-from patterns in the input, and the
// constructor that moves its patterns in (Python builds libraries from
// copies). Every rule is also covered through the module.
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pulsework/catalogue.hpp"
#include "pulsework/pattern_library.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

using Patterns = std::vector<pw::SampledPattern>;

pw::SampledPattern steady(std::string name, std::size_t n, double y = 0.0) {
    return pw::SampledPattern(std::move(name), "", std::vector<pw::Offset3>(n, pw::Offset3{0.5, y, 0.0}));
}

Patterns numbered(std::size_t count, std::size_t samples) {
    Patterns patterns;
    for (std::size_t i = 0; i < count; ++i) patterns.push_back(steady("p" + std::to_string(i), samples));
    return patterns;
}

pw::SampledPattern moved_from() {
    pw::SampledPattern source = steady("gone", 4);
    pw::SampledPattern taken(std::move(source));
    return source;  // NOLINT(bugprone-use-after-move): moved-from on purpose
}

// The default pattern's description and samples.
pw::SampledPattern default_copy(std::string_view name, std::string_view description, int period) {
    std::vector<pw::Offset3> samples;
    for (int pip = 0; pip < period; ++pip) samples.push_back(pw::sample(name, pip));
    return pw::SampledPattern(std::string(name), std::string(description), std::move(samples));
}

std::string message_of(const std::function<void()>& build) {
    try {
        build();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(accepted)";
}

// Builds the input both ways (moved in by value, copied from references);
// they must agree. Returns the message, or "(accepted)".
std::string build_error(const Patterns& patterns) {
    const std::vector<std::reference_wrapper<const pw::SampledPattern>> refs(patterns.begin(), patterns.end());
    const std::string by_value = message_of([&] { pw::PatternLibrary library(patterns); });
    EXPECT_EQ(message_of([&] { pw::PatternLibrary::from_copies(refs); }), by_value);
    return by_value;
}

Patterns with(Patterns patterns, pw::SampledPattern extra) {
    patterns.push_back(std::move(extra));
    return patterns;
}

}  // namespace

TEST(PatternLibrary, MovedFromPatterns) {
    for (std::size_t position : {0, 2, 4}) {
        Patterns patterns = numbered(4, 8);
        patterns.insert(patterns.begin() + static_cast<std::ptrdiff_t>(position), moved_from());
        EXPECT_EQ(build_error(patterns), "Empty/moved-from pattern");
    }
    // The count is judged before any pattern is examined.
    Patterns too_many = numbered(1025, 1);
    too_many.front() = moved_from();
    EXPECT_EQ(build_error(too_many), "Too many patterns");
    EXPECT_EQ(build_error({steady("wave", 2), moved_from(), steady("wave", 2)}), "Empty/moved-from pattern");
}

TEST(PatternLibrary, BothConstructorsApplyTheSameChecks) {
    const pw::SampledPattern bounce = default_copy("bounce", "One-beat vertical bounce", 64);
    const pw::PatternInfo& pack = pw::catalogue()[15];
    const Patterns sixteen = numbered(16, 65535);  // 1,048,560 samples
    EXPECT_EQ(build_error(numbered(1024, 1)), "(accepted)");
    EXPECT_EQ(build_error(numbered(1025, 1)), "Too many patterns");
    EXPECT_EQ(build_error({steady("wave", 4), steady("calm", 2), steady("wave", 8)}),
              "Duplicate pattern name: wave");
    EXPECT_EQ(build_error({bounce, bounce}), "Duplicate pattern name: bounce");
    EXPECT_EQ(build_error(with(sixteen, steady("rest", 16))), "(accepted)");
    EXPECT_EQ(build_error(with(sixteen, steady("rest", 17))), "Pattern pack is too large");
    EXPECT_EQ(build_error(with(sixteen, bounce)), "Pattern pack is too large");  // dropped copies count
    EXPECT_EQ(build_error(with(sixteen, steady("bounce", 64))), "Pattern pack is too large");
    EXPECT_EQ(build_error(with(sixteen, steady("p3", 65535))), "Duplicate pattern name: p3");
    EXPECT_EQ(build_error({bounce, default_copy(pack.name, pack.description, pack.period_pips)}), "(accepted)");
    EXPECT_EQ(build_error({bounce, default_copy(pack.name, "", pack.period_pips)}),
              "Cannot override default pattern: " + std::string(pack.name));
    EXPECT_EQ(build_error({steady("bounce", 64)}), "Cannot override default pattern: bounce");
}

TEST(PatternLibrary, PatternsMovedInAreKeptInOrder) {
    const pw::SampledPattern zeta = steady("zeta", 5, 0.25);
    Patterns patterns = {zeta, default_copy("bounce", "One-beat vertical bounce", 64), steady("alpha", 3)};
    const pw::PatternLibrary library(std::move(patterns));
    const std::vector<pw::PatternInfo> records = library.catalogue();
    const std::size_t defaults = pw::catalogue().size();
    ASSERT_EQ(records.size(), defaults + 2);
    EXPECT_EQ(records[defaults - 1].name, pw::catalogue().back().name);
    EXPECT_EQ(records[defaults].name, "zeta");
    EXPECT_EQ(records[defaults].dimensions, 2);
    EXPECT_EQ(records[defaults + 1].name, "alpha");
    EXPECT_EQ(records[defaults + 1].period_pips, 3);
    for (int pip : edge_pips()) {
        expect_same(library.sample("zeta", pip), zeta.sample(pip));
        expect_same(library.sample("bounce", pip), pw::sample("bounce", pip));
    }
    EXPECT_EQ(message_of([&] { library.sample("zet", 0); }), "Unknown pulsework: zet");
    EXPECT_EQ(message_of([&] { library.sample("", 0); }), "Unknown pulsework: ");
}
