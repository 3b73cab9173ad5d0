#include "tools/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <QStringDecoder>

namespace lovetest::content {

namespace {

// What strtod makes of a well-formed number a double cannot hold: infinity
// when it is too large, zero when too small, with its sign.
double beyondDouble(const char *begin, const char *end)
{
    const bool negative = *begin == '-';
    // The power of ten of the first digit that is not zero.
    long long wholeDigits = 0, firstWhole = -1, fractionDigits = 0, firstFraction = -1;
    bool fraction = false;
    const char *p = begin + (negative ? 1 : 0);
    for (; p != end && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.')
            fraction = true;
        else if (!fraction && firstWhole < 0 && *p != '0')
            firstWhole = wholeDigits++;
        else if (!fraction)
            ++wholeDigits;
        else if (firstWhole < 0 && firstFraction < 0 && *p != '0')
            firstFraction = fractionDigits++;
        else
            ++fractionDigits;
    }
    long long magnitude = firstWhole >= 0 ? wholeDigits - 1 - firstWhole : -(firstFraction + 1);
    if (p != end) {
        const char *digits = p + 1 + (p[1] == '+' ? 1 : 0);
        long long exponent = 0;
        if (std::from_chars(digits, end, exponent).ec == std::errc::result_out_of_range)
            exponent = *digits == '-' ? -(1LL << 60) : 1LL << 60;
        magnitude += exponent;
    }
    const double value = magnitude >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace

const JsonNode *JsonNode::member(const QString &key) const
{
    for (const auto &[name, value] : members) {
        if (name == key)
            return &value;
    }
    return nullptr;
}

QString JsonNode::numberText() const
{
    return written.isEmpty() ? QString::number(static_cast<qint64>(number)) : QString::fromLatin1(written);
}

QString JsonNode::kindName() const
{
    switch (kind) {
    case Null:
        return QStringLiteral("null");
    case Bool:
        return QStringLiteral("true/false");
    case Number:
        return QStringLiteral("a number");
    case String:
        return QStringLiteral("a text");
    case Array:
        return QStringLiteral("a list");
    case Object:
        return QStringLiteral("an object");
    }
    return {};
}

namespace {

constexpr int kMaxDepth = 64;

// Offset of the first byte that breaks UTF-8, or -1 when all are sound.
qsizetype firstInvalidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        int extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return i;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += extra + 1;
    }
    return -1;
}

class Reader {
public:
    explicit Reader(const QByteArray &bytes, const ItemHandler &onItem = {}) : m_bytes(bytes), m_onItem(onItem) {}

    JsonNode document()
    {
        if (m_bytes.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
        JsonNode root = value(0);
        skipSpace();
        if (m_pos < m_bytes.size())
            fail(QStringLiteral("unexpected text after the end of the document"));
        return root;
    }

    TextPlace placeOf(qsizetype offset)
    {
        m_pos = offset;
        return here();
    }

private:
    // Places are counted on as reading goes: offsets only grow. A byte order
    // mark takes no column.
    TextPlace here()
    {
        for (; m_counted < m_pos; ++m_counted) {
            const unsigned char c = static_cast<unsigned char>(m_bytes[m_counted]);
            if (c == '\n') {
                ++m_place.line;
                m_place.column = 1;
            } else if ((c & 0xC0) != 0x80 && !(m_counted == 0 && m_bytes.startsWith("\xEF\xBB\xBF"))) {
                ++m_place.column;
            }
        }
        return m_place;
    }

    [[noreturn]] void fail(const QString &what) { throw JsonSyntaxError(here(), what); }

    void skipSpace()
    {
        while (m_pos < m_bytes.size()) {
            const char c = m_bytes[m_pos];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                break;
            ++m_pos;
        }
    }

    bool take(const char *word)
    {
        const qsizetype n = qsizetype(std::strlen(word));
        if (m_bytes.mid(m_pos, n) != word)
            return false;
        m_pos += n;
        return true;
    }

    JsonNode value(int depth)
    {
        skipSpace();
        if (depth > kMaxDepth)
            fail(QStringLiteral("the document is nested too deeply"));
        JsonNode node;
        node.place = here();
        if (m_pos >= m_bytes.size())
            fail(QStringLiteral("the document ends where a value should follow"));
        const char c = m_bytes[m_pos];
        if (c == '{') {
            node.kind = JsonNode::Object;
            object(node, depth);
        } else if (c == '[') {
            node.kind = JsonNode::Array;
            array(node, depth);
        } else if (c == '"') {
            node.kind = JsonNode::String;
            node.string = string();
        } else if (take("true")) {
            node.kind = JsonNode::Bool;
            node.boolean = true;
        } else if (take("false")) {
            node.kind = JsonNode::Bool;
        } else if (take("null")) {
            node.kind = JsonNode::Null;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            node.kind = JsonNode::Number;
            const qsizetype start = m_pos;
            node.number = number();
            // Short plain integers, nearly every number of a content file,
            // are written back from the value without an allocation.
            const qsizetype length = m_pos - start;
            if (length > 15 || std::any_of(m_bytes.constData() + start, m_bytes.constData() + m_pos, [](char d) {
                    return d == '.' || d == 'e' || d == 'E';
                }))
                node.written = m_bytes.mid(start, length);
        } else {
            fail(QStringLiteral("a value (text, number, list, object, true, false or null) was expected"));
        }
        return node;
    }

    void object(JsonNode &node, int depth)
    {
        ++m_pos;
        skipSpace();
        if (m_pos < m_bytes.size() && m_bytes[m_pos] == '}') {
            ++m_pos;
            return;
        }
        for (;;) {
            skipSpace();
            if (m_pos >= m_bytes.size() || m_bytes[m_pos] != '"')
                fail(QStringLiteral("a key in double quotes was expected"));
            const TextPlace keyPlace = here();
            QString key = string();
            for (size_t i = 0; i < node.members.size(); ++i) {
                if (node.members[i].first == key) {
                    const TextPlace first = node.keyPlaces[i];
                    throw JsonSyntaxError(keyPlace,
                                          QStringLiteral("the key \"%1\" appears twice in one object "
                                                         "(first at %2:%3)")
                                              .arg(key)
                                              .arg(first.line)
                                              .arg(first.column));
                }
            }
            skipSpace();
            if (m_pos >= m_bytes.size() || m_bytes[m_pos] != ':')
                fail(QStringLiteral("\":\" was expected after the key \"%1\"").arg(key));
            ++m_pos;
            // The items of a list at the top level of the document go to the
            // handler as they are read, so a large file is never held whole.
            m_handOver = depth == 0 && m_onItem;
            m_keyOfList = key;
            node.members.push_back(JsonMember{std::move(key), value(depth + 1)});
            m_handOver = false;
            node.keyPlaces.push_back(keyPlace);
            skipSpace();
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == '}') {
                ++m_pos;
                return;
            }
            fail(QStringLiteral("\",\" or \"}\" was expected (is a comma missing?)"));
        }
    }

    void array(JsonNode &node, int depth)
    {
        const bool handOver = m_handOver;
        const QString key = m_keyOfList; // items may hold lists of their own
        m_handOver = false;
        ++m_pos;
        skipSpace();
        if (m_pos < m_bytes.size() && m_bytes[m_pos] == ']') {
            ++m_pos;
            return;
        }
        for (;;) {
            if (handOver) {
                JsonNode item = value(depth + 1);
                m_onItem(key, std::move(item));
            } else {
                node.items.push_back(value(depth + 1));
            }
            skipSpace();
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_bytes.size() && m_bytes[m_pos] == ']') {
                ++m_pos;
                return;
            }
            fail(QStringLiteral("\",\" or \"]\" was expected (is a comma missing?)"));
        }
    }

    int hex4()
    {
        if (m_pos + 4 > m_bytes.size())
            fail(QStringLiteral("\\u needs four hexadecimal digits"));
        bool ok = false;
        const int code = m_bytes.mid(m_pos, 4).toInt(&ok, 16);
        if (!ok)
            fail(QStringLiteral("\\u needs four hexadecimal digits"));
        m_pos += 4;
        return code;
    }

    QString string()
    {
        ++m_pos; // opening quote
        QString text;
        qsizetype runStart = m_pos;
        auto flush = [&] { text += QString::fromUtf8(m_bytes.constData() + runStart, m_pos - runStart); };
        while (m_pos < m_bytes.size()) {
            const unsigned char c = static_cast<unsigned char>(m_bytes[m_pos]);
            if (c == '"') {
                flush();
                ++m_pos;
                return text;
            }
            if (c < 0x20) {
                fail(c == '\n' ? QStringLiteral("a text runs past the end of the line (is a closing quote missing? "
                                                "write a line break as \\n)")
                               : QStringLiteral("a control character stands inside a text"));
            }
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            flush();
            ++m_pos;
            if (m_pos >= m_bytes.size())
                break;
            const char e = m_bytes[m_pos++];
            switch (e) {
            case '"':
                text += QLatin1Char('"');
                break;
            case '\\':
                text += QLatin1Char('\\');
                break;
            case '/':
                text += QLatin1Char('/');
                break;
            case 'b':
                text += QLatin1Char('\b');
                break;
            case 'f':
                text += QLatin1Char('\f');
                break;
            case 'n':
                text += QLatin1Char('\n');
                break;
            case 'r':
                text += QLatin1Char('\r');
                break;
            case 't':
                text += QLatin1Char('\t');
                break;
            case 'u': {
                const int code = hex4();
                if (code >= 0xD800 && code <= 0xDBFF && m_bytes.mid(m_pos, 2) == "\\u") {
                    m_pos += 2;
                    const int low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail(QStringLiteral("\\u%1 starts a surrogate pair that does not follow")
                                 .arg(code, 4, 16, QLatin1Char('0')));
                    text += QChar(code);
                    text += QChar(low);
                } else if (code >= 0xD800 && code <= 0xDFFF) {
                    fail(QStringLiteral("\\u%1 is half a surrogate pair").arg(code, 4, 16, QLatin1Char('0')));
                } else {
                    text += QChar(code);
                }
                break;
            }
            default:
                --m_pos;
                fail(QStringLiteral("\\%1 is no escape of JSON").arg(QLatin1Char(e)));
            }
            runStart = m_pos;
        }
        fail(QStringLiteral("the document ends inside a text (is a closing quote missing?)"));
    }

    double number()
    {
        const qsizetype start = m_pos;
        if (m_bytes[m_pos] == '-')
            ++m_pos;
        auto digits = [&] {
            const qsizetype from = m_pos;
            while (m_pos < m_bytes.size() && m_bytes[m_pos] >= '0' && m_bytes[m_pos] <= '9')
                ++m_pos;
            return m_pos > from;
        };
        if (!digits())
            fail(QStringLiteral("a number was expected"));
        if (m_pos < m_bytes.size() && m_bytes[m_pos] == '.') {
            ++m_pos;
            if (!digits())
                fail(QStringLiteral("digits must follow the decimal point"));
        }
        if (m_pos < m_bytes.size() && (m_bytes[m_pos] == 'e' || m_bytes[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_bytes.size() && (m_bytes[m_pos] == '+' || m_bytes[m_pos] == '-'))
                ++m_pos;
            if (!digits())
                fail(QStringLiteral("digits must follow the exponent"));
        }
        // from_chars reads '.' whatever LC_NUMERIC says (the application
        // object takes the user's locale, where strtod may want a comma).
        double value = 0;
        const auto [end, error] = std::from_chars(m_bytes.constData() + start, m_bytes.constData() + m_pos, value);
        if (error == std::errc::result_out_of_range)
            return beyondDouble(m_bytes.constData() + start, m_bytes.constData() + m_pos);
        return value;
    }

    const QByteArray &m_bytes;
    ItemHandler m_onItem;
    bool m_handOver = false;
    QString m_keyOfList;
    qsizetype m_pos = 0;
    qsizetype m_counted = 0;
    TextPlace m_place{1, 1};
};

bool looksLikeUtf16(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    const qsizetype probe = std::min<qsizetype>(bytes.size(), 64);
    return probe >= 4 && bytes.left(probe).count('\0') * 4 >= probe;
}

bool decodesAsGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.contains(QChar::ReplacementCharacter);
}

} // namespace

JsonNode readJson(const QByteArray &bytes, const ItemHandler &onTopLevelListItem)
{
    if (looksLikeUtf16(bytes))
        throw JsonSyntaxError({1, 1}, QStringLiteral("the file is saved in UTF-16; save it as UTF-8"));
    const qsizetype bad = firstInvalidUtf8(bytes);
    if (bad >= 0) {
        Reader reader(bytes);
        throw JsonSyntaxError(reader.placeOf(bad),
                              decodesAsGbk(bytes)
                                  ? QStringLiteral("the file is not UTF-8 (it looks like GBK); save it as UTF-8")
                                  : QStringLiteral("the file is not UTF-8 here; save it as UTF-8"));
    }
    return Reader(bytes, onTopLevelListItem).document();
}

} // namespace lovetest::content
