#include "report/report_resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerReportIcons()
{
    Q_INIT_RESOURCE(report_icons);
}

namespace lovetest {

void initReportResources()
{
    static const bool registered = (registerReportIcons(), true);
    (void)registered;
}

} // namespace lovetest
