#include "tools/cli.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTextStream>

#include <sys/stat.h>

#include "data/codepage.h"
#include "data/sealed_fields.h"
#include "lovetest_version.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/database_input.h"
#include "tools/database_update.h"
#include "tools/player.h"
#include "tools/preview_launch.h"
#include "tools/proof_page.h"
#include "tools/terminal_text.h"

namespace lovetest::content {

namespace {

const char kIntro[] = R"(Usage: lovetest-content COMMAND ...

Builds, reads and tries the test databases of 朗月爱情心理测试.
"COMMAND --help" prints the usage of one command, --version the version
of the tool.

Commands:
)";

const char kOutro[] = R"(
Exit status: 0 success, 1 content or data error, 2 usage error.
)";

// "1 test", "2 tests".
QString counted(qsizetype n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// The arguments of one command, read by QCommandLineParser: "-o FILE",
// "--test ID" and "--test=ID" alike, and "--" before files named like
// options. Its mistakes are reported in the tool's own words.
class CommandLine {
public:
    explicit CommandLine(const QList<QCommandLineOption> &options = {}) : m_options(options)
    {
        // "-o" and "--force" both name an option; no bundles of letters.
        m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        m_parser.addOptions(options);
    }

    void parse(const QStringList &args)
    {
        if (!tryParse(args))
            throw UsageError(mistake(args).toStdString());
    }
    bool tryParse(const QStringList &args)
    {
        return m_parser.parse(QStringList{QStringLiteral("lovetest-content")} + args);
    }

    QStringList positional() const { return m_parser.positionalArguments(); }
    bool isSet(const char *name) const { return m_parser.isSet(QLatin1String(name)); }
    QString value(const char *name) const { return m_parser.value(QLatin1String(name)); }

private:
    // The argument the parser refused, as the user wrote it.
    QString mistake(const QStringList &args) const
    {
        const QStringList unknown = m_parser.unknownOptionNames();
        const QStringList options = args.mid(0, args.indexOf(QStringLiteral("--")));
        for (const QString &arg : options) {
            const QString name = optionName(arg);
            if (!name.isEmpty() && unknown.contains(name))
                return QStringLiteral("unknown option %1").arg(arg);
        }
        for (const QString &arg : options) {
            // A value given to an option that takes none ("--force=yes").
            if (!optionName(arg).isEmpty() && arg.contains(QLatin1Char('=')) && !takesValue(optionName(arg)))
                return QStringLiteral("unknown option %1").arg(arg);
        }
        if (!options.isEmpty() && options.size() == args.size() && takesValue(optionName(options.last()))) {
            if (optionName(options.last()) == QLatin1String("o"))
                return QStringLiteral("-o needs a file name");
            return QStringLiteral("%1 needs a value").arg(options.last());
        }
        return m_parser.errorText();
    }

    // "test" for "--test" or "--test=3", "o" for "-o"; empty for no option.
    static QString optionName(const QString &arg)
    {
        if (!arg.startsWith(QLatin1Char('-')) || arg.size() < 2)
            return {};
        return arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
    }

    bool takesValue(const QString &name) const
    {
        for (const QCommandLineOption &option : m_options) {
            if (option.names().contains(name))
                return !option.valueName().isEmpty();
        }
        return false;
    }

    QCommandLineParser m_parser;
    QList<QCommandLineOption> m_options;
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
            to << terminalSafe(problem.text()) << '\n';
    }
    for (const Problem &problem : problems) {
        if (problem.severity == Problem::Warning)
            to << terminalSafe(problem.text()) << '\n';
    }
}

// What check and build both report of content read from files: the
// reader's mistakes and the checker's, in the order of the output.
QList<Problem> contentProblems(const ReadResult &read, const QStringList &files, bool strict,
                               const QList<Problem> &more = {})
{
    QList<Problem> problems = read.problems + checkContent(read.content) + more;
    if (strict)
        makeWarningsErrors(problems);
    sortProblems(problems, files);
    return problems;
}

QString describeCounts(const Content &content)
{
    const auto folders =
        std::count_if(content.tests.begin(), content.tests.end(), [](const Test &t) { return t.folder; });
    QString text = counted(content.tests.size() - folders, "test", "tests");
    if (folders)
        text += QStringLiteral(", ") + counted(folders, "folder", "folders");
    return text;
}

// Whether two names lead to the same existing file (device and inode, so a
// different spelling, a symbolic or a hard link is the same file too).
bool sameFile(const QString &one, const QString &other)
{
    struct stat a {};
    struct stat b {};
    return ::stat(QFile::encodeName(one).constData(), &a) == 0 &&
        ::stat(QFile::encodeName(other).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A build replaces its output and, with --force, the output's backup: neither
// may be a file it reads.
void refuseWritingAnInput(const QStringList &inputs, const QString &output, bool force)
{
    for (const QString &input : inputs) {
        if (sameFile(input, output))
            throw ContentError(
                QStringLiteral(
                    "-o %1 names the content file %2; a build never writes over its input, nothing was written")
                    .arg(output, input)
                    .toStdString());
        if (force && sameFile(input, backupPath(output)))
            throw ContentError(
                QStringLiteral("--force would keep the previous %2 as %1, the content file %3; nothing was "
                               "written")
                    .arg(backupPath(output), output, input)
                    .toStdString());
    }
}

int build(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    CommandLine line({{QStringLiteral("o"), {}, QStringLiteral("FILE")},
                      {QStringLiteral("force"), {}},
                      {QStringLiteral("drop-history"), {}},
                      {QStringLiteral("strict"), {}}});
    line.parse(args);
    const QString output = line.value("o");
    if (line.positional().isEmpty() || output.isEmpty())
        throw UsageError("build needs content files and -o FILE");
    if (line.isSet("drop-history") && !line.isSet("force"))
        throw UsageError("--drop-history only goes with --force");
    refuseWritingAnInput(line.positional(), output, line.isSet("force"));
    ReadResult read = readContentFileList(line.positional());
    const QList<Problem> problems = contentProblems(read, line.positional(), line.isSet("strict"));
    printProblems(problems, err);
    if (hasErrors(problems))
        throw ContentError("the content has errors; nothing was written");
    const bool force = line.isSet("force");
    if (buildDatabase(read.content, output,
                      {.replace = force, .dropHistory = line.isSet("drop-history"), .keepBackup = force}))
        err << terminalSafe(QStringLiteral("kept the previous %1 as %2").arg(output, backupPath(output))) << '\n';
    out << terminalSafe(QStringLiteral("%1: %2").arg(output, describeCounts(read.content))) << '\n';
    return ExitOk;
}

// The files export --split writes: one a test, named by its id (tests
// without one numbered in catalog order), and the folders together.
QList<std::pair<QString, QByteArray>> splitFiles(const QList<Test> &entries)
{
    QList<std::pair<QString, QByteArray>> files;
    QList<Test> folders;
    int unnumbered = 0;
    for (const Test &entry : entries) {
        if (entry.folder) {
            folders.append(entry);
            continue;
        }
        const QString name =
            entry.id ? QStringLiteral("%1.json").arg(*entry.id) : QStringLiteral("test-%1.json").arg(++unnumbered);
        files.append({name, testFileJson(entry)});
    }
    if (!folders.isEmpty())
        files.append({QStringLiteral("folders.json"), foldersFileJson(folders)});
    return files;
}

// Writes one file: with replace, whole or not at all (a file there is
// replaced); otherwise only as a new file, so one that turned up since the
// names were looked at is left alone.
void writeOutputFile(const QString &path, const QByteArray &bytes, bool replace)
{
    if (replace) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw ContentError(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw ContentError(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.remove();
        throw ContentError(QStringLiteral("%1: %2").arg(path, reason).toStdString());
    }
}

// Writes the split files into dir. Every name is looked at before anything
// is written: a file the user has there is replaced only with force.
void writeSplitFiles(const QString &dir, const QList<std::pair<QString, QByteArray>> &files, bool force)
{
    const QDir target(dir);
    if (QFileInfo(dir).exists() && !QFileInfo(dir).isDir())
        throw ContentError(QStringLiteral("--split %1 is no folder; nothing was written").arg(dir).toStdString());
    if (!force) {
        QStringList present;
        for (const auto &[name, bytes] : files) {
            if (QFileInfo::exists(target.filePath(name)) || QFileInfo(target.filePath(name)).isSymLink())
                present.append(target.filePath(name));
        }
        if (!present.isEmpty())
            throw ContentError((present.size() == 1
                                    ? QStringLiteral("%1 already exists (--force replaces it); nothing was written")
                                          .arg(present.first())
                                    : QStringLiteral("%1 and %2 more files to write already exist (--force replaces "
                                                     "them); nothing was written")
                                          .arg(present.first())
                                          .arg(present.size() - 1))
                                   .toStdString());
    }
    if (!QDir().mkpath(dir))
        throw ContentError(QStringLiteral("cannot make the folder %1").arg(dir).toStdString());
    for (const auto &[name, bytes] : files)
        writeOutputFile(target.filePath(name), bytes, force);
}

int exportCommand(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    CommandLine line({{QStringLiteral("split"), {}, QStringLiteral("DIR")}, {QStringLiteral("force"), {}}});
    line.parse(args);
    if (line.positional().size() != 1)
        throw UsageError("export needs one database file");
    if (line.isSet("force") && !line.isSet("split"))
        throw UsageError("--force only goes with --split");
    const auto warn = [&err](const QString &note) { err << "warning: " << terminalSafe(note) << '\n'; };
    if (line.isSet("split")) {
        // Held whole, so every file name is known before one is written.
        Content content;
        exportDatabase(
            line.positional().first(), [&content](const Test &test) { content.tests.append(test); }, warn);
        const auto files = splitFiles(content.tests);
        writeSplitFiles(line.value("split"), files, line.isSet("force"));
        out << terminalSafe(QStringLiteral("%1: %2").arg(line.value("split"), describeCounts(content))) << '\n';
        return ExitOk;
    }
    // Written as it is read: a large catalog is never held whole.
    ContentJsonWriter writer([&out](const QByteArray &piece) { out << QString::fromUtf8(piece); });
    exportDatabase(
        line.positional().first(), [&writer](const Test &test) { writer.write(test); }, warn);
    writer.finish();
    return ExitOk;
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
    CommandLine line({{QStringLiteral("ranges"), {}}, {QStringLiteral("strict"), {}}});
    line.parse(args);
    if (line.positional().isEmpty())
        throw UsageError("check needs a database or content files");
    const ReadResult read = readForCheck(line.positional());
    RangeReport ranges;
    if (line.isSet("ranges")) {
        // Content files name their tests as the database built from them does.
        const bool database = line.positional().size() == 1 && meantAsDatabase(line.positional().first());
        ranges = describeRanges(database ? read.content : asBuilt(read.content));
    }
    const QList<Problem> problems = contentProblems(read, line.positional(), line.isSet("strict"), ranges.warnings);
    printProblems(problems, out);
    for (const QString &range : ranges.lines)
        out << terminalSafe(range) << '\n';
    const auto errors =
        std::count_if(problems.begin(), problems.end(), [](const Problem &p) { return p.severity == Problem::Error; });
    out << QStringLiteral("%1, %2, %3\n")
               .arg(describeCounts(read.content), counted(errors, "error", "errors"),
                    counted(problems.size() - errors, "warning", "warnings"));
    return errors ? ExitContentError : ExitOk;
}

// Content with errors yields no database: its problems are printed and
// the command refused.
void requireDatabase(const DatabaseInput &input, QTextStream &err, const char *outcome)
{
    if (!input.path().isEmpty())
        return;
    printProblems(input.problems(), err);
    throw ContentError(QStringLiteral("the content has errors; %1").arg(QLatin1String(outcome)).toStdString());
}

qint64 integerOption(const CommandLine &line, const char *name)
{
    if (!line.isSet(name))
        throw UsageError(QStringLiteral("--%1 is missing").arg(QLatin1String(name)).toStdString());
    bool ok = false;
    const QString text = line.value(name);
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("--%1: \"%2\" is not an integer").arg(QLatin1String(name), text).toStdString());
    return value;
}

int play(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    CommandLine line({{QStringLiteral("test"), {}, QStringLiteral("ID")},
                      {QStringLiteral("answers"), {}, QStringLiteral("I,J,...")},
                      {QStringLiteral("category"), {}, QStringLiteral("N")}});
    line.parse(args);
    if (line.positional().isEmpty())
        throw UsageError("play needs a database or content files");
    PlayRequest request;
    request.testId = integerOption(line, "test");
    const QString answers = line.value("answers");
    if (!answers.isEmpty()) {
        for (const QString &item : answers.split(QLatin1Char(','))) {
            bool ok = false;
            const int number = item.trimmed().toInt(&ok);
            if (!ok)
                throw UsageError(QStringLiteral("--answers: \"%1\" is not an option number").arg(item).toStdString());
            request.answers.append(number - 1); // counted from 1 on the command line
        }
    }
    if (line.isSet("category"))
        request.category = integerOption(line, "category");
    const DatabaseInput input(line.positional());
    requireDatabase(input, err, "nothing was played");
    request.databasePath = input.path();
    for (const QString &shown : playTest(request))
        out << terminalSafe(shown, LineBreaks::Keep) << '\n';
    return ExitOk;
}

int report(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    CommandLine line({{QStringLiteral("test"), {}, QStringLiteral("ID")}, {QStringLiteral("all"), {}}});
    line.parse(args);
    if (line.isSet("all")) {
        if (line.isSet("test"))
            throw UsageError("report takes --test or --all, not both");
        if (line.positional().isEmpty())
            throw UsageError("report --all needs a database or content files");
        const ReadResult read = readForCheck(line.positional());
        printProblems(read.problems, err);
        if (hasErrors(read.problems))
            throw ContentError("the content has errors; no page was written");
        out << terminalSafe(proofPage(read.content), LineBreaks::Keep);
        return ExitOk;
    }
    if (line.positional().isEmpty())
        throw UsageError("report needs a database or content files");
    const qint64 testId = integerOption(line, "test");
    const DatabaseInput input(line.positional());
    requireDatabase(input, err, "no page was written");
    out << terminalSafe(reportTest(input.path(), testId), LineBreaks::Keep);
    return ExitOk;
}

// Writes the entries of content files into an existing database; a dry run
// lists them and the summary says what would be done.
int update(const QStringList &args, QIODevice &, QTextStream &out, QTextStream &err)
{
    CommandLine line({{QStringLiteral("dry-run"), {}}, {QStringLiteral("strict"), {}}});
    line.parse(args);
    if (line.positional().size() < 2)
        throw UsageError("update needs a database file and content files");
    const QString database = line.positional().first();
    const QStringList files = line.positional().mid(1);
    ReadResult read = readContentFileList(files);
    // Checked as build checks it.
    QList<Problem> problems = contentProblems(read, files, line.isSet("strict"));
    if (hasErrors(problems)) {
        printProblems(problems, err);
        throw ContentError("the content has errors; nothing was written");
    }
    // Printed whether the update succeeds or not; only the warnings are left.
    const bool dryRun = line.isSet("dry-run");
    const auto printWarnings = qScopeGuard([&] { printProblems(problems, err); });
    const QList<EntryChange> changes = updateDatabase(database, read.content, problems, {.dryRun = dryRun});
    qsizetype counts[2][2] = {}; // [folder][replaced]
    for (const EntryChange &change : changes) {
        const Test &entry = read.content.tests[change.index];
        ++counts[entry.folder][change.replaced];
        if (dryRun)
            out << terminalSafe(QStringLiteral("%1 %2").arg(
                       change.replaced ? QStringLiteral("replace") : QStringLiteral("add"), describeTest(entry)))
                << '\n';
    }
    QStringList summary;
    const char *kinds[2][2] = {{"test", "tests"}, {"folder", "folders"}};
    for (int folder = 0; folder < 2; ++folder) {
        if (folder && !counts[1][0] && !counts[1][1])
            break;
        summary.append(QStringLiteral("%1 %2, %3 %4")
                           .arg(counted(counts[folder][1], kinds[folder][0], kinds[folder][1]),
                                dryRun ? QStringLiteral("to replace") : QStringLiteral("replaced"))
                           .arg(counts[folder][0])
                           .arg(dryRun ? QStringLiteral("to add") : QStringLiteral("added")));
    }
    out << terminalSafe(summary.join(QStringLiteral("; ")));
    if (dryRun)
        out << " (dry run: nothing was written)";
    out << '\n';
    return ExitOk;
}

// Commands that read standard input take no arguments ("--" alone is none).
void requireNoArguments(const QStringList &args, const char *command)
{
    CommandLine line;
    if (!line.tryParse(args) || !line.positional().isEmpty())
        throw UsageError(QStringLiteral("%1 takes no arguments").arg(QLatin1String(command)).toStdString());
}

int seal(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &)
{
    requireNoArguments(args, "seal");
    const QString text = readInput(in);
    QChar bad;
    if (!fitsCp936(text, &bad))
        throw ContentError(QStringLiteral("the character \"%1\" has no code page 936 form").arg(bad).toStdString());
    out << QString::fromLatin1(sealText(toCp936(text), deriveDataKeyText())) << '\n';
    return ExitOk;
}

int unseal(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &)
{
    requireNoArguments(args, "unseal");
    SealCodec codec;
    const QByteArray sealed = readInput(in).trimmed().toLatin1();
    out << fromCp936(codec.unsealField(deriveDataKeyText(), sealed)) << '\n';
    return ExitOk;
}

// Every command of the tool, in the order the general help lists them.
// usage is what "COMMAND --help" prints and the general help shows.
struct Command {
    const char *name;
    const char *usage;
    int (*run)(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err);
};

int preview(const QStringList &args, QIODevice &, QTextStream &, QTextStream &)
{
    CommandLine line;
    line.parse(args);
    if (line.positional().isEmpty())
        throw UsageError("preview needs content files");
    for (const QString &file : line.positional()) {
        if (!QFileInfo(file).isFile())
            throw ContentError(QStringLiteral("%1: no such file").arg(file).toStdString());
    }
    throw ContentError(launchPreview(line.positional()).toStdString());
}

const Command kCommands[] = {
    {"build", R"(  build CONTENT.json... -o FILE [--force] [--drop-history] [--strict]
        Checks as check does, then writes a new test database from content
        files (entries of all files in order); content with errors is
        refused, with --strict content with warnings too. An existing
        FILE is replaced only with --force, and is first kept as FILE.bak.
        A FILE that holds test records (table 记录, the history of the people
        who took the tests) is replaced only with --drop-history as well.
)",
     build},
    {"check", R"(  check FILE... [--ranges] [--strict]
        Reports every mistake of a database or of content files (errors, then
        warnings, each sorted by file, line and column) and exits 1 when there
        is an error; --strict makes every warning an error. --ranges prints
        each test's reachable scores and which score interval leads to which
        verdict.
)",
     check},
    {"export", R"(  export FILE [--split DIR [--force]]
        Prints every catalog entry of a database (tests and folders) as content
        JSON, every sealed field unsealed, laid out as the sample files are.
        --split DIR writes one file a test instead, named by its id
        (DIR/100.json), and the folders as DIR/folders.json, so that
        "build DIR/*.json" makes the same database again. Files already in
        DIR are replaced only with --force.
)",
     exportCommand},
    {"play", R"(  play FILE... --test ID --answers I,J,... [--category N]
        Runs a test of a database (on a copy; FILE is not written), or of
        content files (built into a temporary database first), choosing
        option I for the first question, J for the second ..., options
        counted from 1 as the content page and the number keys count them,
        and category value N when the test asks for one. Prints each question
        caption as shown, the category prompt, the verdict, then the lines
        "得分: SCORE" (after the factor) and, for a category test,
        "类别: VALUE".
)",
     play},
    {"preview", R"(  preview CONTENT.json...
        Shows the content files in the program's main window, built in a
        private folder (nothing is written beside them), and builds them
        again whenever one changes, keeping the selected test; errors are
        printed here and shown in the window's status line. Runs the
        program lovetest found beside this tool, which needs a display.
)",
     preview},
    {"report", R"(  report FILE... --test ID
  report FILE... --all
        Prints the content page of a test of a database or of content files
        as the report window receives it.
        With --all, prints a proof page of a database or of content files
        as one HTML document: every test's remarks, category captions and
        reachable scores, and each verdict with the score band that selects
        it, every text escaped.
)",
     report},
    {"update", R"(  update FILE CONTENT.json... [--dry-run] [--strict]
        Replaces the entries of the content files in the database FILE by id
        (each entry's catalog row, question rows and verdict rows) and adds
        those whose id it lacks; every other entry, rename and the test
        history (记录) stay. The content is checked first as build checks it,
        and the whole update is one transaction on FILE, which the program
        may have open (its lock is waited for a few seconds). Every entry
        needs an id and a parent in the content files or in FILE; question
        rows may not take ids that rows of other entries hold. --dry-run
        lists the entries it would replace and add and writes nothing.
)",
     update},
    {"seal", R"(  seal  Reads one text on standard input and prints its sealed form.
)",
     seal},
    {"unseal", R"(  unseal
        Reads one sealed text on standard input and prints the plain text.
)",
     unseal},
};

const Command *findCommand(const QString &name)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString generalUsage()
{
    QString text = QString::fromUtf8(kIntro);
    for (const Command &command : kCommands)
        text += QString::fromUtf8(command.usage);
    return text + QString::fromUtf8(kOutro);
}

// "--help" or "-h" among the options asks for the usage; after "--" it is a
// file name.
bool asksForHelp(const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--"))
            return false;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return true;
    }
    return false;
}

} // namespace

int runTool(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << generalUsage();
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    if (args.first() == QLatin1String("--version")) {
        out << "lovetest-content " << kProgramVersion << '\n';
        return ExitOk;
    }
    const Command *command = findCommand(args.first());
    if (command && asksForHelp(args.mid(1))) {
        out << QStringLiteral("Usage: lovetest-content\n") << QString::fromUtf8(command->usage);
        return ExitOk;
    }
    try {
        if (!command)
            throw UsageError(QStringLiteral("unknown command %1").arg(args.first()).toStdString());
        return command->run(args.mid(1), in, out, err);
    } catch (const UsageError &e) {
        err << "lovetest-content: " << terminalSafe(QString::fromUtf8(e.what())) << "\n(see lovetest-content --help)\n";
        return ExitUsage;
    } catch (const std::exception &e) {
        err << "lovetest-content: " << terminalSafe(QString::fromUtf8(e.what())) << '\n';
        return ExitContentError;
    }
}

} // namespace lovetest::content
