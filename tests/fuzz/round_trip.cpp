#include "tests/fuzz/round_trip.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"

namespace lovetest::fuzz {

QStringList dumpTables(const QString &path)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            return {QStringLiteral("cannot open ") + path};
        QSqlQuery tables(QStringLiteral("SELECT name, sql FROM sqlite_master ORDER BY name"), db);
        QStringList names;
        while (tables.next()) {
            rows.append(tables.value(1).toString());
            names.append(tables.value(0).toString());
        }
        for (const QString &table : names) {
            QSqlQuery query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table), db);
            while (query.next()) {
                QStringList cells;
                for (int i = 0; i < query.record().count(); ++i)
                    cells.append(query.value(i).isNull() ? QStringLiteral("<null>") : query.value(i).toString());
                rows.append(table + QLatin1Char(':') + cells.join(QLatin1Char('|')));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QString roundTripFault(const QString &first, const QString &second)
{
    using namespace content;
    const QByteArray exported = toContentJson(loadDatabase(first));
    try {
        const Content again = parseContentJson(exported);
        const QList<Problem> problems = checkContent(again);
        if (hasErrors(problems))
            return QStringLiteral("the export is refused: ") + problems.first().text();
        buildDatabase(again, second, {.replace = true, .dropHistory = true});
    } catch (const std::exception &e) {
        return QStringLiteral("the export does not build: ") + QString::fromUtf8(e.what());
    }
    if (dumpTables(first) != dumpTables(second))
        return QStringLiteral("the export builds other tables:\n") + QString::fromUtf8(exported);
    return {};
}

} // namespace lovetest::fuzz
