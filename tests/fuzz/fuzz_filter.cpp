// Filter texts of any shape: parsing either succeeds or raises FilterError,
// and a parsed filter tests rows of every kind without failing.
#include <cstddef>
#include <cstdint>

#include <QString>
#include <QVariant>

#include "data/filter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const lovetest::CompiledFilter filter(
            text, {QStringLiteral("ID"), QStringLiteral("Parent"), QStringLiteral("名称"), QStringLiteral("类别")});
        const QList<QList<QVariant>> rows = {
            {QVariant(qint64(12)), QVariant(), QStringLiteral("abc*"), QStringLiteral("2")},
            {QVariant(qint64(-1)), QStringLiteral("x"), QVariant(), QVariant(3.5)},
            {QVariant(), QVariant(), QVariant(), QVariant()},
        };
        for (const QList<QVariant> &row : rows)
            (void)filter.matches(row);
    } catch (const lovetest::FilterError &) {}
    // The same text as a like pattern and as the text it is matched against.
    const qsizetype half = text.size() / 2;
    (void)lovetest::likeMatch(QStringView(text).left(half), QStringView(text).mid(half));
    (void)lovetest::likeMatch(QStringView(text).mid(half), QStringView(text).left(half));
    return 0;
}
