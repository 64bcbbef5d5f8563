#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "pack_table.hpp"
#include "pulsework/catalogue.hpp"
#include "pulsework/rudiments.hpp"
#include "pulsework/shapes.hpp"

namespace pulsework {
namespace {

// Built-in names are told apart by length first, so a name meets at most
// three byte comparisons before a built-in runs or the pack search starts.
Sampler find_builtin(std::string_view name) noexcept {
    switch (name.size()) {
        case 4:
            if (name == "sway") return &sway;
            if (name == "flam") return &flam;
            if (name == "drag") return &drag;
            break;
        case 5:
            if (name == "helix") return &helix;
            break;
        case 6:
            if (name == "bounce") return &bounce;
            if (name == "circle") return &circle;
            break;
        case 8:
            if (name == "box_step") return &box_step;
            break;
        case 10:
            if (name == "step_touch") return &step_touch;
            break;
        case 12:
            if (name == "figure_eight") return &figure_eight;
            break;
        case 15:
            if (name == "vorn_background") return &vorn_background;
            break;
        case 16:
            if (name == "five_stroke_roll") return &five_stroke_roll;
            break;
        case 17:
            if (name == "single_paradiddle") return &single_paradiddle;
            break;
        case 18:
            if (name == "single_stroke_roll") return &single_stroke_roll;
            if (name == "double_stroke_roll") return &double_stroke_roll;
            break;
        case 20:
            if (name == "multiple_bounce_roll") return &multiple_bounce_roll;
            break;
        default:
            break;
    }
    return nullptr;
}

// Lower bound over the name index in string-view order (unsigned bytes,
// a proper prefix first), then exact confirmation of length and bytes. The
// search compares the fixed-width keys stored beside the index; a name too
// long for a key is longer than every pack name.
Sampler find_pack(std::string_view name) noexcept {
    packs::NameKey key;
    if (!packs::make_name_key(name, key)) {
        return nullptr;
    }
    const std::size_t position = packs::lower_bound(packs::name_keys, packs::entry_count, key);
    if (position == packs::entry_count) {
        return nullptr;
    }
    const PackEntry& entry = packs::pack_table[packs::name_index[position]];
    if (entry.info.name.size() != name.size() || !(packs::name_keys[position] == key)) {
        return nullptr;
    }
    return entry.sampler;
}

}  // namespace

Sampler default_sampler(std::string_view name) noexcept {
    if (const Sampler builtin = find_builtin(name)) {
        return builtin;
    }
    return find_pack(name);
}

std::optional<Offset3> try_sample(std::string_view name, int pip) noexcept {
    if (const Sampler sampler = default_sampler(name)) {
        return sampler(pip);
    }
    return std::nullopt;
}

Offset3 sample(std::string_view name, int pip) {
    if (const Sampler sampler = default_sampler(name)) {
        return sampler(pip);
    }
    std::string message = "Unknown pulsework: ";
    message.append(name);
    throw std::invalid_argument(message);
}

}  // namespace pulsework
