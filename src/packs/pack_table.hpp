#pragma once
// The pack table, its name index and the row readers behind every pack
// sampler. The tables, the samplers and the index are generated at build
// time (see generator/) into constant data; this header is what the rest of
// the system sees of them.

#include <cstddef>
#include <cstdint>

#include "name_keys.hpp"
#include "pulsework/pack_entry.hpp"
#include "pulsework/pack_sizes.hpp"

// Every pack row back to back, three doubles (x, y, z) a row, in pack-table
// order: read-only data assembled from the generated binary table.
extern "C" const double pulsework_pack_rows[];

namespace pulsework::packs {

inline constexpr std::size_t entry_count = PACK_ENTRY_COUNT;

// Every pack pattern in pack-table order.
extern const PackEntry pack_table[entry_count];

// Positions into pack_table whose names ascend in byte-wise order (a proper
// prefix first): what the dispatcher's lower-bound search walks.
extern const std::uint64_t name_index[entry_count];

// The key of the name at each position of name_index, in the same order:
// what the search compares, contiguous and without a pointer to follow.
inline constexpr std::size_t name_key_words = PACK_NAME_KEY_WORDS;
using NameKey = BasicNameKey<name_key_words>;
extern const NameKey name_keys[entry_count];

// Reads row (pip mod Period) of the table that starts at FirstRow. Power-of-
// two periods reduce by a mask, others by a truncating remainder corrected
// to be non-negative; both give the non-negative remainder for every pip,
// which is all that keeps the read inside the table.
template <std::uint32_t FirstRow, std::uint32_t Period>
inline Offset3 read_row(int pip) noexcept {
    static_assert(Period >= 1 && Period <= 65535, "periods are 16-bit");
    std::uint32_t row;
    if constexpr ((Period & (Period - 1)) == 0) {
        row = static_cast<std::uint32_t>(pip) & (Period - 1);
    } else {
        const int r = pip % static_cast<int>(Period);
        row = static_cast<std::uint32_t>(r < 0 ? r + static_cast<int>(Period) : r);
    }
    const double* values = pulsework_pack_rows + 3 * (static_cast<std::size_t>(FirstRow) + row);
    return {values[0], values[1], values[2]};
}

}  // namespace pulsework::packs
