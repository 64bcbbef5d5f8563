#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

#include "pack_table.hpp"
#include "pulsework/catalogue.hpp"
#include "pulsework/pip.hpp"
#include "pulsework/shapes.hpp"
#include "test_support.hpp"

namespace pw = pulsework;
using pw::test::edge_pips;
using pw::test::expect_same;

namespace {

std::string unknown_message(std::string_view name) {
    try {
        pw::sample(name, 0);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(found)";
}

}  // namespace

TEST(Catalogue, BuiltOnceBuiltinsFirstThenPackTable) {
    const auto& records = pw::catalogue();
    EXPECT_EQ(&records, &pw::catalogue());
    ASSERT_EQ(records.size(), 15 + pw::packs::entry_count);
    EXPECT_EQ(records[0].name, "bounce");
    EXPECT_EQ(records[7].name, "vorn_background");
    EXPECT_EQ(records[7].period_pips, 256);
    EXPECT_EQ(records[7].dimensions, 2);
    EXPECT_EQ(records[14].name, "five_stroke_roll");
    for (std::size_t k = 0; k < pw::packs::entry_count; ++k) {
        EXPECT_EQ(records[15 + k].name, pw::packs::pack_table[k].info.name);
        EXPECT_EQ(records[15 + k].description.data(), pw::packs::pack_table[k].info.description.data());
    }
}

TEST(Dispatch, BuiltinsByName) {
    expect_same(pw::sample("bounce", 16), pw::bounce(16));
    expect_same(pw::sample("helix", 37), pw::helix(37));
    for (const auto& record : pw::catalogue()) {
        for (int pip : edge_pips()) {
            expect_same(pw::sample(record.name, pip),
                        pw::sample(record.name, pw::wrap_pip(pip, record.period_pips)));
        }
    }
}

TEST(Dispatch, UnknownNames) {
    EXPECT_EQ(unknown_message(""), "Unknown pulsework: ");
    EXPECT_EQ(unknown_message("Bounce"), "Unknown pulsework: Bounce");
    EXPECT_EQ(unknown_message("bounce "), "Unknown pulsework: bounce ");
    EXPECT_EQ(unknown_message("\xff"), "Unknown pulsework: \xff");
    EXPECT_EQ(unknown_message("zzzzzzzzzz"), "Unknown pulsework: zzzzzzzzzz");
    EXPECT_EQ(unknown_message("\x01"), "Unknown pulsework: \x01");
}

TEST(NameIndex, PermutationInStrictByteOrder) {
    std::set<std::uint64_t> seen(std::begin(pw::packs::name_index), std::end(pw::packs::name_index));
    EXPECT_EQ(seen.size(), pw::packs::entry_count);
    EXPECT_EQ(*seen.rbegin(), pw::packs::entry_count - 1);
    for (std::size_t k = 1; k < pw::packs::entry_count; ++k) {
        EXPECT_LT(pw::packs::pack_table[pw::packs::name_index[k - 1]].info.name,
                  pw::packs::pack_table[pw::packs::name_index[k]].info.name);
    }
}

TEST(NameIndex, EveryPackNameFoundExactlyAndNeighboursNot) {
    std::set<std::string> names;
    for (const auto& record : pw::catalogue()) names.emplace(record.name);
    for (const pw::PackEntry& entry : pw::packs::pack_table) {
        const std::string name(entry.info.name);
        expect_same(pw::sample(name, 5), entry.sampler(5));
        // A proper prefix or an extension is found only if it is a name itself.
        for (const std::string& probe : {name.substr(0, name.size() - 1), name + "_", name + "\x7f",
                                         name + std::string(1, '\0')}) {
            if (!names.count(probe)) {
                EXPECT_THROW(pw::sample(probe, 0), std::invalid_argument) << probe;
            }
        }
    }
}

TEST(NameIndex, KeysBesideTheIndexAreTheNamesInOrder) {
    for (std::size_t k = 0; k < pw::packs::entry_count; ++k) {
        const std::string_view name = pw::packs::pack_table[pw::packs::name_index[k]].info.name;
        pw::packs::NameKey key;
        ASSERT_TRUE(pw::packs::make_name_key(name, key)) << name;
        EXPECT_TRUE(key == pw::packs::name_keys[k]) << name;
        if (k > 0) {
            EXPECT_TRUE(pw::packs::name_keys[k - 1] < pw::packs::name_keys[k]) << name;
        }
    }
}

TEST(Dispatch, LookUpWithoutThrowing) {
    for (const auto& record : pw::catalogue()) {
        const pw::Sampler sampler = pw::default_sampler(record.name);
        ASSERT_NE(sampler, nullptr) << record.name;
        expect_same(sampler(-7), pw::sample(record.name, -7));
    }
    const std::string longest(pw::packs::name_key_words * 8 + 1, 'a');
    for (const std::string_view unknown : {std::string_view(""), std::string_view("weave_5"),
                                           std::string_view("bounce\0", 7), std::string_view(longest)}) {
        EXPECT_EQ(pw::default_sampler(unknown), nullptr);
        EXPECT_FALSE(pw::try_sample(unknown, 0).has_value());
    }
}
