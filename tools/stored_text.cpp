#include "tools/stored_text.h"

namespace lovetest::content {

QString toStoredText(const QString &text)
{
    QString stored;
    stored.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            stored += QLatin1Char('\r');
        stored += text[i];
    }
    return stored;
}

QString fromStoredText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return plain;
}

} // namespace lovetest::content
