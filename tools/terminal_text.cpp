#include "tools/terminal_text.h"

#include <algorithm>

namespace lovetest::content {

namespace {

bool actsOnTerminal(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString terminalSafe(const QString &text, LineBreaks lineBreaks)
{
    const auto acts = std::find_if(text.begin(), text.end(), [](QChar c) { return actsOnTerminal(c.unicode()); });
    if (acts == text.end())
        return text;
    QString safe = text.first(acts - text.begin());
    safe.reserve(text.size() + 16);
    for (qsizetype i = acts - text.begin(); i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!actsOnTerminal(c)) {
            safe += text[i];
        } else if (lineBreaks == LineBreaks::Keep && c == u'\n') {
            safe += text[i];
        } else if (lineBreaks == LineBreaks::Keep && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // A lone carriage return would let a text overwrite its own line.
            safe += QLatin1String("\r\n");
            ++i;
        } else {
            safe += QStringLiteral("\\u") + QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        }
    }
    return safe;
}

QString shownName(const QString &name)
{
    qsizetype end = 0;
    for (qsizetype shown = 0; end < name.size() && shown < kShownNameLength; ++shown)
        end += (name[end].isHighSurrogate() && end + 1 < name.size() && name[end + 1].isLowSurrogate()) ? 2 : 1;
    if (end == name.size())
        return terminalSafe(name);
    return terminalSafe(name.first(end)) + QStringLiteral("…");
}

} // namespace lovetest::content
