#include "report/print_dialogs.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace lovetest {

namespace {

class RealPrintDialogs final : public PrintDialogs {
public:
    bool choosePrinter(QWidget *parent, QPrinter &printer) override
    {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    void preview(QWidget *parent, QPrinter &printer, const PageRenderer &render) override
    {
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&render](QPrinter *target) { render(target); });
        dialog.exec();
    }
};

RealPrintDialogs realPrintDialogs;
PrintDialogs *current = &realPrintDialogs;

} // namespace

PrintDialogs &PrintDialogs::instance()
{
    return *current;
}

void PrintDialogs::setInstance(PrintDialogs *dialogs)
{
    current = dialogs ? dialogs : &realPrintDialogs;
}

} // namespace lovetest
