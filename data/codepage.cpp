#include "codepage.h"

#include <optional>

#include <QStringDecoder>
#include <QStringEncoder>

namespace lovetest {

namespace {

// Looking a converter up by name costs more than most conversions it does:
// each thread makes its pair once and starts every conversion afresh.
QStringDecoder &decoder()
{
    thread_local QStringDecoder converter("GBK");
    converter.resetState();
    return converter;
}

QStringEncoder &encoder()
{
    thread_local QStringEncoder converter("GBK");
    converter.resetState();
    return converter;
}

// Encodes text; nullopt when a character has no code page 936 form or does
// not come back as itself. The round trip alone decides: a reused converter
// keeps reporting an error once it had one, even after resetState().
std::optional<QByteArray> exactly(QStringView text)
{
    QByteArray bytes = encoder().encode(text);
    if (bytes.isEmpty() && !text.isEmpty())
        return std::nullopt;
    if (QString(decoder().decode(bytes)) != text)
        return std::nullopt;
    return bytes;
}

qsizetype characterLength(const QString &text, qsizetype i)
{
    return (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
}

} // namespace

QString fromCp936(const QByteArray &bytes)
{
    return decoder().decode(bytes);
}

namespace {

// Fast path: the whole text round-trips. Otherwise the text is converted
// one character at a time, and each character without a mapping becomes
// what unmapped(character) gives, so the result never depends on how the
// converter reports them.
template <typename Unmapped>
QByteArray encodeCp936(const QString &text, Unmapped unmapped)
{
    if (const auto whole = exactly(text))
        return *whole;
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        const QStringView ch = QStringView(text).mid(i, len);
        if (const auto bytes = exactly(ch))
            out += *bytes;
        else
            out += unmapped(ch);
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

QString firstCharacterOutsideCp936(const QString &text)
{
    if (exactly(text))
        return {};
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        if (!exactly(QStringView(text).mid(i, len)))
            return text.mid(i, len);
        i += len;
    }
    return {};
}

bool fitsCp936(const QString &text, QChar *bad)
{
    if (exactly(text))
        return true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        if (!exactly(QStringView(text).mid(i, len))) {
            if (bad)
                *bad = text[i];
            return false;
        }
        i += len;
    }
    return true;
}

} // namespace lovetest
