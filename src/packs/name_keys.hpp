#pragma once
// Names as fixed-width search keys, for the lower-bound search over the pack
// name index. A key is the name's bytes zero-padded to Words * 8 bytes and
// read as big-endian 64-bit words, so that comparing two keys word by word as
// unsigned numbers orders them as memcmp orders their bytes. For names
// without NUL bytes (every pack name) that is the order of the name index,
// a proper prefix first. A sought name that has NUL bytes can tie with a
// pack name's key; the length check that confirms a match refuses it.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pulsework::packs {

template <std::size_t Words>
struct BasicNameKey {
    std::uint64_t word[Words];
};

// Eight bytes as a big-endian number: the first byte most significant.
inline std::uint64_t load_big_endian(const char* bytes) noexcept {
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    if constexpr (std::endian::native == std::endian::little) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// The key of `name`; false when the name is longer than a key holds (and so
// longer than every name the keys were made from). Reads only the name's own
// bytes: a partial last word is taken from the eight bytes that end the name.
template <std::size_t Words>
inline bool make_name_key(std::string_view name, BasicNameKey<Words>& key) noexcept {
    const std::size_t size = name.size();
    if (size > Words * 8) {
        return false;
    }
    const char* bytes = name.data();
#pragma GCC unroll 8
    for (std::size_t w = 0; w < Words; ++w) {
        const std::size_t start = 8 * w;
        std::uint64_t word = 0;
        if (start + 8 <= size) {
            word = load_big_endian(bytes + start);
        } else if (start < size) {
            const std::size_t tail = size - start;
            if (size >= 8) {
                word = load_big_endian(bytes + size - 8) << (8 * (8 - tail));
            } else {
                for (std::size_t i = 0; i < tail; ++i) {
                    word |= std::uint64_t{static_cast<unsigned char>(bytes[start + i])} << (56 - 8 * i);
                }
            }
        }
        key.word[w] = word;
    }
    return true;
}

// Word by word; the first word nearly always decides.
template <std::size_t Words>
inline bool operator<(const BasicNameKey<Words>& a, const BasicNameKey<Words>& b) noexcept {
    if (a.word[0] != b.word[0]) [[likely]] {
        return a.word[0] < b.word[0];
    }
    for (std::size_t w = 1; w + 1 < Words; ++w) {
        if (a.word[w] != b.word[w]) {
            return a.word[w] < b.word[w];
        }
    }
    return a.word[Words - 1] < b.word[Words - 1];
}

template <std::size_t Words>
inline bool operator==(const BasicNameKey<Words>& a, const BasicNameKey<Words>& b) noexcept {
    for (std::size_t w = 0; w < Words; ++w) {
        if (a.word[w] != b.word[w]) {
            return false;
        }
    }
    return true;
}

// Whether a < b, given that their first words are equal.
template <std::size_t Words>
inline bool less_after_first_word(const BasicNameKey<Words>& a, const BasicNameKey<Words>& b) noexcept {
    for (std::size_t w = 1; w + 1 < Words; ++w) {
        if (a.word[w] != b.word[w]) {
            return a.word[w] < b.word[w];
        }
    }
    return Words > 1 && a.word[Words - 1] < b.word[Words - 1];
}

// The first of `count` ascending keys that is not less than `key`, found by
// halving: at most ceil(log2(count + 1)) comparisons, each decided by the
// first words unless they are equal.
template <std::size_t Words>
inline std::size_t lower_bound(const BasicNameKey<Words>* keys, std::size_t count,
                               const BasicNameKey<Words>& key) noexcept {
    const BasicNameKey<Words>* first = keys;
    const std::uint64_t leading = key.word[0];
    while (count != 0) {
        const std::size_t half = count / 2;
        const BasicNameKey<Words>* mid = first + half;
        const std::uint64_t word = mid->word[0];
        if (word < leading || (word == leading && less_after_first_word(*mid, key))) {
            first = mid + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return static_cast<std::size_t>(first - keys);
}

}  // namespace pulsework::packs
