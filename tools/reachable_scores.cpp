#include "tools/reachable_scores.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <set>
#include <vector>

#include "run/score_range.h"

namespace lovetest::content {

namespace {

// Above these the exact set of sums is not computed: a bitset over the
// interval of sums (512 KiB), or a set of at most this many sums.
constexpr qint64 kMaxBitsetSpan = qint64(1) << 22;
constexpr size_t kMaxSparseWork = size_t(1) << 20;

std::vector<std::vector<qint64>> optionScores(const Test &test)
{
    std::vector<std::vector<qint64>> result;
    for (const Question &question : test.questions) {
        std::vector<qint64> options;
        for (const QString &value : question.options.values) {
            const auto score = integerValue(value);
            if (!score) {
                options.clear();
                break;
            }
            options.push_back(*score);
        }
        std::sort(options.begin(), options.end());
        options.erase(std::unique(options.begin(), options.end()), options.end());
        if (!options.empty())
            result.push_back(std::move(options));
    }
    return result;
}

// Exact sums over a dense interval: bit i stands for the sum lowest + i.
std::vector<qint64> sumsByBitset(const std::vector<std::vector<qint64>> &questions, qint64 lowest, qint64 span)
{
    const size_t words = size_t(span / 64 + 1);
    std::vector<quint64> sums(words, 0), next(words);
    sums[0] = 1;
    qint64 reachedSpan = 0; // the highest bit that may be set so far
    for (const auto &options : questions) {
        std::fill(next.begin(), next.end(), 0);
        for (qint64 option : options) {
            const qint64 shift = option - options.front();
            const size_t wordShift = size_t(shift / 64);
            const int bitShift = int(shift % 64);
            const size_t used = size_t(reachedSpan / 64 + 1);
            for (size_t w = 0; w < used && w + wordShift < words; ++w) {
                next[w + wordShift] |= sums[w] << bitShift;
                if (bitShift && w + wordShift + 1 < words)
                    next[w + wordShift + 1] |= sums[w] >> (64 - bitShift);
            }
        }
        reachedSpan += options.back() - options.front();
        sums.swap(next);
    }
    std::vector<qint64> result;
    for (size_t w = 0; w < words; ++w) {
        for (quint64 bits = sums[w]; bits; bits &= bits - 1)
            result.push_back(lowest + qint64(w * 64 + size_t(std::countr_zero(bits))));
    }
    return result;
}

// Exact sums when they are few but spread wide; nullopt when the work grows
// past the bound.
std::optional<std::vector<qint64>> sumsBySet(const std::vector<std::vector<qint64>> &questions)
{
    std::vector<qint64> sums{0};
    for (const auto &options : questions) {
        if (sums.size() * options.size() > kMaxSparseWork)
            return std::nullopt;
        std::vector<qint64> next;
        next.reserve(sums.size() * options.size());
        for (qint64 sum : sums)
            for (qint64 option : options)
                next.push_back(sum + option);
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        sums = std::move(next);
    }
    return sums;
}

} // namespace

ReachableScores findReachableScores(const Test &test)
{
    const auto questions = optionScores(test);
    qint64 lowest = 0, highest = 0;
    for (const auto &options : questions) {
        lowest += options.front();
        highest += options.back();
    }
    ReachableScores result;
    std::optional<std::vector<qint64>> sums;
    if (highest - lowest < kMaxBitsetSpan)
        sums = sumsByBitset(questions, lowest, highest - lowest);
    else
        sums = sumsBySet(questions);
    // The ends come from the same rule the window uses to explain a verdict.
    QList<QList<qint64>> ends;
    for (const auto &options : questions)
        ends.append({options.front(), options.back()});
    const ScoreRange range = reachableScoreRange(ends, test.factor);
    result.lowest = range.minimum;
    result.highest = range.maximum;
    if (!sums) {
        result.exact = false;
        return result;
    }
    std::set<double> distinct;
    for (qint64 sum : *sums)
        distinct.insert(double(sum) * test.factor);
    for (double score : distinct)
        result.scores.append(score);
    return result;
}

QList<double> reachableScores(const Test &test)
{
    const ReachableScores found = findReachableScores(test);
    return found.exact ? found.scores : QList<double>();
}

} // namespace lovetest::content
