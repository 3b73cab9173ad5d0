#include "data/codepage.h"
#include "data/convert.h"
#include "data/database_error.h"
#include "data/split_text.h"
#include "data/text_slot.h"

#include <gtest/gtest.h>

using namespace lovetest;

namespace {

struct SplitCase {
    const char *text;
    const char *separator;
    QList<QByteArray> items;
};

TEST(splitText, ItemsInOrderWithEmptiesKept)
{
    const SplitCase cases[] = {
        {"3|2|1", "|", {"3", "2", "1"}},
        {"", "|", {""}},
        {"|5", "|", {"", "5"}},
        {"5|", "|", {"5", ""}},
        {"1||2", "|", {"1", "", "2"}},
        {"just text", "|", {"just text"}},
        {"a{9234856}b{9234856}", kTextSeparator, {"a", "b", ""}},
        {"x|y{9234856}z", kTextSeparator, {"x|y", "z"}},
        // Left to right without overlap.
        {"aaa", "aa", {"", "a"}},
    };
    for (const SplitCase &c : cases)
        EXPECT_EQ(splitText(c.text, c.separator), c.items) << c.text;
}

TEST(splitText, ComparesBytesNotCharacters)
{
    // 0x7C ('|') inside no GBK character here, but a separator made of the
    // trailing byte of one character and the lead byte of the next still
    // splits: double-byte characters are not units.
    const QByteArray text = toCp936(QStringLiteral("测试"));
    ASSERT_EQ(text.size(), 4);
    const QList<QByteArray> items = splitText(text, text.mid(1, 2));
    EXPECT_EQ(items, (QList<QByteArray>{text.left(1), text.right(1)}));
}

TEST(TextSlot, StoresLinesAndReadsThemWithCrLf)
{
    struct Case {
        QByteArray stored;
        QList<QByteArray> lines;
        QByteArray read;
    };
    const Case cases[] = {
        {"abc", {"abc"}, "abc\r\n"},
        {"a\r\nb", {"a", "b"}, "a\r\nb\r\n"},
        {"a\rb\nc", {"a", "b", "c"}, "a\r\nb\r\nc\r\n"},
        {"a\n\nb", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {"a\r\n", {"a"}, "a\r\n"},
        {QByteArray("ab\0cd\nef", 8), {"ab"}, "ab\r\n"},
        {"", {}, ""},
    };
    for (const Case &c : cases) {
        TextSlot slot;
        slot.store(c.stored);
        EXPECT_EQ(slot.lines(), c.lines) << c.stored.toStdString();
        EXPECT_EQ(slot.read(), c.read) << c.stored.toStdString();
    }
}

TEST(TextSlot, OneLineOfNCharactersReadsAsNPlusTwo)
{
    TextSlot slot;
    slot.store(QByteArray(460, 'A'));
    EXPECT_EQ(slot.read().size(), 462);
}

TEST(Codepage, ChineseRoundTripsAndUnmappableBecomesQuestionMark)
{
    const QString chinese = QStringLiteral("朗月爱情心理测试(娱乐版)");
    const QByteArray bytes = toCp936(chinese);
    EXPECT_EQ(bytes.size(), 2 * 11 + 2);
    EXPECT_EQ(fromCp936(bytes), chinese);
    EXPECT_TRUE(fitsCp936(chinese));

    const QString mixed = QStringLiteral("爱\U0001F600x");
    EXPECT_EQ(toCp936(mixed), toCp936(QStringLiteral("爱")) + "?x");
    QChar bad;
    EXPECT_FALSE(fitsCp936(mixed, &bad));
    EXPECT_EQ(bad, mixed[1]);
}

TEST(Convert, ToIntegerAcceptsDecimalOnly)
{
    EXPECT_EQ(toInteger(QStringLiteral("42")), 42);
    EXPECT_EQ(toInteger(QStringLiteral("-7")), -7);
    EXPECT_EQ(toInteger(QStringLiteral("  +3")), 3);
    EXPECT_EQ(toInteger64(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    for (const char *bad : {"", "abc", "1.5", "12 ", "2147483648", "9223372036854775808", "-"}) {
        try {
            toInteger(QString::fromUtf8(bad));
            ADD_FAILURE() << bad;
        } catch (const ConversionError &error) {
            EXPECT_EQ(QString::fromUtf8(error.what()), QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

} // namespace
