#include <cstddef>
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
// a proper prefix first), then exact confirmation of length and bytes.
Sampler find_pack(std::string_view name) noexcept {
    const std::uint64_t* first = packs::name_index;
    std::size_t count = packs::entry_count;
    while (count != 0) {
        const std::size_t half = count / 2;
        const std::uint64_t* mid = first + half;
        if (packs::pack_table[*mid].info.name < name) {
            first = mid + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    if (first != packs::name_index + packs::entry_count) {
        const PackEntry& entry = packs::pack_table[*first];
        if (entry.info.name == name) {
            return entry.sampler;
        }
    }
    return nullptr;
}

}  // namespace

Offset3 sample(std::string_view name, int pip) {
    if (const Sampler builtin = find_builtin(name)) {
        return builtin(pip);
    }
    if (const Sampler pack = find_pack(name)) {
        return pack(pip);
    }
    std::string message = "Unknown pulsework: ";
    message.append(name);
    throw std::invalid_argument(message);
}

}  // namespace pulsework
