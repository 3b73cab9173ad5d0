#include "text_slot.h"

namespace lovetest {

void TextSlot::store(const QByteArray &text)
{
    m_lines.clear();
    const qsizetype nul = text.indexOf('\0');
    const QByteArray body = nul < 0 ? text : text.left(nul);
    QByteArray line;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') {
            m_lines.append(line);
            line.clear();
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        m_lines.append(line);
}

QByteArray TextSlot::read() const
{
    QByteArray text;
    for (const QByteArray &line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace lovetest
