#pragma once
#include <QObject>
#include <QPointer>
#include <QTextDocument>
#include <QUrl>

class QTextEdit;

namespace lovetest {

// Whether an address may be opened from a page: http and https with a host.
bool isWebAddress(const QUrl &url);

// A document that never loads a resource. The report page carries texts of
// the test database as they stand, so an image, a table background or a
// style sheet it names stays empty, wherever it points (file, network, or a
// name relative to the working folder).
class OfflineDocument : public QTextDocument {
    Q_OBJECT
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl &name) override;
};

// Opens the link under a left click in a text view through the web opener
// of the Dialogs interface, the path of the program's web commands, and
// only when it is a web address. A press and release on the same link count
// as a click; a drag that selects text does not.
class WebLinkClicks : public QObject {
    Q_OBJECT
public:
    explicit WebLinkClicks(QTextEdit &view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTextEdit &m_view;
    QPointer<QWidget> m_viewport;
    QString m_pressedAnchor;
};

} // namespace lovetest
