// Content files of any shape through the reader, the checker and the builder.
// What build accepts must come back from export and be accepted again, giving
// the same tables.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/round_trip.h"
#include "tools/content_check.h"
#include "tools/content_db.h"
#include "tools/content_json.h"

using namespace lovetest::content;

namespace {

// Known faults mended on other branches, kept out of the way until they land:
// ids outside 1 ... 2^31-1 are cast unchecked, and the reachable-score check
// keeps every distinct sum.
bool hasIdOutOfRange(const QByteArray &json)
{
    const QJsonValue tests = QJsonDocument::fromJson(json).object().value(QLatin1String("tests"));
    for (const QJsonValue &test : tests.toArray()) {
        const QJsonValue id = test.toObject().value(QLatin1String("id"));
        if (id.isDouble() && !(id.toDouble() >= 1 && id.toDouble() <= std::numeric_limits<qint32>::max()))
            return true;
    }
    return false;
}

bool hasManyScoreSums(const Content &content)
{
    for (const Test &test : content.tests) {
        double combinations = 1;
        for (const Question &question : test.questions)
            combinations *= double(std::max<qsizetype>(1, question.options.size()));
        if (combinations > 1 << 16)
            return true;
    }
    return false;
}

bool accepted(const Content &content)
{
    return !hasManyScoreSums(content) && !hasErrors(checkContent(content));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    lovetest::fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    if (hasIdOutOfRange(json))
        return 0;
    Content content;
    try {
        content = parseContentJson(json);
    } catch (const ContentError &) {
        return 0;
    }
    if (!accepted(content))
        return 0;
    const QString first = lovetest::fuzz::scratchFile(QStringLiteral("first.mdb"));
    const QString second = lovetest::fuzz::scratchFile(QStringLiteral("second.mdb"));
    try {
        buildDatabase(content, first, true);
    } catch (const ContentError &) {
        return 0; // e.g. a text without a code page 936 form
    }
    // What build accepts must come back from export and build again alike.
    const QString fault = lovetest::fuzz::roundTripFault(first, second);
    if (!fault.isEmpty()) {
        fprintf(stderr, "%s\n", fault.toUtf8().constData());
        __builtin_trap();
    }
    return 0;
}
