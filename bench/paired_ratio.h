#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace rotopal::bench {

// Runs an operation and its baseline alternately, pair by pair, and reports the median ratio of
// the pairs as the counter "ratio": drifts in the machine's load then affect both sides of every
// pair alike.
template <class Operation, class Baseline>
void PairedRatio(benchmark::State& state, Operation operation, Baseline baseline) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        operation();
        const auto t1 = Clock::now();
        baseline();
        const auto t2 = Clock::now();
        ratios.push_back(std::chrono::duration<double>(t1 - t0).count() /
                         std::chrono::duration<double>(t2 - t1).count());
    }
    std::nth_element(ratios.begin(),
                     ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2), ratios.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
}

}  // namespace rotopal::bench
