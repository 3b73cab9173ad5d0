#include "tools/database_build.h"

#include <filesystem>
#include <set>

#include <QCoreApplication>
#include <QFile>

#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/catalog_index.h"
#include "data/codepage.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "seal/sealing.h"
#include "tools/database_export.h"
#include "tools/partial_file.h"
#include "tools/scoped_database.h"
#include "tools/stored_text.h"

namespace lovetest::content {

QList<TestRows> assignIds(const Content &content)
{
    std::set<qint64> taken;
    for (const Test &test : content.tests) {
        if (test.id && (*test.id < kMinId || *test.id > kMaxId))
            throw ContentError(QStringLiteral("%1: the id must be from %2 to %3")
                                   .arg(describeTest(test))
                                   .arg(kMinId)
                                   .arg(kMaxId)
                                   .toStdString());
        if (test.id && !taken.insert(*test.id).second)
            throw ContentError(
                QStringLiteral("%1: duplicate id %2").arg(describeTest(test)).arg(*test.id).toStdString());
    }
    QList<TestRows> rows;
    qint64 next = kMinId;
    auto nextFree = [&](const Test &test) {
        while (taken.count(next))
            ++next;
        if (next > kMaxId)
            throw ContentError(QStringLiteral("%1: no free id is left up to %2 for its rows")
                                   .arg(describeTest(test))
                                   .arg(kMaxId)
                                   .toStdString());
        taken.insert(next);
        return next;
    };
    for (const Test &test : content.tests) {
        TestRows r;
        if (test.id) {
            r.testId = *test.id;
            next = std::max(next, *test.id + 1);
        } else {
            r.testId = nextFree(test);
        }
        for (qsizetype q = 0; q < test.questions.size(); ++q)
            r.questionIds.append(nextFree(test));
        rows.append(r);
    }
    return rows;
}

namespace {

// Seals a plain text: converted to code page 936 first, so a character
// without a mapping is a content error naming where it stands.
QString sealText(const QString &text, const QString &where)
{
    QChar bad;
    if (!fitsCp936(text, &bad))
        throw ContentError(QStringLiteral("%1: the character \"%2\" (U+%3) has no code page 936 form")
                               .arg(where, QString(bad))
                               .arg(bad.unicode(), 4, 16, QLatin1Char('0'))
                               .toStdString());
    static const QByteArray dataKeyText = deriveDataKeyText();
    return QString::fromLatin1(lovetest::sealText(toCp936(toStoredText(text)), dataKeyText));
}

QString joinedValues(const ChoiceList &choices)
{
    return choices.values.join(QString::fromLatin1(kValueSeparator));
}

QString joinedCaptions(const ChoiceList &choices)
{
    return choices.captions.join(QString::fromLatin1(kTextSeparator));
}

QVariant parentValue(const Test &test, qint64 ownId)
{
    if (!test.parent)
        return ownId;
    if (*test.parent == kNoParentRow)
        return QVariant(QMetaType::fromType<qint64>());
    return *test.parent;
}

const QStringList kIndexStatements{
    QStringLiteral("CREATE INDEX \"量表_Parent\" ON \"量表\" (\"Parent\")"),
    QStringLiteral("CREATE INDEX \"结果_lbid\" ON \"结果\" (\"lbid\")"),
    QStringLiteral("CREATE INDEX \"量表_目录\" ON \"量表\" (\"目录\")"),
    catalogIndexStatement(),
};

} // namespace

void insertEntries(QSqlDatabase db, const Content &content, const QList<TestRows> &ids)
{
    QSqlQuery row(db);
    row.prepare(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name, 目录, 分值, 分值范围, 结果, 参数, 备注, 填写说明) "
                               "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, ?)"));
    QSqlQuery verdictRow(db);
    verdictRow.prepare(QStringLiteral("INSERT INTO 结果 (lbid, 类别, 分值范围, 结果) VALUES (?, ?, ?, ?)"));
    const QVariant null;
    for (qsizetype t = 0; t < content.tests.size(); ++t) {
        const Test &test = content.tests[t];
        const qint64 testId = ids[t].testId;
        const QString where = describeTest(test);
        row.addBindValue(testId);
        row.addBindValue(parentValue(test, testId));
        row.addBindValue(test.name);
        row.addBindValue(1);
        // A folder is a catalog row without questions, categories or factor.
        row.addBindValue(test.folder ? null
                                     : sealText(joinedValues(test.categories), where + QStringLiteral(", categories")));
        row.addBindValue(
            test.folder ? null : sealText(joinedCaptions(test.categories), where + QStringLiteral(", categories")));
        row.addBindValue(test.folder ? null : QVariant(test.factor));
        row.addBindValue(toStoredText(test.remarks));
        row.addBindValue(null);
        exec(row, where);
        for (qsizetype q = 0; q < test.questions.size(); ++q) {
            const Question &question = test.questions[q];
            const QString at = describeQuestion(test, q);
            row.addBindValue(ids[t].questionIds[q]);
            row.addBindValue(testId);
            row.addBindValue(sealText(question.text, at));
            row.addBindValue(0);
            row.addBindValue(sealText(joinedValues(question.options), at));
            row.addBindValue(sealText(joinedCaptions(question.options), at));
            row.addBindValue(null);
            row.addBindValue(null);
            row.addBindValue(question.instructions.isEmpty() ? null : QVariant(toStoredText(question.instructions)));
            exec(row, at);
        }
        for (qsizetype v = 0; v < test.verdicts.size(); ++v) {
            const Verdict &verdict = test.verdicts[v];
            const QString at = QStringLiteral("%1, verdict row %2").arg(where).arg(v + 1);
            verdictRow.addBindValue(testId);
            verdictRow.addBindValue(verdict.category ? QVariant(*verdict.category) : null);
            verdictRow.addBindValue(sealText(verdict.thresholds.join(QString::fromLatin1(kValueSeparator)), at));
            verdictRow.addBindValue(sealText(verdict.texts.join(QString::fromLatin1(kTextSeparator)), at));
            exec(verdictRow, at);
        }
    }
}

namespace {

void writeContent(QSqlDatabase db, const Content &content)
{
    const QList<TestRows> ids = assignIds(content);
    TestDatabase::createSchema(db);
    insertEntries(db, content, ids);
    for (const QString &statement : kIndexStatements) {
        QSqlQuery index(db);
        if (!index.exec(statement))
            throw ContentError(ScopedDatabase::reason(index.lastError()).toStdString());
    }
}

} // namespace

QString backupPath(const QString &path)
{
    return path + QStringLiteral(".bak");
}

namespace {

// The records of the program's test history in an existing file; 0 for a
// file that is no database or has no history table.
qint64 historyRecords(const QString &path)
{
    if (!looksLikeDatabase(path))
        return 0;
    ScopedDatabase database(path, path, true);
    QSqlDatabase db = database.db();
    auto unreadable = [&path](const QSqlQuery &query) {
        return ContentError(QStringLiteral("%1: cannot tell whether it holds test records (记录): %2; use "
                                           "--drop-history with --force to replace it anyway")
                                .arg(path, ScopedDatabase::reason(query.lastError()))
                                .toStdString());
    };
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '记录'")))
        throw unreadable(tables);
    if (!tables.next())
        return 0;
    QSqlQuery count(db);
    if (!count.exec(QStringLiteral("SELECT count(*) FROM 记录")) || !count.next())
        throw unreadable(count);
    return count.value(0).toLongLong();
}

// A database the program has open keeps its write-ahead log beside it, by
// name: a new file renamed over it would take that log as its own and be
// damaged. The log is folded back into the file, which needs every other
// connection gone; one that stays means the file is in use, and it is left
// alone. A file left in log mode by a program that died is folded back too,
// so its backup holds every commit.
void requireFileNotInUse(const QString &path)
{
    if (!looksLikeDatabase(path))
        return;
    ScopedDatabase database(path, path, false);
    QSqlQuery mode(database.db());
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode")) || !mode.next() ||
        mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return;
    mode.finish();
    QSqlQuery plain(database.db());
    if (!plain.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) || !plain.next() ||
        plain.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        throw ContentError(QStringLiteral("%1 is open in the program (or in another program); close it and build "
                                          "again, nothing was written")
                               .arg(path)
                               .toStdString());
}

// Copies the file about to be replaced to its backup path: through a
// partial file, so a failed copy leaves an older backup as it was.
void keepBackup(const QString &path)
{
    const QString backup = backupPath(path);
    PartialFile::removeLeftovers(backup);
    const QString partial = backup + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(partial);
    QFile source(path);
    QString reason;
    if (!source.copy(partial)) {
        reason = source.errorString();
    } else {
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(backup).toStdString(),
                                error);
        if (error)
            reason = QString::fromStdString(error.message());
    }
    if (!reason.isEmpty()) {
        QFile::remove(partial);
        throw ContentError(QStringLiteral("%1: cannot keep the previous file as %2: %3; nothing was written")
                               .arg(path, backup, reason)
                               .toStdString());
    }
}

} // namespace

bool buildDatabase(const Content &content, const QString &path, const BuildTarget &target)
{
    const QFileInfo existing(path);
    const bool replacing = existing.exists();
    if (replacing && !target.replace)
        throw ContentError(QStringLiteral("%1 exists already (use --force to replace it)").arg(path).toStdString());
    if (replacing && !existing.isFile())
        throw ContentError(QStringLiteral("%1 is not a regular file").arg(path).toStdString());
    if (replacing)
        requireFileNotInUse(path);
    if (replacing && !target.dropHistory) {
        if (const qint64 records = historyRecords(path))
            throw ContentError(
                QStringLiteral("%1 holds %2 test %3 (记录) that a rebuild would lose; use --drop-history with "
                               "--force to replace it")
                    .arg(path)
                    .arg(records)
                    .arg(records == 1 ? QStringLiteral("record") : QStringLiteral("records"))
                    .toStdString());
    }
    PartialFile partial(path);
    {
        ScopedDatabase database(partial.path(), path, false);
        QSqlDatabase db = database.db();
        // The partial file is thrown away on any failure, so it needs no
        // rollback journal of its own.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = OFF"));
        db.transaction();
        auto rollBack = qScopeGuard([&db] {
            db.rollback();
            db.close();
        });
        writeContent(db, content);
        if (!db.commit())
            throw ContentError(
                QStringLiteral("%1: %2").arg(path, ScopedDatabase::reason(db.lastError())).toStdString());
        rollBack.dismiss();
        db.close();
    }
    // Kept only once the new file is whole, so a build that fails leaves
    // both files as they were.
    const bool kept = replacing && target.keepBackup;
    if (kept)
        keepBackup(path);
    partial.commit();
    return kept;
}

} // namespace lovetest::content
