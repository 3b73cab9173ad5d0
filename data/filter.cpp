#include "filter.h"

#include "convert.h"

#include <limits>

namespace lovetest {

static QStringList splitLikePattern(const QString &pattern);

namespace {

struct Token {
    enum Kind { End, Name, Number, Text, Equal, Invalid };
    Kind kind = End;
    QString text; // Name: the name; Text: the unquoted text; Number: the digits as written
    qint64 number = 0;
};

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.isSurrogate();
}

bool isNamePart(QChar c)
{
    return isNameStart(c) || c.isDigit() || c.isMark();
}

// Hands out the tokens of a filter text one at a time, so errors are
// reported in the order in which they stand in the text.
class Lexer {
public:
    explicit Lexer(const QString &text) : m_text(text) {}

    Token next()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
        Token token;
        if (m_pos >= m_text.size())
            return token;
        const QChar c = m_text[m_pos];
        if (c == u'=') {
            ++m_pos;
            token.kind = Token::Equal;
            token.text = QStringLiteral("=");
        } else if (c == u'\'') {
            token.kind = Token::Text;
            token.text = readQuoted();
        } else if (c.isDigit() ||
                   ((c == u'+' || c == u'-') && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit())) {
            token.kind = Token::Number;
            readNumber(token);
        } else if (isNameStart(c)) {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && isNamePart(m_text[m_pos]))
                ++m_pos;
            token.kind = Token::Name;
            token.text = m_text.mid(start, m_pos - start);
        } else {
            // Reported by the parser, which knows whether the text should
            // have ended here.
            ++m_pos;
            token.kind = Token::Invalid;
            token.text = c;
        }
        return token;
    }

private:
    QString readQuoted()
    {
        QString text;
        ++m_pos; // the opening quote
        for (;;) {
            if (m_pos >= m_text.size())
                throw FilterError(QStringLiteral("Unterminated string in filter expression"));
            const QChar c = m_text[m_pos++];
            if (c != u'\'') {
                text += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == u'\'') {
                text += c; // '' stands for one quote
                ++m_pos;
            } else {
                return text;
            }
        }
    }

    void readNumber(Token &token)
    {
        const qsizetype start = m_pos;
        if (m_text[m_pos] == u'+' || m_text[m_pos] == u'-')
            ++m_pos;
        while (m_pos < m_text.size() && m_text[m_pos].isDigit())
            ++m_pos;
        token.text = m_text.mid(start, m_pos - start);
        bool ok = false;
        token.number = token.text.toLongLong(&ok);
        if (!ok)
            throw FilterError(QStringLiteral("Number out of range in filter expression: %1").arg(token.text));
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

void rejectInvalid(const Token &token)
{
    if (token.kind == Token::Invalid)
        throw FilterError(QStringLiteral("Invalid character '%1' in filter expression").arg(token.text));
}

bool isKeyword(const Token &token, QLatin1StringView word)
{
    return token.kind == Token::Name && token.text.compare(word, Qt::CaseInsensitive) == 0;
}

} // namespace

QList<FilterCondition> parseFilter(const QString &text)
{
    QList<FilterCondition> conditions;
    Lexer lexer(text);
    Token token = lexer.next();
    if (token.kind == Token::End)
        return conditions;
    for (;;) {
        rejectInvalid(token);
        if (token.kind != Token::Name || isKeyword(token, QLatin1StringView("and")) ||
            isKeyword(token, QLatin1StringView("like")))
            throw FilterError(QStringLiteral("Field name expected in filter expression"));
        FilterCondition condition;
        condition.field = token.text;

        token = lexer.next();
        rejectInvalid(token);
        if (token.kind == Token::Equal)
            condition.op = FilterCondition::Equal;
        else if (isKeyword(token, QLatin1StringView("like")))
            condition.op = FilterCondition::Like;
        else
            throw FilterError(QStringLiteral("'=' or 'like' expected after field name '%1'").arg(condition.field));

        token = lexer.next();
        rejectInvalid(token);
        if (token.kind == Token::Number) {
            condition.numeric = true;
            condition.number = token.number;
            condition.text = token.text;
        } else if (token.kind == Token::Text) {
            condition.text = token.text;
        } else {
            throw FilterError(QStringLiteral("Value expected after '%1' in filter expression").arg(condition.field));
        }
        conditions.append(condition);

        token = lexer.next();
        if (token.kind == Token::End)
            return conditions;
        if (!isKeyword(token, QLatin1StringView("and")))
            throw FilterError(QStringLiteral("Filter expression incorrectly terminated"));
        token = lexer.next();
    }
}

CompiledFilter::CompiledFilter(const QString &text, const QStringList &columnNames)
{
    const QList<FilterCondition> conditions = parseFilter(text);
    for (const FilterCondition &condition : conditions) {
        int column = -1;
        for (int i = 0; i < columnNames.size() && column < 0; ++i) {
            if (columnNames[i].compare(condition.field, Qt::CaseInsensitive) == 0)
                column = i;
        }
        if (column < 0)
            throw FilterError(QStringLiteral("Unknown field '%1' in filter").arg(condition.field));
        Test test{column,           condition.op,   condition.numeric && condition.op == FilterCondition::Equal,
                  condition.number, condition.text, {}};
        if (condition.op == FilterCondition::Like)
            test.pieces = splitLikePattern(condition.text);
        m_tests.append(test);
    }
}

bool CompiledFilter::matches(const QList<QVariant> &rowValues) const
{
    for (const Test &test : m_tests) {
        const QVariant &value = rowValues.at(test.column);
        bool ok;
        if (test.op == FilterCondition::Like)
            ok = like(value, test);
        else if (test.numeric)
            ok = equalsNumber(value, test.number);
        else
            ok = equalsText(value, test.text);
        if (!ok)
            return false;
    }
    return true;
}

QList<int> CompiledFilter::columns() const
{
    QList<int> columns;
    for (const Test &test : m_tests)
        columns.append(test.column);
    return columns;
}

std::optional<std::pair<int, qint64>> CompiledFilter::numberKey() const
{
    for (const Test &test : m_tests) {
        if (test.op == FilterCondition::Equal && test.numeric)
            return std::make_pair(test.column, test.number);
    }
    return std::nullopt;
}

bool CompiledFilter::equalsNumber(const QVariant &value, qint64 number)
{
    if (value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return value.toLongLong() == number;
    case QMetaType::ULongLong:
        return number >= 0 && value.toULongLong() == quint64(number);
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() == double(number);
    default: {
        // A number kept as text (the engine keeps what it was given).
        bool ok = false;
        const qint64 stored = value.toString().trimmed().toLongLong(&ok);
        return ok && stored == number;
    }
    }
}

bool CompiledFilter::equalsText(const QVariant &value, const QString &text)
{
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::QString)
        return *static_cast<const QString *>(value.constData()) == text;
    return variantText(value) == text;
}

// Splits a like pattern at its wildcards. "\\*" stands for a literal asterisk
// and "\\\\" for a literal backslash, so a search can match them; a backslash
// before any other character is itself.
static QStringList splitLikePattern(const QString &pattern)
{
    QStringList pieces{QString()};
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size() && (pattern[i + 1] == u'*' || pattern[i + 1] == u'\\')) {
            pieces.back() += pattern[++i];
        } else if (c == u'*') {
            pieces.append(QString());
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

static bool likePieces(QStringView text, const QStringList &pieces)
{
    if (pieces.size() == 1)
        return text.compare(pieces.front(), Qt::CaseInsensitive) == 0;
    const QString &first = pieces.front();
    const QString &last = pieces.back();
    if (text.size() < first.size() + last.size())
        return false;
    if (!text.startsWith(first, Qt::CaseInsensitive))
        return false;
    qsizetype pos = first.size();
    const qsizetype limit = text.size() - last.size(); // the last piece must fit after the middle ones
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const QString &piece = pieces.at(i);
        if (piece.isEmpty())
            continue;
        const qsizetype at = text.indexOf(piece, pos, Qt::CaseInsensitive);
        if (at < 0 || at + piece.size() > limit)
            return false;
        pos = at + piece.size();
    }
    return text.endsWith(last, Qt::CaseInsensitive);
}

bool CompiledFilter::like(const QVariant &value, const Test &test)
{
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::QString)
        return likePieces(*static_cast<const QString *>(value.constData()), test.pieces);
    return likePieces(variantText(value), test.pieces);
}

bool likeMatch(QStringView text, QStringView pattern)
{
    return likePieces(text, splitLikePattern(pattern.toString()));
}

} // namespace lovetest
