#include "shell/menu_order.h"

#include <QAction>
#include <QMenu>

namespace lovetest {

QAction *firstSeparator(const QMenu &menu)
{
    for (QAction *item : menu.actions())
        if (item->isSeparator())
            return item;
    return nullptr;
}

} // namespace lovetest
