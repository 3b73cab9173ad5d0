#include "shell/window_memory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>

namespace lovetest {

namespace {

const QString kGroup = QStringLiteral("mainWindow");
const QString kGeometry = QStringLiteral("mainWindow/geometry");
const QString kSplitter = QStringLiteral("mainWindow/splitter");

} // namespace

WindowMemory::WindowMemory(QMainWindow &window, QSplitter &splitter)
    : QObject(&window), m_window(&window), m_windowObject(&window), m_splitter(&splitter)
{
    window.installEventFilter(this);
    // The quit command ends the program without closing the window.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &WindowMemory::store);
}

QSettings WindowMemory::settings()
{
    // The program names no organisation; its own name stands in for one.
    const QString name = QCoreApplication::applicationName();
    return QSettings(QSettings::UserScope, name, name);
}

void WindowMemory::forget()
{
    settings().remove(kGroup);
}

bool WindowMemory::restore()
{
    const QSettings stored = settings();
    const QByteArray geometry = stored.value(kGeometry).toByteArray();
    const QByteArray splitter = stored.value(kSplitter).toByteArray();
    if (geometry.isEmpty() || !m_window)
        return false;
    const QRect before = m_window->geometry();
    const Qt::WindowStates stateBefore = m_window->windowState();
    // restoreGeometry keeps the window on an available screen.
    if (!m_window->restoreGeometry(geometry)) {
        m_window->setWindowState(stateBefore);
        m_window->setGeometry(before);
        return false;
    }
    QRect shown = m_window->geometry();
    shown.setSize(shown.size().expandedTo(m_window->minimumSize()));
    if (const QScreen *screen = m_window->screen())
        shown.setSize(shown.size().boundedTo(screen->availableGeometry().size()).expandedTo(m_window->minimumSize()));
    if (shown != m_window->geometry())
        m_window->resize(shown.size());
    if (m_splitter && !splitter.isEmpty())
        m_splitter->restoreState(splitter);
    return true;
}

WindowMemory::Shape WindowMemory::shape() const
{
    Shape now;
    if (!m_window)
        return now;
    now.maximized = m_window->isMaximized() || m_window->isFullScreen();
    now.size = (now.maximized ? m_window->normalGeometry() : m_window->geometry()).size();
    if (m_splitter && !m_splitter->sizes().isEmpty())
        now.leftPane = m_splitter->sizes().constFirst();
    return now;
}

void WindowMemory::store()
{
    if (!m_window || !m_splitter)
        return;
    QSettings stored = settings();
    if (!stored.contains(kGeometry) && m_seenShown && shape() == m_shown)
        return;
    stored.setValue(kGeometry, m_window->saveGeometry());
    stored.setValue(kSplitter, m_splitter->saveState());
}

bool WindowMemory::eventFilter(QObject *watched, QEvent *event)
{
    // Compared as a plain object: while the window is being destroyed it is
    // no longer a QMainWindow, and the filter still hears its last events.
    if (watched == m_windowObject) {
        if (event->type() == QEvent::Show && !m_seenShown) {
            m_seenShown = true;
            m_shown = shape();
        } else if (event->type() == QEvent::Close) {
            store();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lovetest
