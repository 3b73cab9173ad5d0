#pragma once
#include <QByteArray>
#include <QList>

namespace lovetest {

// A query object used only as a holder of lines of text. Storing splits the
// text into lines at CR LF, lone CR or lone LF and stops at the first NUL;
// reading yields every line followed by CR LF.
class TextSlot {
public:
    void store(const QByteArray &text);
    QByteArray read() const;
    void clear() { m_lines.clear(); }
    const QList<QByteArray> &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }

private:
    QList<QByteArray> m_lines;
};

} // namespace lovetest
