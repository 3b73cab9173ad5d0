#include "widgets/capped_pane.h"

#include <QLayout>

namespace lovetest {

void CappedPane::setCappedHeight(int height)
{
    setMinimumHeight(0);
    setMaximumHeight(height);
    updateGeometry();
    // The panes around take the new height now, not at the next layout pass.
    if (QWidget *area = parentWidget(); area && area->layout())
        area->layout()->activate();
}

} // namespace lovetest
