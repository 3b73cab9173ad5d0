#pragma once
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "report/print_dialogs.h"
#include "widgets/dialogs.h"

namespace lovetest::testing {

// Answers the save dialog with a prepared name and records every call.
class FakeDialogs : public Dialogs {
public:
    struct SaveCall {
        QString filter;
        QString defaultSuffix;
        QString previousName;
    };

    QString nextSaveName;
    QList<SaveCall> saveCalls;
    QStringList errors;
    int confirmations = 0;

    void showError(QWidget *, const QString &message) override { errors << message; }
    void showMessage(QWidget *, const QString &) override {}
    bool confirm(QWidget *, const QString &, const QString &) override
    {
        ++confirmations;
        return true;
    }
    QString saveFileName(QWidget *, const QString &filter, const QString &defaultSuffix,
                         const QString &previousName) override
    {
        saveCalls.append({filter, defaultSuffix, previousName});
        return nextSaveName;
    }
    void openUrl(QWidget *, const QUrl &) override {}
};

// Sends every print job to a PDF file instead of asking.
class PdfPrintDialogs : public PrintDialogs {
public:
    QString pdfFile;
    bool accept = true;
    int previews = 0;

    bool choosePrinter(QWidget *, QPrinter &printer) override
    {
        toPdf(printer);
        return accept;
    }
    void preview(QWidget *, QPrinter &printer, const PageRenderer &render) override
    {
        ++previews;
        toPdf(printer);
        render(&printer);
    }

private:
    void toPdf(QPrinter &printer) const
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
    }
};

// Installs a fake for the lifetime of a test.
template <typename Interface, typename Fake>
class Installed {
public:
    explicit Installed(Fake &fake) { Interface::setInstance(&fake); }
    ~Installed() { Interface::setInstance(nullptr); }
    Installed(const Installed &) = delete;
    Installed &operator=(const Installed &) = delete;
};

} // namespace lovetest::testing
