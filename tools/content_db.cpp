#include "tools/content_db.h"

#include <filesystem>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>
#include <QVariant>

#include "data/codepage.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

namespace lovetest::content {

QList<TestRows> assignIds(const Content &content)
{
    std::set<qint64> taken;
    for (const Test &test : content.tests) {
        if (test.id && !taken.insert(*test.id).second)
            throw ContentError(QStringLiteral("%1: duplicate id %2").arg(describeTest(test)).arg(*test.id).toStdString());
    }
    QList<TestRows> rows;
    qint64 next = 1;
    auto nextFree = [&] {
        while (taken.count(next))
            ++next;
        taken.insert(next);
        return next;
    };
    for (const Test &test : content.tests) {
        TestRows r;
        if (test.id) {
            r.testId = *test.id;
            next = std::max(next, *test.id + 1);
        } else {
            r.testId = nextFree();
        }
        for (qsizetype q = 0; q < test.questions.size(); ++q)
            r.questionIds.append(nextFree());
        rows.append(r);
    }
    return rows;
}

QString toStoredText(const QString &text)
{
    QString stored;
    stored.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            stored += QLatin1Char('\r');
        stored += text[i];
    }
    return stored;
}

QString fromStoredText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return plain;
}

namespace {

// One SQLite connection for the life of a scope, under a unique name.
class ScopedDatabase {
public:
    ScopedDatabase(const QString &path, bool readOnly)
        : m_name(QStringLiteral("lovetest-content-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            throw ContentError(QStringLiteral("%1: %2").arg(path, db.lastError().text()).toStdString());
    }
    ~ScopedDatabase() { QSqlDatabase::removeDatabase(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

void exec(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw ContentError(QStringLiteral("%1: %2").arg(what, query.lastError().text()).toStdString());
}

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
    return QString::fromLatin1(sealField(toCp936(toStoredText(text))));
}

QString joinedValues(const ChoiceList &choices)
{
    return choices.values.join(QString::fromLatin1(kValueSeparator));
}

QString joinedCaptions(const ChoiceList &choices)
{
    return choices.captions.join(QString::fromLatin1(kTextSeparator));
}

void writeContent(QSqlDatabase db, const Content &content)
{
    const QList<TestRows> ids = assignIds(content);
    TestDatabase::createSchema(db);
    QSqlQuery row(db);
    row.prepare(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name, 目录, 分值, 分值范围, 结果, 参数, 备注, 填写说明) "
                               "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, ?)"));
    QSqlQuery verdictRow(db);
    verdictRow.prepare(QStringLiteral("INSERT INTO 结果 (lbid, 类别, 分值范围, 结果) VALUES (?, ?, ?, ?)"));
    for (qsizetype t = 0; t < content.tests.size(); ++t) {
        const Test &test = content.tests[t];
        const qint64 testId = ids[t].testId;
        const QString where = describeTest(test);
        row.addBindValue(testId);
        row.addBindValue(testId);
        row.addBindValue(test.name);
        row.addBindValue(1);
        row.addBindValue(sealText(joinedValues(test.categories), where + QStringLiteral(", categories")));
        row.addBindValue(sealText(joinedCaptions(test.categories), where + QStringLiteral(", categories")));
        row.addBindValue(test.factor);
        row.addBindValue(toStoredText(test.remarks));
        row.addBindValue(QVariant());
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
            row.addBindValue(QVariant());
            row.addBindValue(QVariant());
            row.addBindValue(question.instructions.isEmpty() ? QVariant() : QVariant(toStoredText(question.instructions)));
            exec(row, at);
        }
        for (qsizetype v = 0; v < test.verdicts.size(); ++v) {
            const Verdict &verdict = test.verdicts[v];
            const QString at = QStringLiteral("%1, verdict row %2").arg(where).arg(v + 1);
            verdictRow.addBindValue(testId);
            verdictRow.addBindValue(verdict.category ? QVariant(*verdict.category) : QVariant());
            verdictRow.addBindValue(sealText(verdict.thresholds.join(QString::fromLatin1(kValueSeparator)), at));
            verdictRow.addBindValue(sealText(verdict.texts.join(QString::fromLatin1(kTextSeparator)), at));
            exec(verdictRow, at);
        }
    }
}

// Unseals the fields of one database with the data key the program derives.
class Unsealer {
public:
    Unsealer()
    {
        TextSlot sealedKey;
        sealedKey.store(sealedDataKeyText());
        m_codec.RefreshDataKey(sealedKey, m_dataKey);
    }
    QByteArray bytes(const QVariant &sealed) { return m_codec.unsealField(m_dataKey, sealed.toString().toLatin1()); }
    QString text(const QVariant &sealed) { return fromStoredText(fromCp936(bytes(sealed))); }
    QStringList list(const QVariant &sealed, const char *separator)
    {
        QStringList items;
        for (const QByteArray &item : SplitText(bytes(sealed), QByteArray(separator)))
            items.append(fromStoredText(fromCp936(item)));
        return items;
    }

private:
    SealCodec m_codec;
    TextSlot m_dataKey;
};

} // namespace

void buildDatabase(const Content &content, const QString &path, bool overwrite)
{
    const QFileInfo target(path);
    if (target.exists() && !overwrite)
        throw ContentError(QStringLiteral("%1 exists already (use --force to replace it)").arg(path).toStdString());
    QTemporaryFile temporary(target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX")));
    if (!temporary.open())
        throw ContentError(QStringLiteral("%1: %2").arg(temporary.fileTemplate(), temporary.errorString()).toStdString());
    temporary.close();
    {
        ScopedDatabase database(temporary.fileName(), false);
        QSqlDatabase db = database.db();
        db.transaction();
        try {
            writeContent(db, content);
        } catch (...) {
            db.rollback();
            db.close();
            throw;
        }
        if (!db.commit())
            throw ContentError(QStringLiteral("%1: %2").arg(path, db.lastError().text()).toStdString());
        db.close();
    }
    std::error_code error;
    std::filesystem::rename(temporary.fileName().toStdString(), target.absoluteFilePath().toStdString(), error);
    if (error)
        throw ContentError(QStringLiteral("%1: %2").arg(path, QString::fromStdString(error.message())).toStdString());
    temporary.setAutoRemove(false);
}

Content loadDatabase(const QString &path)
{
    if (!QFileInfo::exists(path))
        throw ContentError(QStringLiteral("%1: no such file").arg(path).toStdString());
    ScopedDatabase database(path, true);
    QSqlDatabase db = database.db();
    Unsealer unseal;
    Content content;
    QSqlQuery tests(db);
    tests.setForwardOnly(true);
    tests.prepare(QStringLiteral("SELECT ID, Name, 分值范围, 结果, 参数, 备注 FROM 量表 "
                                 "WHERE 目录 = 1 AND Parent = ID ORDER BY rowid"));
    exec(tests, path);
    QSqlQuery questions(db);
    questions.prepare(QStringLiteral("SELECT Name, 分值范围, 结果, 填写说明 FROM 量表 "
                                     "WHERE Parent = ? AND ID <> Parent AND (目录 IS NULL OR 目录 <> 1) ORDER BY rowid"));
    QSqlQuery verdicts(db);
    verdicts.prepare(QStringLiteral("SELECT 类别, 分值范围, 结果 FROM 结果 WHERE lbid = ? ORDER BY rowid"));
    while (tests.next()) {
        Test test;
        test.id = tests.value(0).toLongLong();
        test.name = tests.value(1).toString();
        test.categories = tests.value(2).toString().isEmpty()
            ? ChoiceList()
            : ChoiceList{unseal.list(tests.value(2), kValueSeparator), unseal.list(tests.value(3), kTextSeparator)};
        test.factor = tests.value(4).toDouble();
        test.remarks = fromStoredText(tests.value(5).toString());
        questions.addBindValue(*test.id);
        exec(questions, path);
        while (questions.next()) {
            Question question;
            question.text = unseal.text(questions.value(0));
            question.options = ChoiceList{unseal.list(questions.value(1), kValueSeparator),
                                          unseal.list(questions.value(2), kTextSeparator)};
            question.instructions = fromStoredText(questions.value(3).toString());
            test.questions.append(question);
        }
        verdicts.addBindValue(*test.id);
        exec(verdicts, path);
        while (verdicts.next()) {
            Verdict verdict;
            // Every stored category comes back, so that what was built builds again alike.
            if (!verdicts.value(0).isNull())
                verdict.category = verdicts.value(0).toString();
            verdict.thresholds = unseal.list(verdicts.value(1), kValueSeparator);
            verdict.texts = unseal.list(verdicts.value(2), kTextSeparator);
            test.verdicts.append(verdict);
        }
        content.tests.append(test);
    }
    return content;
}

} // namespace lovetest::content
