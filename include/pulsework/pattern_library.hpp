#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/pattern_info.hpp"
#include "pulsework/sampled_pattern.hpp"

namespace pulsework {

// User patterns layered over the default patterns. A library can add
// patterns but never change a default: a pattern that uses a default name is
// accepted only as an exact copy of that default, and is then dropped.
class PatternLibrary {
public:
    static constexpr std::size_t max_patterns = 1024;
    static constexpr std::uint64_t max_total_samples = std::uint64_t{1} << 20;

    // Checks the whole input as one unit and keeps the patterns that pass, in
    // input order; those kept are moved out of `patterns`. Throws
    // std::invalid_argument, in this order: more than 1,024 patterns (before
    // anything else); then for each pattern in turn a moved-from pattern, a
    // name seen before in the input, a running sample total above 1,048,576
    // (dropped copies of defaults count), a default name whose pattern is not
    // an exact copy of the default (description, period and every sample).
    explicit PatternLibrary(std::vector<SampledPattern> patterns);

    // The same checks over patterns the caller keeps. Only the patterns kept
    // are copied, after each has passed, so refused input costs no copies of
    // samples however many references to large patterns it holds.
    static PatternLibrary from_copies(
        std::span<const std::reference_wrapper<const SampledPattern>> patterns);

    // The library's own pattern of exactly this name, else the default one.
    // Throws std::invalid_argument("Unknown pulsework: " + name) when neither
    // has it. Allocates nothing on success.
    Offset3 sample(std::string_view name, int pip) const;

    // The same answer as sample(), or nothing where sample() would throw
    // "Unknown pulsework: ". Allocates nothing.
    std::optional<Offset3> try_sample(std::string_view name, int pip) const;

    // The library's own pattern of exactly this name, or nullptr: the first
    // match of a scan over the own patterns in order, length first.
    const SampledPattern* find(std::string_view name) const noexcept;

    // The default records, then one record per own pattern in input order.
    // The own records' views point into this library.
    std::vector<PatternInfo> catalogue() const;

private:
    PatternLibrary() = default;

    // Fills scan_keys_ once the own patterns are in place.
    void make_scan_keys();

    std::vector<SampledPattern> patterns_;
    // One key per own pattern, in the same order: the name's length and its
    // last three bytes (where names that share a stem tend to differ), packed
    // into 32 bits. The scan compares these, contiguous in memory, and looks
    // at a name's bytes only where its key matches.
    std::vector<std::uint32_t> scan_keys_;
};

}  // namespace pulsework
