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

RealPrintDialogs g_realPrintDialogs;
PrintDialogs *g_current = &g_realPrintDialogs;

} // namespace

PrintDialogs &PrintDialogs::instance()
{
    return *g_current;
}

void PrintDialogs::setInstance(PrintDialogs *dialogs)
{
    g_current = dialogs ? dialogs : &g_realPrintDialogs;
}

} // namespace lovetest
