#pragma once
#include "data/connection.h"
#include "data/data_source.h"
#include "data/dataset.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace lovetest {

// Condition of the catalog query: catalog rows hold 1 in 目录 (true), question
// rows 0 or Null.
inline constexpr char kCatalogCondition[] = "目录=1";
// The database file the program opens from the current directory.
inline constexpr char kDatabaseFileName[] = "date.mdb";

// The names the connection and the datasets go by in their error messages
// ("…: Field 'ID' not found"). Users and stored error reports know them, so
// they stay as they always were; the code calls the objects by their jobs.
namespace message_names {
inline constexpr char kConnection[] = "ADOConnection1";
inline constexpr char kCatalog[] = "ADOQuery1";
inline constexpr char kQuestions[] = "ADOQuery2";
inline constexpr char kInstructions[] = "ADOQuery3";
inline constexpr char kVerdicts[] = "ADOQuery4";
inline constexpr char kSealedKeySlot[] = "ADOQuery5";
inline constexpr char kDataKeySlot[] = "ADOQuery6";
} // namespace message_names

// Why a command that needs the tests refuses when the database is not open:
// names the folder it was looked for in (fileName, or date.mdb, against the
// current folder) and how to get one there.
QString closedDatabaseMessage(const QString &fileName = QString());

// The connection, the six query objects and the three data sources that the
// main window owns. They live as long as this object; the data sources go
// first, the connection last.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // Connects, then opens catalog ... verdicts in this order. Every
    // failure is reported (the error text) and the start goes on; with a
    // missing file that is five reports: the connection, then each dataset
    // retrying the connection. Returns the reports in order.
    QStringList openAll(const QString &fileName = QString::fromUtf8(kDatabaseFileName));
    void openAll(const QString &fileName, const std::function<void(const QString &)> &reportError);

    // Creates the three tables in an empty database (the authoring tool's
    // new file). Raises DatabaseError with the engine's message.
    static void createSchema(QSqlDatabase &db);
    // The CREATE TABLE statements createSchema runs, in order.
    static QStringList schemaStatements();

    Connection connection;
    Dataset catalog; // catalog: 量表 where 目录=1
    Dataset questions; // 量表: filtered to a test it is the question set
    Dataset instructions; // 说明: opened, never read
    Dataset verdicts; // 结果: filtered to a test it is the verdict set
    Dataset sealedKeySlot; // text slot: the sealed data-key text
    Dataset dataKeySlot; // text slot: the data key
    DataSource catalogSource; // catalog
    DataSource questionSource; // questions
    DataSource instructionSource; // instructions
};

} // namespace lovetest
