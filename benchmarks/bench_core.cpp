// Nanoseconds per core call: every built-in, sampling by name, finding a
// name (in this build's pack index and in a simulated full-size one of
// 1,716 names), and a library's scan of its own names; each beside a
// baseline of a trivial call measured in the same run.
//
//   cmake -S . -B build/bench -G Ninja -DPULSEWORK_MODULE=OFF -DPULSEWORK_BENCHMARKS=ON
//   ninja -C build/bench && build/bench/benchmarks/pulsework_bench_core
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "name_keys.hpp"
#include "pack_table.hpp"
#include "pulsework/pulsework.hpp"

namespace {

volatile double sink;
volatile std::size_t sink_size;

// A trivial out-of-line call: what one call through a pointer costs.
[[gnu::noinline]] pulsework::Offset3 baseline(int pip) noexcept {
    return {static_cast<double>(pip), 0.0, 0.0};
}

// Best of many short runs, in ns per call: on a shared machine the shortest
// run is the one that was least disturbed.
template <typename F>
double ns_per_call(F&& call, int calls = 2'000) {
    double best = 1e300;
    for (int run = 0; run < 2'000; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            call(i);
        }
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(stop - start).count() / calls);
    }
    return best;
}

void row(std::string_view label, double ns, double base_ns, const char* note = "") {
    std::printf("%-46.*s %8.2f %8.2f  %s\n", static_cast<int>(label.size()), label.data(), ns, ns / base_ns, note);
}

// Pack names of a catalogue of the full size: this build's own, the club and
// dancefloor grid (68 grooves by 16 shapes), continuum-like families of
// sixteen, and numbered fillers up to 1,716 should the packs still differ.
std::vector<std::string> full_size_names() {
    std::set<std::string> names;
    for (const pulsework::PackEntry& entry : pulsework::packs::pack_table) {
        names.emplace(entry.info.name);
    }
    const char* grooves[] = {
        "four_floor", "house_classic", "house_shuffle", "house_jack", "techno_drive", "techno_toms",
        "techno_broken", "techno_polymeter", "ukg_two_step", "ukg_skip", "ukg_four_four", "speed_garage",
        "bassline", "grime_sparse", "grime_syncopated", "grime_half", "drill_tresillo", "drill_displaced",
        "drill_rolls", "amen_four_bar", "amen_no_ghosts", "jungle_chops", "jungle_ghosts", "jungle_switch",
        "dnb_two_step", "dnb_rolling", "dnb_half", "dubstep_half", "dubstep_skip", "trap_trills", "electro",
        "trance", "rave_breaks", "dembow", "disco", "amapiano", "jersey_five", "jersey_call",
        "footwork_triplet", "footwork_sparse", "funky_toms", "funky_syncopated", "broken_push",
        "broken_shuffle", "afro_bell", "afro_cross", "gqom_space", "gqom_exchange", "baile_toms",
        "baile_response", "reggae_one_drop", "reggae_steppers", "reggae_rockers", "son_clave_32",
        "son_clave_23", "psy_rolling", "psy_offbeat", "hard_reverse", "italo_machine", "electro_robot",
        "acid_percussion", "techno_rumble", "ukg_rim_shuffle", "dnb_push", "jungle_switchback",
        "amapiano_answer", "dancehall_space", "dembow_push"};
    const char* shapes[] = {"bounce", "step", "orbit", "glide", "surge", "recoil", "flutter", "dive",
                            "pendulum", "figure8", "box", "corkscrew", "spiral", "slalom", "spring", "ricochet"};
    for (const char* groove : grooves) {
        for (const char* shape : shapes) {
            names.insert(std::string("beat_") + groove + "_" + shape);
        }
    }
    const char* families[] = {"ribbon", "contour_shaped", "silhouette_harmonic", "spline", "tour", "scan",
                              "reach", "surface", "braid", "arm_coupled", "dwell_phrase", "packet",
                              "canon", "echo", "ladder", "necklace", "accent", "triplet", "dialogue", "burst"};
    for (const char* family : families) {
        for (int member = 1; member <= 16; ++member) {
            char name[48];
            std::snprintf(name, sizeof name, "%s_%02d", family, member);
            names.insert(name);
        }
    }
    for (int filler = 0; names.size() < 1716; ++filler) {
        names.insert("filler_pattern_" + std::to_string(filler));
    }
    std::vector<std::string> sorted(names.begin(), names.end());
    sorted.resize(std::min<std::size_t>(sorted.size(), 1716));
    return sorted;
}

}  // namespace

int main() {
    namespace pw = pulsework;
    pw::Offset3 (*volatile base)(int) = &baseline;
    const double base_ns = ns_per_call([&](int i) { sink = base(i * 7 - 1'000'000).x; });
    std::printf("%-46s %8s %8s\n", "core call", "ns/call", "ratio");
    row("trivial call [baseline]", base_ns, base_ns);

    const std::pair<std::string_view, pw::Offset3 (*)(int)> builtins[] = {
        {"bounce", pw::bounce}, {"sway", pw::sway}, {"circle", pw::circle}, {"figure_eight", pw::figure_eight},
        {"step_touch", pw::step_touch}, {"box_step", pw::box_step}, {"helix", pw::helix},
        {"vorn_background", pw::vorn_background}, {"single_stroke_roll", pw::single_stroke_roll},
        {"double_stroke_roll", pw::double_stroke_roll}, {"multiple_bounce_roll", pw::multiple_bounce_roll},
        {"single_paradiddle", pw::single_paradiddle}, {"flam", pw::flam}, {"drag", pw::drag},
        {"five_stroke_roll", pw::five_stroke_roll}};
    for (const auto& [name, function] : builtins) {
        pw::Offset3 (*volatile direct)(int) = function;
        row(name, ns_per_call([&](int i) { sink = direct(i * 7 - 1'000'000).x; }), base_ns);
        const std::string_view n = name;
        row("  sample(\"" + std::string(name) + "\")",
            ns_per_call([&](int i) { sink = pw::sample(n, i * 7 - 1'000'000).x; }), base_ns);
    }

    // Finding names in this build's index.
    std::vector<std::string_view> index_order;
    for (std::size_t k = 0; k < pw::packs::entry_count; ++k) {
        index_order.push_back(pw::packs::pack_table[pw::packs::name_index[k]].info.name);
    }
    std::printf("\nfinding a pack name (%zu in this build)\n", index_order.size());
    for (const std::string_view name : {index_order.front(), index_order[index_order.size() / 2], index_order.back()}) {
        const std::string_view n = name;
        row("default_sampler(\"" + std::string(name) + "\")",
            ns_per_call([&](int) { sink_size = reinterpret_cast<std::size_t>(pw::default_sampler(n)); }), base_ns);
    }
    row("default_sampler, every pack name in turn",
        ns_per_call([&](int i) {
            sink_size = reinterpret_cast<std::size_t>(pw::default_sampler(index_order[i % index_order.size()]));
        }), base_ns);
    row("default_sampler(unknown name)",
        ns_per_call([&](int) { sink_size = reinterpret_cast<std::size_t>(pw::default_sampler("no_such_pattern")); }),
        base_ns);

    // The same search over a simulated full-size index.
    const std::vector<std::string> names = full_size_names();
    std::size_t longest = 0;
    for (const std::string& name : names) longest = std::max(longest, name.size());
    std::vector<pw::packs::BasicNameKey<4>> keys(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) pw::packs::make_name_key(names[k], keys[k]);
    const auto find = [&](std::string_view name) -> std::size_t {
        pw::packs::BasicNameKey<4> key;
        if (!pw::packs::make_name_key(name, key)) return names.size();
        const std::size_t k = pw::packs::lower_bound(keys.data(), keys.size(), key);
        return k != names.size() && names[k].size() == name.size() && keys[k] == key ? k : names.size();
    };
    // The same halving, comparing the names themselves through the index (a
    // name view each, scattered as the pack table lays them out): the search
    // before the keys, for comparison.
    std::vector<std::string_view> views(names.begin(), names.end());
    std::vector<std::size_t> index(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) index[k] = (k * 7919) % names.size();
    std::vector<std::string_view> table(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) table[index[k]] = views[k];
    const auto find_through_index = [&](std::string_view name) -> std::size_t {
        const std::size_t* first = index.data();
        std::size_t count = index.size();
        while (count != 0) {
            const std::size_t half = count / 2;
            if (table[first[half]] < name) {
                first += half + 1;
                count -= half + 1;
            } else {
                count = half;
            }
        }
        return first != index.data() + index.size() && table[*first] == name ? *first : names.size();
    };
    std::size_t found = 0;
    for (const std::string& name : names) found += find(name) != names.size();
    std::printf("\nfinding a name in a simulated full-size index (%zu names, %zu found, longest %zu bytes)\n",
                names.size(), found, longest);
    double worst = 0.0;
    for (const std::string& name : {names.front(), names[names.size() / 2], names.back()}) {
        const double ns = ns_per_call([&](int) { sink_size = find(name); });
        worst = std::max(worst, ns);
        row("find(\"" + name + "\")", ns, base_ns);
    }
    for (const std::string& name : names) {
        worst = std::max(worst, ns_per_call([&](int) { sink_size = find(name); }, 200));
    }
    std::printf("%-46s %8.2f ns  (target <= 15 ns: %s)\n", "worst look-up of one name, over all names", worst,
                worst <= 15.0 ? "met" : "MISSED");
    // Names in a scrambled order, so that no search repeats the one before.
    std::vector<std::string_view> scrambled(names.begin(), names.end());
    for (std::size_t k = scrambled.size(), state = 88172645463325252u; k > 1; --k) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::swap(scrambled[k - 1], scrambled[state % k]);
    }
    row("find, every name in a scrambled order",
        ns_per_call([&](int i) { sink_size = find(scrambled[i % scrambled.size()]); }), base_ns);
    for (const std::string& name : {names.front(), names[names.size() / 2], names.back()}) {
        row("names through the index: \"" + name + "\"", ns_per_call([&](int) { sink_size = find_through_index(name); }),
            base_ns);
    }
    row("names through the index, scrambled order",
        ns_per_call([&](int i) { sink_size = find_through_index(scrambled[i % scrambled.size()]); }), base_ns);

    // A library's own names: the ordered scan over its keys.
    std::printf("\nPatternLibrary: own names by scan, defaults after it\n");
    for (const int count : {1, 16, 1024}) {
        std::vector<pw::SampledPattern> patterns;
        for (int k = 0; k < count; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "user_pattern_%04d", k);
            patterns.emplace_back(name, "", std::vector<pw::Offset3>(64, pw::Offset3{0.5, 0.0, 0.0}));
        }
        const pw::PatternLibrary library(std::move(patterns));
        char last[32];
        std::snprintf(last, sizeof last, "user_pattern_%04d", count - 1);
        const std::string_view own = last;
        const std::string_view pack = index_order.back();
        row("library(" + std::to_string(count) + ").find(last own)",
            ns_per_call([&](int) { sink_size = reinterpret_cast<std::size_t>(library.find(own)); }), base_ns);
        row("library(" + std::to_string(count) + ").sample(last own)",
            ns_per_call([&](int i) { sink = library.sample(own, i).x; }), base_ns);
        row("library(" + std::to_string(count) + ").sample(\"bounce\")",
            ns_per_call([&](int i) { sink = library.sample("bounce", i).x; }), base_ns);
        row("library(" + std::to_string(count) + ").sample(last pack name)",
            ns_per_call([&](int i) { sink = library.sample(pack, i).x; }), base_ns);
    }
    return 0;
}
