// Nanoseconds per core call of every built-in and of sample() by name,
// beside a baseline of a trivial call measured in the same run.
//
//   cmake -S . -B build/bench -G Ninja -DPULSEWORK_MODULE=OFF -DPULSEWORK_BENCHMARKS=ON
//   ninja -C build/bench && build/bench/benchmarks/pulsework_bench_core
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

#include "pulsework/pulsework.hpp"

namespace {

volatile double sink;

// A trivial out-of-line call: what one call through a pointer costs.
[[gnu::noinline]] pulsework::Offset3 baseline(int pip) noexcept {
    return {static_cast<double>(pip), 0.0, 0.0};
}

template <typename F>
double ns_per_call(F&& call) {
    constexpr int calls = 2'000'000;
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        double total = 0.0;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            total += call(i * 7 - 1'000'000).x;
        }
        const auto stop = std::chrono::steady_clock::now();
        sink = total;
        best = std::min(best, std::chrono::duration<double, std::nano>(stop - start).count() / calls);
    }
    return best;
}

}  // namespace

int main() {
    pulsework::Offset3 (*volatile base)(int) = &baseline;
    const double base_ns = ns_per_call([&](int pip) { return base(pip); });
    std::printf("%-34s %8s %8s\n", "core call", "ns/call", "ratio");
    std::printf("%-34s %8.2f %8.2f\n", "trivial call [baseline]", base_ns, 1.0);
    for (const pulsework::PatternInfo& record : pulsework::catalogue()) {
        const std::string_view name = record.name;
        const bool builtin = &record - pulsework::catalogue().data() < 15;
        if (!builtin && name != "lfo_breathe" && name != "rhythm_group_223") continue;
        if (builtin) {
            // The built-in function itself, called through a pointer.
            pulsework::Offset3 (*volatile direct)(int) = nullptr;
            for (const auto& [n, f] : std::vector<std::pair<std::string_view, pulsework::Offset3 (*)(int)>>{
                     {"bounce", pulsework::bounce}, {"sway", pulsework::sway},
                     {"circle", pulsework::circle}, {"figure_eight", pulsework::figure_eight},
                     {"step_touch", pulsework::step_touch}, {"box_step", pulsework::box_step},
                     {"helix", pulsework::helix}, {"vorn_background", pulsework::vorn_background},
                     {"single_stroke_roll", pulsework::single_stroke_roll},
                     {"double_stroke_roll", pulsework::double_stroke_roll},
                     {"multiple_bounce_roll", pulsework::multiple_bounce_roll},
                     {"single_paradiddle", pulsework::single_paradiddle}, {"flam", pulsework::flam},
                     {"drag", pulsework::drag}, {"five_stroke_roll", pulsework::five_stroke_roll}}) {
                if (n == name) direct = f;
            }
            const double ns = ns_per_call([&](int pip) { return direct(pip); });
            std::printf("%-34.*s %8.2f %8.2f\n", int(name.size()), name.data(), ns, ns / base_ns);
        }
        const double by_name = ns_per_call([&](int pip) { return pulsework::sample(name, pip); });
        std::printf("sample(\"%.*s\")%*s %8.2f %8.2f\n", int(name.size()), name.data(),
                    int(24 - std::min<std::size_t>(24, name.size())), "", by_name, by_name / base_ns);
    }
    return 0;
}
