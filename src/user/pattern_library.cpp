#include "pulsework/pattern_library.hpp"

#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#include "pulsework/catalogue.hpp"

namespace pulsework {
namespace {

std::string message_with_name(const char* prefix, const std::string& name) {
    std::string message(prefix);
    message.append(name);
    return message;
}

// The default record of this name, if any, by a scan in catalogue order.
const PatternInfo* find_default(const std::vector<PatternInfo>& defaults, std::string_view name) {
    for (const PatternInfo& record : defaults) {
        if (record.name == name) {
            return &record;
        }
    }
    return nullptr;
}

// Description, period and every sample, compared as doubles (so +0.0 equals
// -0.0), stopping at the first pip that differs. Dimensions play no part.
bool is_exact_copy(const SampledPattern& pattern, const PatternInfo& record) {
    const int period = pattern.period_pips();
    if (pattern.description() != record.description || period != record.period_pips) {
        return false;
    }
    for (int pip = 0; pip < period; ++pip) {
        const Offset3 mine = pattern.sample(pip);
        const Offset3 theirs = pulsework::sample(record.name, pip);
        if (!(mine.x == theirs.x && mine.y == theirs.y && mine.z == theirs.z)) {
            return false;
        }
    }
    return true;
}

// The name's length in the low byte (own names are at most 128 bytes, so it
// is the whole length of any name that can match) and its last three bytes
// above it, taken with one load where the name has four bytes or more.
std::uint32_t scan_key(std::string_view name) noexcept {
    const std::size_t size = name.size();
    std::uint32_t last_bytes = 0;
    if (size >= 4) {
        std::memcpy(&last_bytes, name.data() + size - 4, 4);
    } else if (size > 0) {
        std::memcpy(reinterpret_cast<unsigned char*>(&last_bytes) + 4 - size, name.data(), size);
    }
    return (last_bytes & ~std::uint32_t{0xff}) | static_cast<std::uint8_t>(size);
}

// The first position from `i` on whose key is `key`, or `count`. Keys are
// compared four lanes to a vector, with no branch per key and eight vectors
// to a test, until a block holds the key; that block is then read key by key.
std::size_t next_key(const std::uint32_t* keys, std::size_t i, std::size_t count, std::uint32_t key) noexcept {
    using Lanes = std::uint32_t __attribute__((vector_size(16)));
    const Lanes wanted = Lanes{} + key;
    const auto matches_at = [keys, wanted](std::size_t k) {
        Lanes lanes;
        std::memcpy(&lanes, keys + k, sizeof lanes);
        return lanes == wanted;
    };
    const auto any = [](auto matches) {
        std::uint64_t halves[2];
        std::memcpy(halves, &matches, sizeof halves);
        return (halves[0] | halves[1]) != 0;
    };
    for (; i + 32 <= count; i += 32) {
        if (any(matches_at(i) | matches_at(i + 4) | matches_at(i + 8) | matches_at(i + 12) | matches_at(i + 16) |
                matches_at(i + 20) | matches_at(i + 24) | matches_at(i + 28))) {
            break;
        }
    }
    for (; i + 4 <= count; i += 4) {
        if (any(matches_at(i))) {
            break;
        }
    }
    for (; i < count; ++i) {
        if (keys[i] == key) {
            return i;
        }
    }
    return count;
}

// The checks of one construction, applied pattern by pattern. The name set
// holds owned copies: a kept pattern is moved away, and its name with it.
class Admission {
public:
    explicit Admission(std::size_t count) : defaults_(check_count(count)) { names_.reserve(count); }

    // Whether the pattern is to be kept (false: an exact copy of a default,
    // dropped). Throws on the first check it fails.
    bool keeps(const SampledPattern& pattern) {
        if (pattern.period_pips() == 0) {
            throw std::invalid_argument("Empty/moved-from pattern");
        }
        if (!names_.insert(pattern.name()).second) {
            throw std::invalid_argument(message_with_name("Duplicate pattern name: ", pattern.name()));
        }
        total_ += static_cast<std::uint64_t>(pattern.period_pips());
        if (total_ > PatternLibrary::max_total_samples) {
            throw std::invalid_argument("Pattern pack is too large");
        }
        const PatternInfo* record = find_default(defaults_, pattern.name());
        if (record == nullptr) {
            return true;
        }
        if (!is_exact_copy(pattern, *record)) {
            throw std::invalid_argument(
                message_with_name("Cannot override default pattern: ", pattern.name()));
        }
        return false;
    }

private:
    // Refuses oversized input before anything else is examined.
    static const std::vector<PatternInfo>& check_count(std::size_t count) {
        if (count > PatternLibrary::max_patterns) {
            throw std::invalid_argument("Too many patterns");
        }
        return pulsework::catalogue();
    }

    const std::vector<PatternInfo>& defaults_;
    std::unordered_set<std::string> names_;
    std::uint64_t total_ = 0;
};

}  // namespace

PatternLibrary::PatternLibrary(std::vector<SampledPattern> patterns) {
    Admission admission(patterns.size());
    patterns_.reserve(patterns.size());
    for (SampledPattern& pattern : patterns) {
        if (admission.keeps(pattern)) {
            patterns_.push_back(std::move(pattern));
        }
    }
    make_scan_keys();
}

PatternLibrary PatternLibrary::from_copies(
    std::span<const std::reference_wrapper<const SampledPattern>> patterns) {
    Admission admission(patterns.size());
    PatternLibrary library;
    library.patterns_.reserve(patterns.size());
    for (const SampledPattern& pattern : patterns) {
        if (admission.keeps(pattern)) {
            library.patterns_.push_back(pattern);
        }
    }
    library.make_scan_keys();
    return library;
}

void PatternLibrary::make_scan_keys() {
    scan_keys_.clear();
    scan_keys_.reserve(patterns_.size());
    for (const SampledPattern& pattern : patterns_) {
        scan_keys_.push_back(scan_key(pattern.name()));
    }
}

const SampledPattern* PatternLibrary::find(std::string_view name) const noexcept {
    if (name.size() > SampledPattern::max_name_bytes) {
        return nullptr;
    }
    // Own names are distinct, so the first match confirmed is the only one.
    const std::uint32_t key = scan_key(name);
    const std::uint32_t* keys = scan_keys_.data();
    const std::size_t count = scan_keys_.size();
    for (std::size_t i = next_key(keys, 0, count, key); i < count; i = next_key(keys, i + 1, count, key)) {
        if (patterns_[i].name() == name) {
            return &patterns_[i];
        }
    }
    return nullptr;
}

Offset3 PatternLibrary::sample(std::string_view name, int pip) const {
    // Own names never equal default names, so searching them first changes
    // no answer.
    if (const SampledPattern* own = find(name)) {
        return own->sample(pip);
    }
    return pulsework::sample(name, pip);
}

std::optional<Offset3> PatternLibrary::try_sample(std::string_view name, int pip) const {
    if (const SampledPattern* own = find(name)) {
        return own->sample(pip);
    }
    if (const Sampler sampler = default_sampler(name)) {
        return sampler(pip);
    }
    return std::nullopt;
}

std::vector<PatternInfo> PatternLibrary::catalogue() const {
    const std::vector<PatternInfo>& defaults = pulsework::catalogue();
    std::vector<PatternInfo> records;
    records.reserve(defaults.size() + patterns_.size());
    records.assign(defaults.begin(), defaults.end());
    for (const SampledPattern& pattern : patterns_) {
        records.push_back(pattern.info());
    }
    return records;
}

}  // namespace pulsework
