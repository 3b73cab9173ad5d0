#pragma once
#include <QSplitter>
#include <QSplitterHandle>

namespace lovetest {

// A splitter whose drag shows a hatched line and resizes on release, and
// which Esc cancels while the mouse button is still down.
class PaneSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit PaneSplitter(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    QSplitterHandle *createHandle() override;
    // The drag line is the splitter's own rubber band, painted hatched.
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class PaneSplitterHandle;
    void hideDragLine() { setRubberBand(-1); }
};

class PaneSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    PaneSplitterHandle(Qt::Orientation orientation, PaneSplitter *parent);
    bool dragCancelled() const { return m_cancelled; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void endDrag();
    bool m_dragging = false;
    bool m_cancelled = false;
};

} // namespace lovetest
