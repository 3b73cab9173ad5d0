#include "widgets/catalog_search.h"

#include "data/dataset.h"

#include <algorithm>

namespace lovetest {

QString catalogSearchFilter(const QString &typed)
{
    // Inside the quoted like-pattern '' stands for a quote, "\*" for an
    // asterisk and "\\" for a backslash; every other character matches
    // itself.
    QString pattern;
    pattern.reserve(typed.size() + 8);
    for (const QChar c : typed) {
        if (c == QLatin1Char('\''))
            pattern += QStringLiteral("''");
        else if (c == QLatin1Char('*') || c == QLatin1Char('\\'))
            pattern += QLatin1Char('\\') + QString(c);
        else
            pattern += c;
    }
    return QStringLiteral("name like '*") + pattern + QStringLiteral("*'");
}

void applyCatalogSearch(Dataset &catalog, const QString &typed)
{
    if (typed.isEmpty()) {
        catalog.setFiltered(false);
        return;
    }
    catalog.setFiltered(false);
    catalog.setFilter(catalogSearchFilter(typed));
    catalog.setFiltered(true);
}

namespace {

char16_t foldLatin(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

bool catalogNameMatches(QStringView name, QStringView typed)
{
    // Without a Latin letter no case is to be ignored: the library's search.
    const bool letters = std::any_of(typed.begin(), typed.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    });
    if (!letters)
        return name.contains(typed);
    const qsizetype length = typed.size();
    for (qsizetype at = 0; at + length <= name.size(); ++at) {
        qsizetype i = 0;
        while (i < length && foldLatin(name[at + i].unicode()) == foldLatin(typed[i].unicode()))
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

} // namespace lovetest
