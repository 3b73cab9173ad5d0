// Content files of any shape through the reader, the checker and the builder.
// What build accepts must come back from export and be accepted again, giving
// the same tables.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/round_trip.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"

using namespace lovetest::content;

namespace {

bool accepted(const Content &content)
{
    return !hasErrors(checkContent(content));
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
        buildDatabase(content, first, {.replace = true, .dropHistory = true});
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
