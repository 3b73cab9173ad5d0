#pragma once
#include <QString>
#include <QWidget>

class QLabel;

namespace lovetest {

// The About window: the program's name and version, a date, the link to the
// product web site and a contact line. Created once; closing only hides it.
class TForm2 : public QWidget {
    Q_OBJECT

public:
    // siteAddress: the host name of the product web site.
    explicit TForm2(const QString &siteAddress, QWidget *parent = nullptr);

    // Shows the window beside the main window, or brings it to the front.
    void showAbout();

    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label4 = nullptr;

public slots:
    void Label2Click(); // opens the home page

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addLabel(const QString &name, const QString &text, int top);

    QString m_homePage;
};

} // namespace lovetest
