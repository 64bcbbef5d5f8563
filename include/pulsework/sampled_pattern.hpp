#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/pattern_info.hpp"

namespace pulsework {

// A pattern supplied as data: a name, a one-line description and one sample
// per pip of its period. Validated once on construction, never changed after.
//
// A pattern that has been moved from has no samples, an empty name and an
// empty description; sampling it throws. Assigning a valid pattern to it
// makes it valid again.
class SampledPattern {
public:
    static constexpr std::size_t max_name_bytes = 128;
    static constexpr std::size_t max_samples = 65535;

    // Takes ownership of its arguments, then checks, in this order: the name
    // (1..128 bytes of a-z, 0-9 and '_', the first a letter), the sample
    // count (1..65535) and every component (finite, within [-1, 1]; x, y, z
    // of each sample in turn). Throws std::invalid_argument on the first fault.
    // The description is stored as given, whatever its bytes.
    SampledPattern(std::string name, std::string description, std::vector<Offset3> samples);

    SampledPattern(const SampledPattern&) = default;
    SampledPattern& operator=(const SampledPattern&) = default;
    // Moves leave the source moved-from on every standard library, not just
    // "valid but unspecified"; its dimensions keep their value.
    SampledPattern(SampledPattern&& other) noexcept;
    SampledPattern& operator=(SampledPattern&& other) noexcept;

    const std::string& name() const noexcept { return name_; }
    const std::string& description() const noexcept { return description_; }

    // The number of samples, which is the period in pips; 0 once moved from.
    int period_pips() const noexcept { return static_cast<int>(samples_.size()); }

    // The catalogue record: views of this pattern's own strings, valid while
    // it lives and is neither moved from nor assigned to.
    PatternInfo info() const noexcept;

    // The sample at the non-negative remainder of pip modulo the period, for
    // every int. Throws std::logic_error on a moved-from pattern.
    Offset3 sample(int pip) const;

private:
    std::string name_;
    std::string description_;
    std::vector<Offset3> samples_;
    // 3 if some z is non-zero, else 2 if some y is, else 1.
    std::uint8_t dimensions_;
};

}  // namespace pulsework
