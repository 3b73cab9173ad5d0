#include "widgets/status_strip.h"

namespace lovetest {

StatusStrip::StatusStrip(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    setFixedHeight(20);
}

} // namespace lovetest
