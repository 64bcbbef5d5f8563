#include <vector>

#include "builtins.hpp"
#include "pack_table.hpp"
#include "pulsework/catalogue.hpp"

namespace pulsework {
namespace {

std::vector<PatternInfo> build_catalogue() {
    std::vector<PatternInfo> records;
    records.reserve(std::size(detail::builtin_records) + packs::entry_count);
    records.assign(std::begin(detail::builtin_records), std::end(detail::builtin_records));
    for (const PackEntry& entry : packs::pack_table) {
        records.push_back(entry.info);
    }
    return records;
}

}  // namespace

const std::vector<PatternInfo>& catalogue() {
    // Built once under the runtime's thread-safe static initialisation; a
    // build that throws leaves it unbuilt for the next call to retry.
    static const std::vector<PatternInfo> records = build_catalogue();
    return records;
}

}  // namespace pulsework
