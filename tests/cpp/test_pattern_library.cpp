#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pulsework/catalogue.hpp"
#include "pulsework/pattern_library.hpp"
#include "pulsework/pip.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

using Patterns = std::vector<pw::SampledPattern>;

pw::SampledPattern steady(std::string name, std::size_t n, double y = 0.0) {
    return pw::SampledPattern(std::move(name), "", std::vector<pw::Offset3>(n, pw::Offset3{0.5, y, 0.0}));
}

const pw::PatternInfo& default_record(std::string_view name) {
    for (const pw::PatternInfo& record : pw::catalogue()) {
        if (record.name == name) return record;
    }
    throw std::out_of_range(std::string(name));
}

// A pattern holding the default pattern's description and its samples.
pw::SampledPattern default_copy(std::string_view name) {
    const pw::PatternInfo& record = default_record(name);
    std::vector<pw::Offset3> samples;
    for (int pip = 0; pip < record.period_pips; ++pip) {
        samples.push_back(pw::sample(name, pip));
    }
    return pw::SampledPattern(std::string(name), std::string(record.description), std::move(samples));
}

pw::SampledPattern altered_copy(std::string_view name, int pip, int component) {
    const pw::SampledPattern copy = default_copy(name);
    std::vector<pw::Offset3> samples;
    for (int i = 0; i < copy.period_pips(); ++i) samples.push_back(copy.sample(i));
    double* target[3] = {&samples[pip].x, &samples[pip].y, &samples[pip].z};
    *target[component] = std::nextafter(*target[component], *target[component] < 0 ? 1.0 : -1.0);
    return pw::SampledPattern(copy.name(), copy.description(), std::move(samples));
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

void expect_same_records(const pw::PatternInfo& a, const pw::PatternInfo& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.description, b.description);
    EXPECT_EQ(a.period_pips, b.period_pips);
    EXPECT_EQ(a.dimensions, b.dimensions);
}

}  // namespace

TEST(PatternLibrary, EmptyLibraryIsTheDefaults) {
    const pw::PatternLibrary library(Patterns{});
    const std::vector<pw::PatternInfo> records = library.catalogue();
    ASSERT_EQ(records.size(), pw::catalogue().size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        expect_same_records(records[k], pw::catalogue()[k]);
        for (int pip : edge_pips()) expect_same(library.sample(records[k].name, pip), pw::sample(records[k].name, pip));
    }
    for (const std::string name : {"", "zet", "Bounce", "bounce "}) {
        EXPECT_EQ(message_of([&] { library.sample(name, 0); }), "Unknown pulsework: " + name);
    }
}

TEST(PatternLibrary, PatternCountLimit) {
    EXPECT_EQ(build_error(numbered(1024, 1)), "(accepted)");
    EXPECT_EQ(build_error(numbered(1025, 1)), "Too many patterns");
    // The count is judged before any pattern is examined.
    Patterns too_many = numbered(1025, 1);
    too_many.front() = moved_from();
    EXPECT_EQ(build_error(too_many), "Too many patterns");
}

TEST(PatternLibrary, MovedFromPatternsAnywhere) {
    for (std::size_t position : {0, 2, 4}) {
        Patterns patterns = numbered(4, 8);
        patterns.insert(patterns.begin() + static_cast<std::ptrdiff_t>(position), moved_from());
        EXPECT_EQ(build_error(patterns), "Empty/moved-from pattern");
    }
}

TEST(PatternLibrary, DuplicateNames) {
    EXPECT_EQ(build_error({steady("wave", 4), steady("calm", 2), steady("wave", 8)}),
              "Duplicate pattern name: wave");
    EXPECT_EQ(build_error({default_copy("bounce"), default_copy("bounce")}), "Duplicate pattern name: bounce");
}

TEST(PatternLibrary, SampleBudget) {
    Patterns patterns = numbered(16, 65535);  // 1,048,560 samples
    EXPECT_EQ(build_error(patterns), "(accepted)");
    patterns.push_back(steady("last", 16));  // exactly 1,048,576
    EXPECT_EQ(build_error(patterns), "(accepted)");
    patterns.back() = steady("last", 17);
    EXPECT_EQ(build_error(patterns), "Pattern pack is too large");
    // Dropped copies of defaults count toward the total...
    Patterns with_copy = numbered(16, 65535);
    with_copy.insert(with_copy.begin(), default_copy("bounce"));
    EXPECT_EQ(build_error(with_copy), "Pattern pack is too large");
    // ...and the budget is judged before a clash with a default.
    Patterns clash = numbered(16, 65535);
    clash.push_back(steady("bounce", 64));
    EXPECT_EQ(build_error(clash), "Pattern pack is too large");
    // A repeated name is reported before the budget.
    Patterns repeated = numbered(16, 65535);
    repeated.push_back(steady("p3", 65535));
    EXPECT_EQ(build_error(repeated), "Duplicate pattern name: p3");
}

TEST(PatternLibrary, ExactCopiesOfDefaultsAreDropped) {
    const std::string pack_name(pw::catalogue()[15].name);  // the first pack pattern
    const Patterns copies = {default_copy("bounce"), default_copy("helix"), default_copy(pack_name)};
    EXPECT_EQ(build_error(copies), "(accepted)");
    const pw::PatternLibrary library(copies);
    const std::vector<pw::PatternInfo> records = library.catalogue();
    ASSERT_EQ(records.size(), pw::catalogue().size());
    expect_same_records(records.back(), pw::catalogue().back());
    for (const std::string& name : {std::string("bounce"), std::string("helix"), pack_name}) {
        for (int pip : edge_pips()) expect_same(library.sample(name, pip), pw::sample(name, pip));
    }
}

TEST(PatternLibrary, AnythingButAnExactCopyOfADefaultIsRefused) {
    const std::string pack_name(pw::catalogue()[15].name);
    for (const std::string& name : {std::string("bounce"), std::string("helix"), pack_name}) {
        const pw::PatternInfo& record = default_record(name);
        const pw::SampledPattern copy = default_copy(name);
        const auto with_description = [&](std::string description) {
            std::vector<pw::Offset3> samples;
            for (int i = 0; i < copy.period_pips(); ++i) samples.push_back(copy.sample(i));
            return pw::SampledPattern(name, std::move(description), std::move(samples));
        };
        std::vector<pw::Offset3> twice;
        for (int i = 0; i < 2 * record.period_pips; ++i) twice.push_back(copy.sample(i));
        const Patterns refused = {
            with_description(std::string(record.description) + " "),
            with_description(""),
            pw::SampledPattern(name, std::string(record.description), twice),
            altered_copy(name, 0, 0),
            altered_copy(name, record.period_pips - 1, 1),
            altered_copy(name, record.period_pips / 3, 2),
        };
        for (const pw::SampledPattern& pattern : refused) {
            EXPECT_EQ(build_error({steady("mine", 4), pattern}), "Cannot override default pattern: " + name);
        }
    }
}

TEST(PatternLibrary, OwnPatternsFollowTheDefaultsInInputOrder) {
    std::vector<pw::Offset3> zeta_samples;
    for (int i = 0; i < 5; ++i) zeta_samples.push_back({0.1 * i, 0.0, -0.1 * i});
    const pw::SampledPattern zeta("zeta", "Last letter", zeta_samples);
    const pw::PatternLibrary library({zeta, steady("alpha", 3, 0.25)});
    const std::vector<pw::PatternInfo> records = library.catalogue();
    const std::size_t defaults = pw::catalogue().size();
    ASSERT_EQ(records.size(), defaults + 2);
    expect_same_records(records[defaults - 1], pw::catalogue().back());
    expect_same_records(records[defaults], pw::PatternInfo{"zeta", "Last letter", 5, 3});
    expect_same_records(records[defaults + 1], pw::PatternInfo{"alpha", "", 3, 2});
    for (int pip : edge_pips()) {
        expect_same(library.sample("zeta", pip), zeta.sample(pip));
        expect_same(library.sample("bounce", pip), pw::sample("bounce", pip));
    }
    EXPECT_EQ(message_of([&] { library.sample("zet", 0); }), "Unknown pulsework: zet");
    EXPECT_EQ(message_of([&] { library.sample("", 0); }), "Unknown pulsework: ");
}

TEST(PatternLibrary, FailedConstructionChangesNothing) {
    Patterns patterns = {steady("wave", 4, 0.5), steady("calm", 2), steady("bounce", 64), steady("tail", 3)};
    EXPECT_EQ(build_error(patterns), "Cannot override default pattern: bounce");
    // The caller's patterns are intact and a library without the faulty one
    // is what it would have been had the failed attempt never happened.
    patterns.erase(patterns.begin() + 2);
    for (const pw::SampledPattern& p : patterns) {
        expect_same(p.sample(1), pw::Offset3{0.5, p.name() == "wave" ? 0.5 : 0.0, 0.0});
    }
    const std::vector<std::reference_wrapper<const pw::SampledPattern>> refs(patterns.begin(), patterns.end());
    const pw::PatternLibrary copied = pw::PatternLibrary::from_copies(refs);
    const pw::PatternLibrary moved{Patterns(patterns)};
    const std::vector<pw::PatternInfo> a = copied.catalogue(), b = moved.catalogue();
    ASSERT_EQ(a.size(), pw::catalogue().size() + 3);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) expect_same_records(a[k], b[k]);
    // The sources still read as before, and the library reads the same.
    for (const pw::SampledPattern& p : patterns) {
        EXPECT_EQ(p.period_pips(), p.name() == "wave" ? 4 : p.name() == "calm" ? 2 : 3);
        expect_same(copied.sample(p.name(), 7), p.sample(7));
    }
}
