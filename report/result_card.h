#pragma once
#include <QColor>
#include <QDate>
#include <QFont>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>

namespace lovetest {

struct PairResult;
struct RunResult;

// What a shared picture of a result shows: the test, the day, and one or two
// takers with their verdicts.
struct ResultCard {
    struct Taker {
        QString nickname; // empty when none was given
        QString verdict;
        double score = 0;
        QString band; // the band's words, "在 21–30 分之间"; empty when unbounded
    };
    QString testName;
    QDate date;
    QList<Taker> takers; // one or two; more are left off
};

// The card of one taker's finished run, without a nickname.
ResultCard resultCard(const RunResult &result);
// The card of two takers of one test, each under their name, dated when the
// second finished.
ResultCard resultCard(const PairResult &pair);

// The card as drawn: 1080 x 1350 pixels whatever the screen.
inline constexpr QSize kResultCardSize{1080, 1350};
// Everything drawn lies this far inside the card's edges.
inline constexpr int kResultCardMargin = 48;

// One line of text on the card, in card pixels: rect is the line's box
// (its width the text's advance, its height the font's line height) and
// baseline where the glyphs sit.
struct ResultCardLine {
    QString text;
    QFont font;
    QColor colour;
    QRectF rect;
    qreal baseline = 0;
};

// The card laid out: the panel inside the margins, the rules that part its
// sections, and the lines: the program's name, the test, for each taker the
// nickname, the verdict (its first sentences, wrapped, elided with "…" at a
// sentence or character end when it would not fit), the score and band, and
// last the date and the disclaimer.
struct ResultCardLayout {
    QRectF panel;
    QList<QRectF> rules;
    QList<ResultCardLine> lines;
};
ResultCardLayout resultCardLayout(const ResultCard &card);

// Draws the card into an image of kResultCardSize physical pixels carrying
// devicePixelRatio, so it shows sharp on a screen of that ratio.
QImage renderResultCard(const ResultCard &card, qreal devicePixelRatio = 1.0);

// Writes the card as PNG to fileName, replacing it only when whole: a
// failure raises a message that names the file and leaves the old one.
void saveResultCardImage(const QImage &image, const QString &fileName);

// The verdict head that fits in maxLines lines of width: the text with line
// breaks kept, cut after its last whole sentence that fits, or, when not
// even the first one does, after the last whole character, with "…" added
// when cut. Exposed for the tests.
QString fittedText(const QString &text, const QFont &font, qreal width, int maxLines);

} // namespace lovetest
