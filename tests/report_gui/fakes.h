#pragma once
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "report/print_dialogs.h"
#include "tests/support/fake_dialogs.h"

namespace lovetest::testing {

// Sends every print job to a PDF file instead of asking.
class PdfPrintDialogs : public PrintDialogs {
public:
    QString pdfFile;
    bool accept = true;
    int previews = 0;
    // What the printer held when the dialog opened.
    QString proposedFile;
    QString documentName;
    QPrinter::OutputFormat proposedFormat = QPrinter::NativeFormat;

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
    void toPdf(QPrinter &printer)
    {
        proposedFile = printer.outputFileName();
        documentName = printer.docName();
        proposedFormat = printer.outputFormat();
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
