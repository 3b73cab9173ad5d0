#include "widgets/status_bar.h"

namespace lovetest {

TdxStatusBar::TdxStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    setFixedHeight(20);
}

} // namespace lovetest
