#include "split_text.h"

namespace lovetest {

QList<QByteArray> splitText(const QByteArray &text, const QByteArray &separator)
{
    QList<QByteArray> items;
    qsizetype start = 0;
    if (!separator.isEmpty()) {
        for (qsizetype at = text.indexOf(separator, start); at >= 0; at = text.indexOf(separator, start)) {
            items.append(text.mid(start, at - start));
            start = at + separator.size();
        }
    }
    items.append(text.mid(start));
    return items;
}

} // namespace lovetest
