#pragma once
#include <QString>
#include <QTextDocument>

namespace lovetest::testing {

// The characters a tooltip shows: Qt renders one that looks like markup as
// rich text, any other as it is.
inline QString shownToolTip(const QString &toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument shown;
    shown.setHtml(toolTip);
    return shown.toPlainText();
}

} // namespace lovetest::testing
