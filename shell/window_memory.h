#pragma once
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QSize>

class QMainWindow;
class QSplitter;

namespace lovetest {

// Keeps the main window's size, position and splitter between starts, once
// the user has changed them: nothing is stored while they stay as the program
// first shows them, so a first start always looks the same. Closing the
// window or quitting the program stores them.
class WindowMemory : public QObject {
    Q_OBJECT
public:
    WindowMemory(QMainWindow &window, QSplitter &splitter);

    // Applies what was stored (kept on the screen and never below the
    // window's minimum size); false, leaving the window as it is, when
    // nothing usable was stored.
    bool restore();
    // Stores the current state when it differs from the first one shown or
    // something was stored before.
    void store();

    // Where the state is kept: the user's settings of the program.
    static QSettings settings();
    // Forgets the stored state.
    static void forget();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Shape {
        QSize size; // where the window manager puts it is no change of the user's
        bool maximized = false;
        int leftPane = 0;
        bool operator==(const Shape &other) const = default;
    };
    Shape shape() const;

    QPointer<QMainWindow> m_window;
    const QObject *m_windowObject = nullptr; // the window, for the event filter
    QPointer<QSplitter> m_splitter;
    Shape m_shown; // as first shown
    bool m_seenShown = false;
};

} // namespace lovetest
