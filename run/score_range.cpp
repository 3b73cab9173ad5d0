#include "run/score_range.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "data/convert.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "run/test_run.h"

namespace lovetest {

QList<qint64> integerOptionScores(const QStringList &values)
{
    QList<qint64> scores;
    for (const QString &value : values) {
        try {
            scores.append(toInteger(value));
        } catch (const std::exception &) {
            return {};
        }
    }
    return scores;
}

ScoreRange reachableScoreRange(const QList<QList<qint64>> &optionScores, double factor)
{
    qint64 low = 0;
    qint64 high = 0;
    for (const QList<qint64> &options : optionScores) {
        if (options.isEmpty())
            continue;
        const auto [least, most] = std::minmax_element(options.begin(), options.end());
        low += *least;
        high += *most;
    }
    const double a = double(low) * factor;
    const double b = double(high) * factor;
    // 0 × a factor may give -0; show it as 0.
    return {std::min(a, b) + 0.0, std::max(a, b) + 0.0};
}

namespace {

// Above these the exact set of sums is not computed: a bitset over the
// interval of sums (512 KiB), or a set of at most this many sums.
constexpr qint64 kMaxBitsetSpan = qint64(1) << 22;
constexpr size_t kMaxSparseWork = size_t(1) << 20;

using OptionLists = std::vector<std::vector<qint64>>;

// Exact sums over a dense interval: bit i stands for the sum lowest + i.
std::vector<qint64> sumsByBitset(const OptionLists &questions, qint64 lowest, qint64 span)
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
std::optional<std::vector<qint64>> sumsBySet(const OptionLists &questions)
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

// Counting keeps one counter per sum: over the dense interval of sums while
// it is this narrow (2 × 1 MiB), otherwise over the distinct sums while a
// step makes at most this many; and it stops once the additions pass the
// work bound. The total must leave room for a share's "× 100".
constexpr qint64 kMaxCountSpan = qint64(1) << 16;
constexpr size_t kMaxCountEntries = size_t(1) << 16;
constexpr quint64 kMaxCountWork = quint64(1) << 24;
constexpr CombinationCount kMaxCombinations = CombinationCount(1) << 120;

std::optional<std::vector<SumCount>> countDense(const OptionLists &questions, qint64 lowest, qint64 span)
{
    // The additions are known before any is made: refuse at once.
    quint64 work = 0;
    qint64 reached = 0; // the highest offset counted so far
    for (const auto &options : questions) {
        work += quint64(reached + 1) * options.size();
        if (work > kMaxCountWork)
            return std::nullopt;
        reached +=
            *std::max_element(options.begin(), options.end()) - *std::min_element(options.begin(), options.end());
    }
    std::vector<CombinationCount> counts(size_t(span) + 1, 0), next(counts.size());
    counts[0] = 1;
    reached = 0;
    for (const auto &options : questions) {
        const qint64 least = *std::min_element(options.begin(), options.end());
        const qint64 most = *std::max_element(options.begin(), options.end());
        std::fill(next.begin(), next.begin() + (reached + most - least + 1), 0);
        for (qint64 option : options) {
            const qint64 shift = option - least;
            for (qint64 at = 0; at <= reached; ++at)
                next[size_t(at + shift)] += counts[size_t(at)];
        }
        reached += most - least;
        counts.swap(next);
    }
    std::vector<SumCount> result;
    for (qint64 at = 0; at <= reached; ++at) {
        if (counts[size_t(at)])
            result.push_back({lowest + at, counts[size_t(at)]});
    }
    return result;
}

std::optional<std::vector<SumCount>> countSparse(const OptionLists &questions)
{
    std::vector<SumCount> counts{{0, 1}};
    quint64 work = 0;
    for (const auto &options : questions) {
        const size_t made = counts.size() * options.size();
        work += made;
        if (made > kMaxCountEntries || work > kMaxCountWork)
            return std::nullopt;
        std::vector<SumCount> next;
        next.reserve(made);
        for (const SumCount &entry : counts)
            for (qint64 option : options)
                next.push_back({entry.sum + option, entry.count});
        std::sort(next.begin(), next.end(), [](const SumCount &a, const SumCount &b) { return a.sum < b.sum; });
        counts.clear();
        for (const SumCount &entry : next) {
            if (!counts.empty() && counts.back().sum == entry.sum)
                counts.back().count += entry.count;
            else
                counts.push_back(entry);
        }
    }
    return counts;
}

} // namespace

std::optional<std::vector<SumCount>> countScoreCombinations(const QList<QList<qint64>> &optionScores)
{
    OptionLists questions;
    CombinationCount total = 1;
    qint64 lowest = 0, highest = 0;
    for (const QList<qint64> &options : optionScores) {
        if (options.isEmpty())
            continue;
        if (__builtin_mul_overflow(total, CombinationCount(options.size()), &total) || total > kMaxCombinations)
            return std::nullopt;
        questions.emplace_back(options.begin(), options.end());
        const auto [least, most] = std::minmax_element(options.begin(), options.end());
        lowest += *least;
        highest += *most;
    }
    if (highest - lowest < kMaxCountSpan)
        return countDense(questions, lowest, highest - lowest);
    return countSparse(questions);
}

ReachableScores findReachableScores(const QList<QList<qint64>> &optionScores, double factor)
{
    OptionLists questions;
    for (const QList<qint64> &options : optionScores) {
        if (options.isEmpty())
            continue;
        std::vector<qint64> sorted(options.begin(), options.end());
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        questions.push_back(std::move(sorted));
    }
    qint64 lowest = 0, highest = 0;
    for (const auto &options : questions) {
        lowest += options.front();
        highest += options.back();
    }
    ReachableScores result;
    const ScoreRange range = reachableScoreRange(optionScores, factor);
    result.lowest = range.minimum;
    result.highest = range.maximum;
    result.whole = std::isfinite(factor) && factor == std::floor(factor);
    std::optional<std::vector<qint64>> sums;
    if (highest - lowest < kMaxBitsetSpan)
        sums = sumsByBitset(questions, lowest, highest - lowest);
    else
        sums = sumsBySet(questions);
    if (!sums) {
        result.exact = false;
        return result;
    }
    std::set<double> distinct;
    for (qint64 sum : *sums)
        distinct.insert(double(sum) * factor + 0.0); // + 0.0: no -0
    for (double score : distinct)
        result.scores.append(score);
    return result;
}

ReachableScores questionsReachableScores(Dataset &questions, SealedFields &sealed, double factor)
{
    QList<QList<qint64>> optionScores;
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (isTestsOwnRow(questions))
            continue;
        QStringList values;
        for (const QByteArray &value :
             sealed.unsealList(*questions.fieldByName(QStringLiteral("分值范围")), kValueSeparator))
            values.append(QString::fromLatin1(value));
        optionScores.append(integerOptionScores(values));
    }
    return findReachableScores(optionScores, factor);
}

ReachableScores runningTestReachableScores(TestDatabase &database, SealedFields &sealed)
{
    return questionsReachableScores(database.questions, sealed,
                                    database.catalog.fieldByName(QStringLiteral("参数"))->asFloat());
}

} // namespace lovetest
