#include "shell/pane_splitter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

namespace lovetest {

PaneSplitter::PaneSplitter(Qt::Orientation orientation, QWidget *parent) : QSplitter(orientation, parent)
{
    setOpaqueResize(false);
}

QSplitterHandle *PaneSplitter::createHandle()
{
    return new PaneSplitterHandle(orientation(), this);
}

void PaneSplitter::childEvent(QChildEvent *event)
{
    // Polished, the band is fully built (when added it is not yet).
    if (event->polished()) {
        if (auto *band = qobject_cast<QRubberBand *>(event->child()))
            band->installEventFilter(this);
    }
    QSplitter::childEvent(event);
}

bool PaneSplitter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && qobject_cast<QRubberBand *>(watched)) {
        auto *band = static_cast<QWidget *>(watched);
        QPainter painter(band);
        // Every other pixel in the text colour, as drag lines have long been.
        painter.fillRect(band->rect(), palette().color(QPalette::Window));
        painter.fillRect(band->rect(), QBrush(palette().color(QPalette::WindowText), Qt::Dense4Pattern));
        return true;
    }
    return QSplitter::eventFilter(watched, event);
}

PaneSplitterHandle::PaneSplitterHandle(Qt::Orientation orientation, PaneSplitter *parent)
    : QSplitterHandle(orientation, parent)
{}

void PaneSplitterHandle::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_cancelled = false;
        // Esc goes to whatever has the keyboard focus: watch for it there.
        qApp->installEventFilter(this);
    }
    QSplitterHandle::mousePressEvent(event);
}

void PaneSplitterHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_cancelled)
        QSplitterHandle::mouseMoveEvent(event);
}

void PaneSplitterHandle::mouseReleaseEvent(QMouseEvent *event)
{
    const bool cancelled = m_cancelled;
    endDrag();
    if (!cancelled)
        QSplitterHandle::mouseReleaseEvent(event);
}

bool PaneSplitterHandle::eventFilter(QObject *watched, QEvent *event)
{
    if (m_dragging && !m_cancelled && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_cancelled = true;
        static_cast<PaneSplitter *>(splitter())->hideDragLine();
        return true;
    }
    return QSplitterHandle::eventFilter(watched, event);
}

void PaneSplitterHandle::endDrag()
{
    if (m_dragging)
        qApp->removeEventFilter(this);
    m_dragging = false;
    m_cancelled = false;
}

} // namespace lovetest
