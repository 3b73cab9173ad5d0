#pragma once
#include <functional>

class QPrinter;
class QWidget;

namespace lovetest {

// The print dialog and the print preview sit behind this interface so that
// tests can answer them (for example with a PDF printer) instead of blocking.
class PrintDialogs {
public:
    using PageRenderer = std::function<void(QPrinter *)>;

    virtual ~PrintDialogs() = default;
    // Lets the user choose and set up the printer; false when cancelled.
    virtual bool choosePrinter(QWidget *parent, QPrinter &printer) = 0;
    // Shows the print preview of the pages that render paints onto a printer;
    // printing from the preview also goes through render.
    virtual void preview(QWidget *parent, QPrinter &printer, const PageRenderer &render) = 0;

    static PrintDialogs &instance();
    // Replaces the instance (tests); nullptr restores the real dialogs.
    static void setInstance(PrintDialogs *dialogs);
};

} // namespace lovetest
