#include <gtest/gtest.h>

#include <algorithm>

#include <QFontMetricsF>
#include <QGuiApplication>

#include "report/result_card.h"
#include "run/pair_result.h"
#include "run/run_result.h"
#include "widgets/fixed_colours.h"

using namespace lovetest;

namespace {

QString repeated(const char *sentence, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += QString::fromUtf8(sentence);
    return text;
}

ResultCard::Taker taker(const QString &nickname, const QString &verdict, double score, const QString &band)
{
    return {nickname, verdict, score, band};
}

ResultCard longVerdictCard()
{
    return {QStringLiteral("一个名字很长很长很长很长很长很长很长很长很长很长很长很长的恋爱心理测试"),
            QDate(2026, 12, 10),
            {taker({}, repeated("你是一个温柔体贴、懂得照顾别人感受的人。\r\n", 40), 23,
                   QStringLiteral("在 21–30 分之间"))}};
}

ResultCard twoTakerCard()
{
    return {QStringLiteral("默契测试"),
            QDate(2026, 2, 14),
            {taker(QStringLiteral("小明"), repeated("你们很合拍。", 30), 8, QStringLiteral("不超过 10 分")),
             taker(QStringLiteral("小红"), QStringLiteral("你们互相理解。"), 42.5, QString())}};
}

// The lines in the verdict's font, in order.
QStringList linesInFont(const ResultCardLayout &layout, int pixelSize)
{
    QStringList texts;
    for (const ResultCardLine &line : layout.lines)
        if (line.font.pixelSize() == pixelSize)
            texts << line.text;
    return texts;
}

// Every line lies inside the panel's padding, fits its box and stays clear
// of the next one; the picture has ink in every box and none outside the
// boxes and rules, and nothing beyond the margins.
void expectCleanCard(const ResultCard &card, qreal ratio)
{
    const ResultCardLayout layout = resultCardLayout(card);
    const QRectF margins(QPointF(kResultCardMargin, kResultCardMargin),
                         QSizeF(kResultCardSize) - QSizeF(2 * kResultCardMargin, 2 * kResultCardMargin));
    EXPECT_EQ(layout.panel, margins);
    const QRectF inner = layout.panel.adjusted(40, 40, -40, -40);
    for (qsizetype i = 0; i < layout.lines.size(); ++i) {
        const ResultCardLine &line = layout.lines[i];
        SCOPED_TRACE(line.text.toStdString());
        const QFontMetricsF metrics(line.font);
        EXPECT_FALSE(line.text.isEmpty());
        EXPECT_TRUE(inner.contains(line.rect));
        EXPECT_GE(line.rect.height(), metrics.height());
        EXPECT_GE(line.rect.width() + 0.5, metrics.horizontalAdvance(line.text));
        EXPECT_DOUBLE_EQ(line.baseline, line.rect.top() + metrics.ascent());
        if (i + 1 < layout.lines.size()) {
            EXPECT_LE(line.rect.bottom(), layout.lines[i + 1].rect.top());
        }
    }

    const QImage image = renderResultCard(card, ratio).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), kResultCardSize);
    EXPECT_EQ(image.devicePixelRatio(), ratio);
    const QRgb outside = fixed_colours::kTitleText.rgb();
    const QRgb panel = fixed_colours::kInfoBackground.rgb();
    QList<QRectF> drawn = layout.rules;
    for (const ResultCardLine &line : layout.lines)
        drawn << line.rect.adjusted(-3, -1, 3, 1); // antialiased edges
    QList<int> inkInLine(layout.lines.size(), 0);
    int strayInk = 0;
    int beyondMargins = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QPointF centre(x + 0.5, y + 0.5);
            if (!margins.contains(centre)) {
                beyondMargins += row[x] != outside;
                continue;
            }
            if (!inner.contains(centre) || row[x] == panel)
                continue;
            bool inBox = false;
            for (qsizetype i = 0; i < layout.lines.size(); ++i) {
                if (layout.lines[i].rect.contains(centre)) {
                    ++inkInLine[i];
                    inBox = true;
                }
            }
            if (!inBox && std::none_of(drawn.begin(), drawn.end(), [&](const QRectF &r) { return r.contains(centre); }))
                ++strayInk;
        }
    }
    EXPECT_EQ(beyondMargins, 0);
    EXPECT_EQ(strayInk, 0);
    for (qsizetype i = 0; i < layout.lines.size(); ++i)
        EXPECT_GT(inkInLine[i], 20) << layout.lines[i].text.toStdString();
}

TEST(ResultCard, ALongVerdictIsCutAfterAWholeSentenceAndNothingIsClipped)
{
    const ResultCard card = longVerdictCard();
    const ResultCardLayout layout = resultCardLayout(card);
    const QStringList verdict = linesInFont(layout, 52);
    ASSERT_GT(verdict.size(), 3);
    const QString shown = verdict.join(QString());
    EXPECT_TRUE(shown.endsWith(QStringLiteral("。…"))) << shown.toStdString();
    EXPECT_TRUE(QString(repeated("你是一个温柔体贴、懂得照顾别人感受的人。", 40)).startsWith(shown.chopped(1)));

    QStringList texts;
    for (const ResultCardLine &line : layout.lines)
        texts << line.text;
    for (const char *part :
         {"朗月爱情心理测试", "23 分", "得分在 21–30 分之间", "2026-12-10", "声明：本程序所提供的测试仅供娱乐!"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(part))) << part;
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("《一个名字")));

    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        expectCleanCard(card, ratio);
    }
}

TEST(ResultCard, TwoTakersShareTheCardEachWithNicknameVerdictAndScore)
{
    const ResultCard card = twoTakerCard();
    const ResultCardLayout layout = resultCardLayout(card);
    QStringList texts;
    for (const ResultCardLine &line : layout.lines)
        texts << line.text;
    const auto at = [&](const char *text) { return texts.indexOf(QString::fromUtf8(text)); };
    // In order: first taker whole, then the second.
    EXPECT_LT(at("《默契测试》"), at("小明"));
    EXPECT_LT(at("小明"), at("8 分"));
    EXPECT_LT(at("8 分"), at("得分不超过 10 分"));
    EXPECT_LT(at("得分不超过 10 分"), at("小红"));
    EXPECT_LT(at("小红"), at("你们互相理解。"));
    EXPECT_LT(at("你们互相理解。"), at("42.5 分"));
    EXPECT_LT(at("42.5 分"), at("2026-02-14"));
    EXPECT_EQ(layout.rules.size(), 2); // under the test, between the takers
    EXPECT_TRUE(linesInFont(layout, 44).join(QString()).contains(QStringLiteral("你们很合拍。")));
    expectCleanCard(card, 1.0);

    // A third taker is left off.
    ResultCard three = card;
    three.takers.append(taker(QStringLiteral("小刚"), QStringLiteral("多余"), 1, QString()));
    QStringList threeTexts;
    for (const ResultCardLine &line : resultCardLayout(three).lines)
        threeTexts << line.text;
    EXPECT_EQ(threeTexts, texts);
}

TEST(ResultCard, APairCardFitsTwoLongVerdictsUnderTheirNames)
{
    PairResult pair;
    pair.firstName = QStringLiteral("一个很长很长很长很长很长很长很长很长很长很长很长很长很长很长的昵称");
    pair.first.testName = longVerdictCard().testName;
    pair.first.finishedAt = QDateTime(QDate(2026, 2, 14), QTime(20, 30));
    pair.first.score = 23;
    pair.first.band = QStringLiteral("得分 23，在 21–30 分之间");
    pair.first.verdict = repeated("你是一个温柔体贴、懂得照顾别人感受的人。\r\n", 40);
    pair.second = pair.first;
    pair.second.finishedAt = pair.first.finishedAt.addDays(1);
    pair.second.score = 7.5;
    pair.second.band = QStringLiteral("得分 7.5，不超过 10 分");
    pair.second.verdict = repeated("Someone who listens well and laughs easily. ", 60);

    const ResultCard card = resultCard(pair);
    EXPECT_EQ(card.date, QDate(2026, 2, 15));
    ASSERT_EQ(card.takers.size(), 2);
    EXPECT_EQ(card.takers[0].nickname, pair.firstName);
    EXPECT_EQ(card.takers[1].nickname, QStringLiteral("乙"));
    EXPECT_EQ(card.takers[1].score, 7.5);
    EXPECT_EQ(card.takers[1].band, QStringLiteral("不超过 10 分"));

    // Each verdict gets lines of its own under its name, cut after a whole
    // sentence.
    const ResultCardLayout layout = resultCardLayout(card);
    QStringList texts;
    QStringList verdicts[2];
    qsizetype taker = -1;
    for (const ResultCardLine &line : layout.lines) {
        texts << line.text;
        if (line.font.pixelSize() == 44)
            taker += line.font.bold(); // the nickname over the verdict
        if (line.font.pixelSize() == 44 && !line.font.bold() && taker >= 0 && taker < 2)
            verdicts[taker] << line.text;
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("乙")));
    EXPECT_GE(verdicts[0].size(), 2);
    EXPECT_GE(verdicts[1].size(), 2);
    EXPECT_TRUE(verdicts[0].join(QString()).endsWith(QStringLiteral("。…"))) << verdicts[0].join('|').toStdString();
    EXPECT_TRUE(verdicts[1].join(QString()).endsWith(QStringLiteral(".…"))) << verdicts[1].join('|').toStdString();
    for (const char *part : {"23 分", "得分在 21–30 分之间", "7.5 分", "得分不超过 10 分", "2026-02-15"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(part))) << part;

    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        expectCleanCard(card, ratio);
    }
}

TEST(ResultCard, FittedTextCutsOnlyAtSentenceOrCharacterEnds)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(40);
    const qreal width = 400;
    const QFontMetricsF metrics(font);
    struct Case {
        QString text;
        int lines;
        QString expected; // empty: only checked for fit and ends
    };
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    const Case cases[] = {
        {QStringLiteral("短句。"), 2, QStringLiteral("短句。")},
        {QStringLiteral("第一行\r\n\r\n第二行"), 2,
         QStringLiteral("第一行") + QChar::LineSeparator + QStringLiteral("第二行")},
        {QStringLiteral("第一句。") + repeated("很长", 40), 2, QStringLiteral("第一句。…")},
        {repeated("没有句号", 40), 1, {}},
        {emoji.repeated(80), 1, {}},
        {QStringLiteral("任意"), 0, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString fitted = fittedText(c.text, font, width, c.lines);
        if (!c.expected.isEmpty() || c.lines == 0) {
            EXPECT_EQ(fitted, c.expected);
            continue;
        }
        ASSERT_TRUE(fitted.endsWith(QChar(0x2026)));
        const QString head = fitted.chopped(1);
        EXPECT_TRUE(c.text.startsWith(head));
        EXPECT_FALSE(head.back().isHighSurrogate());
        EXPECT_LE(metrics.horizontalAdvance(fitted), width * c.lines);
        // As much as fits: one character more would not.
        const qsizetype next = head.size() + (c.text[head.size()].isHighSurrogate() ? 2 : 1);
        EXPECT_GT(metrics.horizontalAdvance(c.text.left(next) + QChar(0x2026)), width);
    }
}

TEST(ResultCard, IsMadeFromAFinishedRun)
{
    RunResult result;
    result.testName = QStringLiteral("测试");
    result.finishedAt = QDateTime(QDate(2026, 12, 10), QTime(9, 5));
    result.score = 23;
    result.verdict = QStringLiteral("结论");
    struct Case {
        const char *band;
        const char *words;
    };
    for (const Case &c : {Case{"得分 23，在 21–30 分之间", "在 21–30 分之间"}, Case{"得分 23", ""}}) {
        result.band = QString::fromUtf8(c.band);
        const ResultCard card = resultCard(result);
        EXPECT_EQ(card.testName, result.testName);
        EXPECT_EQ(card.date, QDate(2026, 12, 10));
        ASSERT_EQ(card.takers.size(), 1);
        EXPECT_TRUE(card.takers[0].nickname.isEmpty());
        EXPECT_EQ(card.takers[0].verdict, result.verdict);
        EXPECT_EQ(card.takers[0].score, 23);
        EXPECT_EQ(card.takers[0].band, QString::fromUtf8(c.words));
    }
}

} // namespace
