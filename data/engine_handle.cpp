#include "engine_handle.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace lovetest {

sqlite3 *engineHandle(const QSqlDatabase &db)
{
    if (!db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace lovetest
