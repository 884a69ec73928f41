// Key coding throughput: keys per second over a names list, and alignments per second on
// key parts of 3 to 12 characters.
#include <benchmark/benchmark.h>

#include <random>

#include "names.h"
#include "quarrymink/keycoding.h"

namespace {

using namespace quarrymink;

void MakeCodeNames(benchmark::State& state) {
    std::vector<std::u16string> names = bench::FullNames(4096);
    for (const auto& n : bench::LastNames()) names.push_back(n);
    KeyCoder coder;
    std::size_t i = 0, bytes = 0;
    for (auto _ : state) {
        std::u16string key = coder.MakeCode(names[i++ % names.size()]);
        bytes += key.size();
        benchmark::DoNotOptimize(key);
    }
    state.counters["keys/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(MakeCodeNames);

void AlignKeyParts(benchmark::State& state) {
    // Key parts as the scoring sees them: a sound, then digits or a respelled tail.
    KeyCoder coder;
    std::vector<std::u16string> parts;
    for (const auto& name : bench::LastNames()) {
        const KeySounds split = SplitKeySounds(coder.MakeCode(name));
        for (const auto& pair : split.pairs)
            for (const auto& part : pair)
                if (part.size() >= 3 && part.size() <= 12) parts.push_back(part);
    }
    std::mt19937 rng(1);
    std::vector<std::pair<std::size_t, std::size_t>> order(4096);
    std::uniform_int_distribution<std::size_t> pick(0, parts.size() - 1);
    for (auto& o : order) o = {pick(rng), pick(rng)};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [a, b] = order[i++ & 4095];
        benchmark::DoNotOptimize(AlignmentScore(parts[a], parts[b], 255));
    }
    state.counters["alignments/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(AlignKeyParts);

}  // namespace

BENCHMARK_MAIN();
