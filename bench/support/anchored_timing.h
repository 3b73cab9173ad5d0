#pragma once
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace lovetest::bench {

// Times measured() in the benchmark's loop against anchor() in the same run:
// one warm-up of each, the anchor's mean of five rounds as anchor_ms, and the
// measured mean against it under ratioName. Both return seconds.
template <typename Anchor, typename Measured>
void timeAgainstAnchor(benchmark::State &state, Anchor &&anchor, Measured &&measured, const char *ratioName)
{
    anchor();
    measured();
    double anchorSeconds = 0;
    constexpr int kAnchorRounds = 5;
    for (int i = 0; i < kAnchorRounds; ++i)
        anchorSeconds += anchor();
    anchorSeconds /= kAnchorRounds;

    double seconds = 0;
    for (auto _ : state) {
        const double step = measured();
        state.SetIterationTime(step);
        seconds += step;
    }
    state.counters["anchor_ms"] = anchorSeconds * 1000;
    state.counters[ratioName] = seconds / double(state.iterations()) / anchorSeconds;
}

// The command line without "--large", for benchmark::Initialize; large tells
// whether it was there.
inline std::vector<char *> argumentsWithoutLarge(int argc, char **argv, bool &large)
{
    std::vector<char *> arguments;
    large = false;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--large")
            large = true;
        else
            arguments.push_back(argv[i]);
    }
    return arguments;
}

} // namespace lovetest::bench
