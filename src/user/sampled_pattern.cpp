#include "pulsework/sampled_pattern.hpp"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "pulsework/pip.hpp"

namespace pulsework {
namespace {

// Bytes are tested as unsigned values, so anything from 0x80 up (every
// non-ASCII character) is refused.
bool valid_name(const std::string& name) noexcept {
    if (name.empty() || name.size() > SampledPattern::max_name_bytes) {
        return false;
    }
    const auto lower = [](unsigned char c) { return c >= 'a' && c <= 'z'; };
    if (!lower(static_cast<unsigned char>(name.front()))) {
        return false;
    }
    for (const char byte : name) {
        const auto c = static_cast<unsigned char>(byte);
        if (!lower(c) && !(c >= '0' && c <= '9') && c != '_') {
            return false;
        }
    }
    return true;
}

// NaN fails the comparison, so it is refused along with the infinities.
bool valid_component(double v) noexcept { return std::fabs(v) <= 1.0; }

}  // namespace

SampledPattern::SampledPattern(std::string name, std::string description, std::vector<Offset3> samples)
    : name_(std::move(name)),
      description_(std::move(description)),
      samples_(std::move(samples)),
      dimensions_(1) {
    if (!valid_name(name_)) {
        throw std::invalid_argument("Invalid pattern name");
    }
    if (samples_.empty() || samples_.size() > max_samples) {
        throw std::invalid_argument("A pattern requires 1..65535 samples (one per pip)");
    }
    // One pass: check each sample, x before y before z, and derive the
    // dimensions from it. Comparisons are numeric, so -0.0 counts as zero.
    for (const Offset3& s : samples_) {
        if (!valid_component(s.x) || !valid_component(s.y) || !valid_component(s.z)) {
            throw std::invalid_argument("Pattern samples must be finite and within [-1, 1]");
        }
        if (s.z != 0.0) {
            dimensions_ = 3;
        } else if (s.y != 0.0 && dimensions_ != 3) {
            dimensions_ = 2;
        }
    }
}

SampledPattern::SampledPattern(SampledPattern&& other) noexcept
    : name_(std::exchange(other.name_, {})),
      description_(std::exchange(other.description_, {})),
      samples_(std::exchange(other.samples_, {})),
      dimensions_(other.dimensions_) {}

SampledPattern& SampledPattern::operator=(SampledPattern&& other) noexcept {
    if (this != &other) {
        name_ = std::exchange(other.name_, {});
        description_ = std::exchange(other.description_, {});
        samples_ = std::exchange(other.samples_, {});
        dimensions_ = other.dimensions_;
    }
    return *this;
}

PatternInfo SampledPattern::info() const noexcept {
    // At most 65,535 samples, so the count fits the record's 16 bits exactly.
    return {name_, description_, static_cast<std::uint16_t>(samples_.size()), dimensions_};
}

Offset3 SampledPattern::sample(int pip) const {
    if (samples_.empty()) {
        throw std::logic_error("Cannot sample a moved-from pattern");
    }
    return samples_[static_cast<std::size_t>(wrap_pip(pip, period_pips()))];
}

}  // namespace pulsework
