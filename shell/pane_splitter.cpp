#include "shell/pane_splitter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace lovetest {

PaneSplitter::PaneSplitter(Qt::Orientation orientation, QWidget *parent) : QSplitter(orientation, parent)
{
    setOpaqueResize(false);
}

QSplitterHandle *PaneSplitter::createHandle()
{
    return new PaneSplitterHandle(orientation(), this);
}

PaneSplitterHandle::PaneSplitterHandle(Qt::Orientation orientation, PaneSplitter *parent)
    : QSplitterHandle(orientation, parent)
{
}

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
    if (m_dragging && !m_cancelled && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
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
