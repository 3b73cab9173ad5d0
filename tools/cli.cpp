#include "tools/cli.h"

#include <functional>
#include <map>

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTextStream>

#include "data/codepage.h"
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"
#include "tools/content_check.h"
#include "tools/content_db.h"
#include "tools/content_json.h"
#include "tools/player.h"

namespace lovetest::content {

namespace {

const char kIntro[] = R"(Usage: lovetest-content COMMAND ...

Builds, reads and tries the test databases of 朗月爱情心理测试.
"COMMAND --help" prints the usage of one command.

Commands:
)";

const char kOutro[] = R"(
Exit status: 0 success, 1 content or data error, 2 usage error.
)";

// The usage of each command, as "lovetest-content COMMAND --help" prints it
// and the general help lists them.
const std::map<QString, const char *> kCommandUsage{
    {QStringLiteral("build"), R"(  build CONTENT.json... -o FILE [--force]
        Checks, then writes a new test database from content files (entries
        of all files in order); content with errors is refused. An existing
        FILE is replaced only with --force.
)"},
    {QStringLiteral("check"), R"(  check FILE... [--ranges]
        Reports every mistake of a database or of content files (errors, then
        warnings, each with its file, line and column) and exits 1 when there
        is an error. --ranges prints each test's reachable scores and which
        score interval leads to which verdict.
)"},
    {QStringLiteral("export"), R"(  export FILE
        Prints every catalog entry of a database (tests and folders) as content
        JSON, every sealed field unsealed.
)"},
    {QStringLiteral("play"), R"(  play FILE --test ID --answers I,J,... [--category N]
        Runs a test of the database (on a copy; FILE is not written) choosing
        option I for the first question, J for the second ..., options
        counted from 1 as the content page and the number keys count them,
        and category value N when the test asks for one. Prints each question
        caption as shown, the category prompt, the verdict, then the lines
        "得分: SCORE" (after the factor) and, for a category test,
        "类别: VALUE".
)"},
    {QStringLiteral("report"), R"(  report FILE --test ID
        Prints the content page of a test as the report window receives it.
)"},
    {QStringLiteral("seal"), R"(  seal  Reads one text on standard input and prints its sealed form.
)"},
    {QStringLiteral("unseal"), R"(  unseal
        Reads one sealed text on standard input and prints the plain text.
)"},
};

QString generalUsage()
{
    QString text = QString::fromUtf8(kIntro);
    for (const char *name : {"build", "check", "export", "play", "report", "seal", "unseal"})
        text += QString::fromUtf8(kCommandUsage.at(QLatin1String(name)));
    return text + QString::fromUtf8(kOutro);
}

// "1 test", "2 tests".
QString counted(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Splits the arguments of one command into positionals and options.
struct Arguments {
    QStringList positional;
    QString output;
    bool force = false;
    bool ranges = false;
    std::map<QString, QString> values; // --test, --answers, --category

    static Arguments parse(const QStringList &args, const QStringList &allowed)
    {
        Arguments result;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString &arg = args[i];
            if (arg == QLatin1String("-o") && allowed.contains(arg)) {
                if (++i >= args.size())
                    throw UsageError("-o needs a file name");
                result.output = args[i];
            } else if (arg == QLatin1String("--ranges") && allowed.contains(arg)) {
                result.ranges = true;
            } else if (allowed.contains(arg) && arg != QLatin1String("--force")) {
                if (++i >= args.size())
                    throw UsageError(QStringLiteral("%1 needs a value").arg(arg).toStdString());
                result.values[arg] = args[i];
            } else if (arg == QLatin1String("--force") && allowed.contains(arg)) {
                result.force = true;
            } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
                throw UsageError(QStringLiteral("unknown option %1").arg(arg).toStdString());
            } else {
                result.positional.append(arg);
            }
        }
        return result;
    }
};

QString readInput(QIODevice &in)
{
    QString text = QString::fromUtf8(in.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(text.endsWith(QLatin1String("\r\n")) ? 2 : 1);
    return text;
}

void printProblems(const QList<Problem> &problems, QTextStream &to)
{
    for (const Problem &problem : problems) {
        if (problem.severity == Problem::Error)
            to << problem.text() << '\n';
    }
    for (const Problem &problem : problems) {
        if (problem.severity == Problem::Warning)
            to << problem.text() << '\n';
    }
}

QString describeCounts(const Content &content)
{
    const auto folders = std::count_if(content.tests.begin(), content.tests.end(), [](const Test &t) { return t.folder; });
    QString text = counted(content.tests.size() - folders, "test", "tests");
    if (folders)
        text += QStringLiteral(", ") + counted(folders, "folder", "folders");
    return text;
}

int build(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    const Arguments a = Arguments::parse(args, {QStringLiteral("-o"), QStringLiteral("--force")});
    if (a.positional.isEmpty() || a.output.isEmpty())
        throw UsageError("build needs content files and -o FILE");
    ReadResult read = readContentFileList(a.positional);
    QList<Problem> problems = read.problems;
    if (!hasErrors(problems))
        problems += checkContent(read.content);
    printProblems(problems, err);
    if (hasErrors(problems))
        throw ContentError("the content has errors; nothing was written");
    buildDatabase(read.content, a.output, a.force);
    out << QStringLiteral("%1: %2\n").arg(a.output, describeCounts(read.content));
    return ExitOk;
}

int exportCommand(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    const Arguments a = Arguments::parse(args, {});
    if (a.positional.size() != 1)
        throw UsageError("export needs one database file");
    // Written as it is read: a large catalog is never held whole.
    ContentJsonWriter writer([&out](const QByteArray &piece) { out << QString::fromUtf8(piece); });
    exportDatabase(a.positional.first(), [&writer](const Test &test) { writer.write(test); },
                   [&err](const QString &note) { err << "warning: " << note << '\n'; });
    writer.finish();
    return ExitOk;
}

// One path meant as a database: an SQLite file, a name ending in .mdb, or
// something that is no regular file (refused there in words).
bool meantAsDatabase(const QString &path)
{
    const QFileInfo info(path);
    return looksLikeDatabase(path) || path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)
        || (info.exists() && !info.isFile());
}

// The entries and problems of one database or of content files.
ReadResult readForCheck(const QStringList &paths)
{
    if (paths.size() == 1 && meantAsDatabase(paths.first())) {
        const QString &path = paths.first();
        ReadResult result;
        exportDatabase(path, [&](const Test &test) { result.content.tests.append(test); });
        result.problems = checkDatabaseRows(path);
        return result;
    }
    return readContentFileList(paths);
}

int check(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &)
{
    const Arguments a = Arguments::parse(args, {QStringLiteral("--ranges")});
    if (a.positional.isEmpty())
        throw UsageError("check needs a database or content files");
    const ReadResult read = readForCheck(a.positional);
    QList<Problem> problems = read.problems;
    problems += checkContent(read.content);
    printProblems(problems, out);
    if (a.ranges) {
        for (const QString &line : describeRanges(read.content))
            out << line << '\n';
    }
    const auto errors = std::count_if(problems.begin(), problems.end(), [](const Problem &p) { return p.severity == Problem::Error; });
    out << QStringLiteral("%1, %2, %3\n")
               .arg(describeCounts(read.content), counted(errors, "error", "errors"),
                    counted(problems.size() - errors, "warning", "warnings"));
    return errors ? ExitContentError : ExitOk;
}

qint64 integerOption(const Arguments &a, const char *name)
{
    const auto found = a.values.find(QLatin1String(name));
    if (found == a.values.end())
        throw UsageError(QStringLiteral("%1 is missing").arg(QLatin1String(name)).toStdString());
    bool ok = false;
    const qint64 value = found->second.toLongLong(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("%1: \"%2\" is not an integer").arg(QLatin1String(name), found->second).toStdString());
    return value;
}

int play(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &)
{
    const Arguments a = Arguments::parse(args, {QStringLiteral("--test"), QStringLiteral("--answers"), QStringLiteral("--category")});
    if (a.positional.size() != 1)
        throw UsageError("play needs one database file");
    PlayRequest request;
    request.databasePath = a.positional.first();
    request.testId = integerOption(a, "--test");
    const auto answers = a.values.find(QStringLiteral("--answers"));
    if (answers != a.values.end() && !answers->second.isEmpty()) {
        for (const QString &item : answers->second.split(QLatin1Char(','))) {
            bool ok = false;
            const int number = item.trimmed().toInt(&ok);
            if (!ok)
                throw UsageError(QStringLiteral("--answers: \"%1\" is not an option number").arg(item).toStdString());
            request.answers.append(number - 1); // counted from 1 on the command line

        }
    }
    if (a.values.count(QStringLiteral("--category")))
        request.category = integerOption(a, "--category");
    for (const QString &line : playTest(request))
        out << line << '\n';
    return ExitOk;
}

int report(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &)
{
    const Arguments a = Arguments::parse(args, {QStringLiteral("--test")});
    if (a.positional.size() != 1)
        throw UsageError("report needs one database file");
    out << reportTest(a.positional.first(), integerOption(a, "--test"));
    return ExitOk;
}

int seal(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &)
{
    if (!args.isEmpty())
        throw UsageError("seal takes no arguments");
    const QString text = readInput(in);
    QChar bad;
    if (!fitsCp936(text, &bad))
        throw ContentError(QStringLiteral("the character \"%1\" has no code page 936 form").arg(bad).toStdString());
    out << QString::fromLatin1(sealField(toCp936(text))) << '\n';
    return ExitOk;
}

int unseal(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &)
{
    if (!args.isEmpty())
        throw UsageError("unseal takes no arguments");
    TextSlot sealedKey, dataKey;
    sealedKey.store(sealedDataKeyText());
    SealCodec codec;
    codec.RefreshDataKey(sealedKey, dataKey);
    const QByteArray sealed = readInput(in).trimmed().toLatin1();
    out << fromCp936(codec.unsealField(dataKey, sealed)) << '\n';
    return ExitOk;
}

using Command = std::function<int(const QStringList &, QIODevice &, QTextStream &, QTextStream &)>;

const std::map<QString, Command> &commands()
{
    static const std::map<QString, Command> table{
        {QStringLiteral("build"), build},
        {QStringLiteral("check"), check},
        {QStringLiteral("export"), exportCommand},
        {QStringLiteral("play"), play},
        {QStringLiteral("report"), report},
        {QStringLiteral("seal"), seal},
        {QStringLiteral("unseal"), unseal},
    };
    return table;
}

} // namespace

int runTool(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << generalUsage();
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    const auto command = commands().find(args.first());
    if (command != commands().end() && (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")))) {
        out << QStringLiteral("Usage: lovetest-content\n") << QString::fromUtf8(kCommandUsage.at(args.first()));
        return ExitOk;
    }
    try {
        if (command == commands().end())
            throw UsageError(QStringLiteral("unknown command %1").arg(args.first()).toStdString());
        return command->second(args.mid(1), in, out, err);
    } catch (const UsageError &e) {
        err << "lovetest-content: " << QString::fromUtf8(e.what()) << "\n(see lovetest-content --help)\n";
        return ExitUsage;
    } catch (const std::exception &e) {
        err << "lovetest-content: " << QString::fromUtf8(e.what()) << '\n';
        return ExitContentError;
    }
}

} // namespace lovetest::content
