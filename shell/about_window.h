#pragma once
#include <QString>
#include <QWidget>

class QLabel;

namespace lovetest {

// The About window: the program's name and version, a date, the link to the
// product web site, a contact line and the data folder in use. Created once;
// closing only hides it.
class AboutWindow : public QWidget {
    Q_OBJECT

public:
    // siteAddress: the host name of the product web site.
    explicit AboutWindow(const QString &siteAddress, QWidget *parent = nullptr);

    // Shows the window beside the main window, or brings it to the front.
    void showAbout();
    // The absolute folder of the open database, shown as the last line
    // (shortened in the middle when long; the whole folder is its tool tip).
    void setDataFolder(const QString &folder);

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QLabel *programLabel = nullptr;
        QLabel *dateLabel = nullptr;
        QLabel *homePageLabel = nullptr;
        QLabel *noteLabel = nullptr;
        QLabel *dataFolderLabel = nullptr;
    };
    const Ui &ui() const { return m_ui; }

public slots:
    void onHomePageLink(); // opens the home page

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addLabel(const QString &name, const QString &text, int top);

    Ui m_ui;
    QString m_homePage;
};

} // namespace lovetest
