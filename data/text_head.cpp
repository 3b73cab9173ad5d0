#include "data/text_head.h"

namespace lovetest {

qsizetype headCut(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text.size();
    qsizetype cut = limit;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return cut;
}

QString boundedText(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    return text.left(headCut(text, limit)) + QStringLiteral("…");
}

} // namespace lovetest
