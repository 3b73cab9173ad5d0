#include "report/result_card.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include "data/convert.h"
#include "data/text_head.h"
#include "run/pair_result.h"
#include "run/run_result.h"
#include "run/test_run.h"
#include "widgets/fixed_colours.h"

namespace lovetest {

namespace {

const QString kProgramName = QStringLiteral("朗月爱情心理测试");
const QChar kEllipsis(0x2026);
// Inside the panel: room between its edge and the text.
constexpr qreal kPadding = 56;
const QColor kFooterText{90, 90, 90};

// Bold stays under 64 px: Qt gives the outlines of a synthetic bold (a
// Chinese face without a bold cut) their weight only below that size.
QFont cardFont(int pixelSize, bool bold = false)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The text's line breaks as breaks of the layout; runs of them and blank
// lines become one.
QString layoutText(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool pendingBreak = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            pendingBreak = !result.isEmpty();
            continue;
        }
        if (pendingBreak)
            result += QChar::LineSeparator;
        pendingBreak = false;
        result += c;
    }
    return result;
}

struct WrappedLine {
    QString text;
    qreal width = 0;
};

QList<WrappedLine> wrap(const QString &text, const QFont &font, qreal width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<WrappedLine> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString part = text.mid(line.textStart(), line.textLength());
        while (part.endsWith(QChar::LineSeparator) || part.endsWith(QLatin1Char(' ')))
            part.chop(1);
        lines.append({part, line.naturalTextWidth()});
    }
    layout.endLayout();
    return lines;
}

bool fits(const QString &text, const QFont &font, qreal width, int maxLines)
{
    return wrap(text, font, width).size() <= maxLines;
}

QString withEllipsis(QString head)
{
    while (!head.isEmpty() && (head.back().isSpace() || head.back() == QChar::LineSeparator))
        head.chop(1);
    return head + kEllipsis;
}

// Lays lines out down the card from y, each aligned in the column.
class Column {
public:
    Column(ResultCardLayout &layout, qreal left, qreal width) : m_layout(layout), m_left(left), m_width(width) {}

    qreal y = 0;

    void add(const QString &text, const QFont &font, const QColor &colour, Qt::Alignment align, int maxLines,
             qreal spacing = 1.0)
    {
        const QFontMetricsF metrics(font);
        const QString fitted = fittedText(text, font, m_width, maxLines);
        for (const WrappedLine &line : wrap(fitted, font, m_width)) {
            const qreal width = std::min(line.width, m_width);
            const qreal x = align & Qt::AlignHCenter ? m_left + (m_width - width) / 2 : m_left;
            m_layout.lines.append(
                {line.text, font, colour, QRectF(x, y, width, metrics.height()), y + metrics.ascent()});
            y += metrics.height() * spacing;
        }
    }
    void rule(qreal thickness)
    {
        // On whole pixels, so the rule's edges stay sharp.
        y = std::round(y);
        m_layout.rules.append(QRectF(m_left, y, m_width, thickness));
        y += thickness;
    }

private:
    ResultCardLayout &m_layout;
    qreal m_left;
    qreal m_width;
};

} // namespace

QString fittedText(const QString &text, const QFont &font, qreal width, int maxLines)
{
    if (maxLines <= 0)
        return {};
    // A card shows a few lines; the rest of a long text is never looked at.
    const QString whole = layoutText(boundedText(text, 2000));
    const QList<WrappedLine> lines = wrap(whole, font, width);
    if (lines.size() <= maxLines)
        return whole;
    // The text the allowed lines hold, as laid out.
    qsizetype fitEnd = 0;
    {
        QTextLayout layout(whole, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (int i = 0; i < maxLines; ++i) {
            QTextLine line = layout.createLine();
            line.setLineWidth(width);
            fitEnd = line.textStart() + line.textLength();
        }
        layout.endLayout();
    }
    // The last whole sentence that still fits with the ellipsis; when not
    // even the first one does, the last whole character.
    for (const auto type : {QTextBoundaryFinder::Sentence, QTextBoundaryFinder::Grapheme}) {
        QTextBoundaryFinder ends(type, whole);
        ends.setPosition(fitEnd);
        if (!ends.isAtBoundary())
            ends.toPreviousBoundary();
        for (qsizetype end = ends.position(); end > 0; end = ends.toPreviousBoundary()) {
            const QString head = withEllipsis(whole.left(end));
            if (head.size() > 1 && fits(head, font, width, maxLines))
                return head;
        }
    }
    return QString(kEllipsis);
}

void saveResultCardImage(const QImage &image, const QString &fileName)
{
    const auto failure = [&fileName](const QString &reason) {
        return std::runtime_error(QStringLiteral("无法保存图片文件“%1”：%2")
                                      .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()), reason)
                                      .toStdString());
    };
    // Encoded in memory first: the PNG encoder then never meets a failing
    // write (on which it leaves memory behind), and the file gets whole bytes.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw failure(QStringLiteral("图片编码失败"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    if (file.write(png) != png.size())
        throw failure(file.errorString());
    if (!file.commit())
        throw failure(file.errorString());
}

ResultCard resultCard(const RunResult &result)
{
    ResultCard card;
    card.testName = result.testName;
    card.date = result.finishedAt.date();
    ResultCard::Taker taker;
    taker.verdict = result.verdict;
    taker.score = result.score;
    // The stored band starts with the score, which the card shows on its own.
    const QString head = QStringLiteral("得分 %1，").arg(numberText(result.score));
    if (result.band.startsWith(head))
        taker.band = result.band.mid(head.size());
    card.takers.append(taker);
    return card;
}

ResultCard resultCard(const PairResult &pair)
{
    ResultCard card = resultCard(pair.second);
    card.takers.prepend(resultCard(pair.first).takers.constFirst());
    card.takers[0].nickname = firstTakerName(pair);
    card.takers[1].nickname = secondTakerName(pair);
    return card;
}

ResultCardLayout resultCardLayout(const ResultCard &card)
{
    ResultCardLayout layout;
    layout.panel = QRectF(QPointF(kResultCardMargin, kResultCardMargin),
                          QSizeF(kResultCardSize) - QSizeF(2 * kResultCardMargin, 2 * kResultCardMargin));
    const qreal left = layout.panel.left() + kPadding;
    const qreal width = layout.panel.width() - 2 * kPadding;
    Column column(layout, left, width);
    column.y = layout.panel.top() + kPadding;
    const Qt::Alignment centre = Qt::AlignHCenter;

    column.add(kProgramName, cardFont(40, true), fixed_colours::kTitleText, centre, 1);
    column.y += 16;
    column.add(QStringLiteral("《%1》").arg(boundedLine(card.testName).simplified()), cardFont(60, true),
               fixed_colours::kWindowText, centre, 2);
    column.y += 28;
    column.rule(4);
    column.y += 36;

    // The footer sits at the bottom; the takers share what lies between.
    const QFont dateFont = cardFont(34);
    const QFont noteFont = cardFont(28);
    const qreal footerHeight = QFontMetricsF(dateFont).height() + 8 + QFontMetricsF(noteFont).height();
    const qreal footerTop = layout.panel.bottom() - kPadding - footerHeight;
    const qsizetype takerCount = std::min<qsizetype>(card.takers.size(), 2);
    const qreal takersTop = column.y;
    const qreal takersHeight = footerTop - 40 - takersTop;
    const qreal gap = 36; // between two takers, around their rule

    for (qsizetype i = 0; i < takerCount; ++i) {
        const ResultCard::Taker &taker = card.takers[i];
        const qreal top = takersTop + i * (takersHeight + gap) / takerCount;
        const qreal bottom = top + (takersHeight - (takerCount - 1) * gap) / takerCount;
        column.y = top;
        if (i > 0) {
            column.rule(2);
            column.y += gap - 2;
        }
        const QFont nicknameFont = cardFont(44, true);
        const QFont verdictFont = cardFont(takerCount > 1 ? 44 : 52);
        const QFont scoreFont = cardFont(takerCount > 1 ? 56 : 62, true);
        const QFont bandFont = cardFont(36);
        const QString nickname = taker.nickname.simplified();
        if (!nickname.isEmpty()) {
            column.add(nickname, nicknameFont, fixed_colours::kChoiceText, {}, 1);
            column.y += 12;
        }
        // Score and band go under the verdict; the verdict gets the lines left.
        const QString band = taker.band.simplified();
        qreal scoreHeight = QFontMetricsF(scoreFont).height() + 20;
        if (!band.isEmpty())
            scoreHeight += QFontMetricsF(bandFont).height();
        const qreal verdictStep = QFontMetricsF(verdictFont).height() * 1.3;
        const qreal verdictRoom = bottom - scoreHeight - column.y;
        // The last line needs only its own height, not the spacing after it.
        const int verdictLines =
            std::max(1, int((verdictRoom - QFontMetricsF(verdictFont).height()) / verdictStep) + 1);
        column.add(taker.verdict, verdictFont, fixed_colours::kWindowText, {}, verdictLines, 1.3);
        column.y += 20;
        column.add(QStringLiteral("%1 分").arg(numberText(taker.score)), scoreFont, fixed_colours::kTitleText, {}, 1);
        if (!band.isEmpty())
            column.add(QStringLiteral("得分") + band, bandFont, fixed_colours::kChoiceText, {}, 1);
    }

    column.y = footerTop;
    column.add(card.date.toString(QStringLiteral("yyyy-MM-dd")), dateFont, kFooterText, centre, 1);
    column.y += 8;
    column.add(TestRun::disclaimer(), noteFont, kFooterText, centre, 1);
    return layout;
}

QImage renderResultCard(const ResultCard &card, qreal devicePixelRatio)
{
    QImage image(kResultCardSize, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(fixed_colours::kTitleText);
    const ResultCardLayout layout = resultCardLayout(card);

    QPainter painter(&image);
    // The layout is in the image's pixels, whatever its ratio.
    painter.scale(1 / devicePixelRatio, 1 / devicePixelRatio);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(layout.panel, 36, 36);
    painter.fillPath(panel, fixed_colours::kInfoBackground);
    for (const QRectF &rule : layout.rules)
        painter.fillRect(rule, fixed_colours::kTitleText);
    // Glyphs as outlines: the same card comes out the same every time, not
    // depending on what the glyph caches held.
    for (const ResultCardLine &line : layout.lines) {
        QPainterPath glyphs;
        glyphs.addText(QPointF(line.rect.left(), line.baseline), line.font, line.text);
        painter.fillPath(glyphs, line.colour);
    }
    painter.end();
    return image;
}

} // namespace lovetest
