#include "pulsework/pattern_library.hpp"

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
    return library;
}

Offset3 PatternLibrary::sample(std::string_view name, int pip) const {
    // Own names never equal default names, so searching them first changes
    // no answer; the comparison checks lengths before bytes.
    for (const SampledPattern& pattern : patterns_) {
        if (pattern.name() == name) {
            return pattern.sample(pip);
        }
    }
    return pulsework::sample(name, pip);
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
