#include "report/resource_policy.h"

#include <utility>

#include <QMouseEvent>
#include <QTextEdit>

#include "widgets/dialogs.h"
#include "widgets/guard.h"

namespace lovetest {

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty();
}

QVariant OfflineDocument::loadResource(int, const QUrl &)
{
    // An invalid value: the page shows no image and applies no style sheet.
    return {};
}

WebLinkClicks::WebLinkClicks(QTextEdit &view) : QObject(&view), m_view(view)
{
    m_viewport = view.viewport();
    m_viewport->installEventFilter(this);
}

bool WebLinkClicks::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointer kept: the view may be half destroyed here.
    if (watched != m_viewport)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressedAnchor = mouse->button() == Qt::LeftButton ? m_view.anchorAt(mouse->position().toPoint()) : QString();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QString anchor = std::exchange(m_pressedAnchor, QString());
        if (mouse->button() != Qt::LeftButton || anchor.isEmpty() || m_view.textCursor().hasSelection() ||
            m_view.anchorAt(mouse->position().toPoint()) != anchor)
            return false;
        const QUrl url(anchor);
        if (isWebAddress(url))
            guarded(&m_view, [&] { Dialogs::instance().openUrl(&m_view, url); });
    }
    return false;
}

} // namespace lovetest
