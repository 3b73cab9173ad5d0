// Start-up to the painted main window, and peak memory, of the program with
// the sample database and with catalogs of 100, 1,000 (and with --large
// 10,000) tests of 20 questions, against a bare Qt window with one Chinese
// label measured in the same run. Each figure is the median of --runs=N
// process starts (default 7), started in turn so that noise hits all alike.
#include "bench/support/large_catalog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Subject {
    QString name;
    QString program;
    QString folder; // the current directory (holding date.mdb), or empty
    std::vector<double> millis;
    std::vector<double> cpuMillis;
    std::vector<double> mebibytes;
};

// Starts one process and waits for it: wall time and peak resident memory.
void measure(Subject &subject)
{
    const std::string program = subject.program.toStdString();
    const std::string folder = subject.folder.toStdString();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0)
            _exit(126);
        if (!std::getenv("LOVETEST_BENCH_VERBOSE"))
            std::freopen("/dev/null", "w", stderr);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        throw std::runtime_error("wait failed");
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the program failed: " + program);
    subject.millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    subject.mebibytes.push_back(double(usage.ru_maxrss) / 1024.0);
    auto millis = [](const timeval &t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    subject.cpuMillis.push_back(millis(usage.ru_utime) + millis(usage.ru_stime));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString range(const std::vector<double> &values)
{
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1 (%2-%3)").arg(median(values), 0, 'f', 1).arg(*low, 0, 'f', 1).arg(*high, 0, 'f', 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int runs = 7;
    bool large = false;
    for (const QString &argument : app.arguments().mid(1)) {
        if (argument == QStringLiteral("--large"))
            large = true;
        else if (argument.startsWith(QStringLiteral("--runs=")))
            runs = std::max(1, argument.mid(7).toInt());
        else {
            std::fprintf(stderr, "usage: %s [--runs=N] [--large]\n", argv[0]);
            return 2;
        }
    }

    QTemporaryDir work;
    std::vector<Subject> subjects;
    subjects.push_back(
        {QStringLiteral("bare window, one Chinese label"), QStringLiteral(LOVETEST_BARE_WINDOW), {}, {}, {}, {}});
    auto addCatalog = [&](const QString &name, const QString &database) {
        const QString folder = work.filePath(QString::number(subjects.size()));
        QDir().mkpath(folder);
        if (!QFile::copy(database, folder + QStringLiteral("/date.mdb")))
            throw std::runtime_error("cannot copy the database");
        subjects.push_back({name, QStringLiteral(LOVETEST_PROBE), folder, {}, {}, {}});
    };
    addCatalog(QStringLiteral("program, sample database"), QStringLiteral(LOVETEST_SAMPLE_DATABASE));
    std::vector<int> sizes{100, 1000};
    if (large)
        sizes.push_back(10000);
    for (int tests : sizes)
        addCatalog(QStringLiteral("program, %1 tests").arg(tests), lovetest::bench::cachedTestCatalog(tests));

    for (Subject &subject : subjects)
        measure(subject); // warms the page cache; not counted
    for (Subject &subject : subjects) {
        subject.millis.clear();
        subject.cpuMillis.clear();
        subject.mebibytes.clear();
    }
    for (int run = 0; run < runs; ++run) {
        for (Subject &subject : subjects)
            measure(subject);
    }

    std::printf("%-32s %-24s %-24s %-24s\n", "start-up to the first paint", "wall ms median (min-max)",
                "CPU ms median (min-max)", "peak MiB median (min-max)");
    for (const Subject &subject : subjects)
        std::printf("%-32s %-24s %-24s %-24s\n", qPrintable(subject.name), qPrintable(range(subject.millis)),
                    qPrintable(range(subject.cpuMillis)), qPrintable(range(subject.mebibytes)));
    const Subject &bare = subjects[0];
    const Subject &sample = subjects[1];
    std::printf("\nratio of medians                 wall     CPU   memory   goal\n");
    std::printf("%-32s %5.2f   %5.2f    %5.2f   start-up <= 1.6\n", "sample / bare window",
                median(sample.millis) / median(bare.millis), median(sample.cpuMillis) / median(bare.cpuMillis),
                median(sample.mebibytes) / median(bare.mebibytes));
    for (std::size_t i = 2; i < subjects.size(); ++i)
        std::printf("%-32s %5.2f   %5.2f    %5.2f   both <= 1.5 at 10,000 tests\n",
                    qPrintable(subjects[i].name.mid(9) + QStringLiteral(" / sample")),
                    median(subjects[i].millis) / median(sample.millis),
                    median(subjects[i].cpuMillis) / median(sample.cpuMillis),
                    median(subjects[i].mebibytes) / median(sample.mebibytes));
    return 0;
}
