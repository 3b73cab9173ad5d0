#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace lovetest {

QString fromCp936(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

namespace {

// Fast path: the whole text round-trips. Otherwise the text is converted
// one character at a time, and each character without a mapping becomes
// what unmapped(character) gives, so the result never depends on how the
// converter reports them.
template <typename Unmapped> QByteArray encodeCp936(const QString &text, Unmapped unmapped)
{
    QStringEncoder encoder("GBK");
    QByteArray whole = encoder.encode(text);
    if (!encoder.hasError() && fromCp936(whole) == text)
        return whole;
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, len);
        QStringEncoder one("GBK");
        QByteArray bytes = one.encode(ch);
        QStringDecoder back("GBK");
        if (one.hasError() || bytes.isEmpty() || QString(back.decode(bytes)) != ch)
            bytes = unmapped(ch);
        out += bytes;
        i += len;
    }
    return out;
}

} // namespace

QByteArray toCp936(const QString &text)
{
    return encodeCp936(text, [](QStringView) { return QByteArray("?"); });
}

QByteArray toCp936Html(const QString &text)
{
    return encodeCp936(text, [](QStringView ch) {
        const char32_t code = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
        return "&#x" + QByteArray::number(quint32(code), 16).toUpper() + ';';
    });
}

bool fitsCp936(const QString &text, QChar *bad)
{
    QStringEncoder whole("GBK");
    const QByteArray bytes = whole.encode(text);
    if (!whole.hasError() && fromCp936(bytes) == text)
        return true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, len);
        QStringEncoder enc("GBK");
        const QByteArray bytes = enc.encode(ch);
        QStringDecoder dec("GBK");
        if (enc.hasError() || bytes.isEmpty() || QString(dec.decode(bytes)) != ch) {
            if (bad)
                *bad = text[i];
            return false;
        }
        i += len;
    }
    return true;
}

} // namespace lovetest
