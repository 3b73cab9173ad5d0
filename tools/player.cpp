#include "tools/player.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "data/convert.h"
#include "data/database_error.h"
#include "data/read_only_copy.h"
#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "report/content_report.h"
#include "run/headless_view.h"
#include "run/test_run.h"
#include "seal/seal_codec.h"
#include "tools/content_model.h"
#include "tools/database_export.h"
#include "tools/scoped_database.h"

namespace lovetest::content {

namespace {

[[noreturn]] void usage(const QString &message)
{
    throw UsageError(message.toStdString());
}

// The database of a file, on a private copy read through the engine (its
// write-ahead log included, so what a running window wrote is there); the
// run's own writes never reach the file.
class DatabaseCopy {
public:
    explicit DatabaseCopy(const QString &path)
    {
        if (!QFile::exists(path))
            throw ContentError(QStringLiteral("%1: no such file").arg(path).toStdString());
        if (!QFileInfo(path).isFile())
            throw ContentError(QStringLiteral("%1 is not a regular file").arg(path).toStdString());
        if (!copyDir.isValid())
            throw ContentError(QStringLiteral("%1: cannot make a working copy").arg(path).toStdString());
        const QString copy = copyDir.filePath(QStringLiteral("date.mdb"));
        // A wrong file is named in the words export and check use.
        requireTestDatabase(path);
        const QString failure = copyDatabaseFile(path, copy);
        if (!failure.isEmpty())
            throw ContentError(databaseTrouble(path, failure).toStdString());
        const QStringList errors = database.openAll(copy);
        if (!errors.isEmpty())
            throw ContentError(databaseTrouble(path, errors.first()).toStdString());
    }

    void select(qint64 testId)
    {
        if (!database.catalog.locate(QStringLiteral("ID"), testId))
            usage(QStringLiteral("--test: no catalog entry has the id %1").arg(testId));
    }

    QTemporaryDir copyDir;
    TestDatabase database;
    SealCodec codec;
    SealedFields sealed{database, codec};
};

} // namespace

QStringList playTest(const PlayRequest &request)
{
    DatabaseCopy file(request.databasePath);
    file.select(request.testId);
    HeadlessRunView view(file.database, file.sealed);
    TestRun run(file.database, file.sealed, view);

    QStringList lines;
    qsizetype next = 0;
    bool categoryChosen = false;
    try {
        run.start();
        if (!view.messages().isEmpty())
            throw ContentError(view.messages().constLast().toStdString());
        while (run.phase() == TestRun::Phase::Answering || run.phase() == TestRun::Phase::ChoosingCategory) {
            lines.append(view.shown());
            if (run.phase() == TestRun::Phase::Answering) {
                const int question = run.questionNumber();
                if (next >= request.answers.size())
                    usage(QStringLiteral("--answers: question %1 of %2 has no answer")
                              .arg(question)
                              .arg(run.questionTotal()));
                const int index = request.answers[next++];
                if (index < 0 || index >= view.choices().items.size())
                    usage(QStringLiteral("--answers: %1 is not an option of question %2 (options 1 to %3)")
                              .arg(index + 1)
                              .arg(question)
                              .arg(view.choices().items.size()));
                view.choose(index);
            } else {
                if (!request.category)
                    usage(QStringLiteral("the test asks for a category: give --category"));
                if (categoryChosen)
                    usage(QStringLiteral("--category: %1 cannot be chosen").arg(*request.category));
                qsizetype item = -1;
                for (qsizetype i = 0; i < view.choices().items.size(); ++i) {
                    if (view.choices().items[i].value == QString::number(*request.category))
                        item = i;
                }
                if (item < 0)
                    usage(QStringLiteral("--category: %1 is not offered").arg(*request.category));
                view.choose(int(item));
                categoryChosen = true;
            }
            run.step();
        }
    } catch (const UsageError &) {
        throw;
    } catch (const ContentError &) {
        throw;
    } catch (const DatabaseError &e) {
        throw ContentError(databaseTrouble(request.databasePath, e.message()).toStdString());
    } catch (const std::exception &e) {
        throw ContentError(e.what());
    }
    if (next < request.answers.size())
        usage(QStringLiteral("--answers: %1 answers given, but the test has %2 questions")
                  .arg(request.answers.size())
                  .arg(run.questionTotal()));
    if (request.category && !categoryChosen)
        usage(QStringLiteral("--category: the test asks for no category"));
    QString verdict = view.shown();
    verdict.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines += verdict.split(QLatin1Char('\n'));
    lines.append(QStringLiteral("得分: ") + numberText(run.score()));
    if (categoryChosen)
        lines.append(QStringLiteral("类别: %1").arg(*request.category));
    return lines;
}

QString reportTest(const QString &databasePath, qint64 testId)
{
    DatabaseCopy file(databasePath);
    file.select(testId);
    ContentReportBuilder builder(file.database, file.sealed);
    try {
        return builder.build().page;
    } catch (const DatabaseError &e) {
        throw ContentError(databaseTrouble(databasePath, e.message()).toStdString());
    } catch (const std::exception &e) {
        throw ContentError(e.what());
    }
}

} // namespace lovetest::content
