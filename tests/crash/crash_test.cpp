// The real main window killed with SIGKILL at random moments of runs,
// answers, renames and deletes: afterwards the file must be sound and hold
// every change the window had confirmed.
#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <optional>
#include <random>
#include <utility>

#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QThread>

#include "tests/support/fixture_database.h"

namespace lovetest::testing {
namespace {

// Many small tests, so that deletes leave enough to run and rename.
QByteArray manyTests()
{
    QByteArray json = R"({"tests": [)";
    for (int test = 1; test <= 40; ++test) {
        if (test > 1)
            json += ',';
        json += QStringLiteral(R"({"id": %1, "name": "测试%1", "remarks": "说明", "factor": 1,
          "questions": [
            {"text": "一", "options": [[1, "甲"], [2, "乙"], [3, "丙"]]},
            {"text": "二", "options": [[4, "甲"], [5, "乙"]]},
            {"text": "三", "options": [[6, "甲"], [7, "乙"], [8, "丙"]]}],
          "verdicts": [{"thresholds": [12], "texts": ["低", "高"]}]})")
                    .arg(test * 100)
                    .toUtf8();
    }
    return json + "]}";
}

// What the file must hold: the last confirmed value of every changed item.
// The change the driver had begun but not confirmed when it died may or may
// not be in the file.
class Expectations {
public:
    // Reads the driver's report; returns the errors it showed.
    QStringList take(const QByteArray &output)
    {
        QStringList errors;
        m_pending.reset();
        for (const QByteArray &raw : output.split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(QLatin1String("begin "))) {
                const QStringList parts = line.split(QLatin1Char(' '));
                m_pending =
                    Change{parts.value(1), parts.value(2).toLongLong(), parts.value(3), parts.value(4).toLongLong()};
            } else if (line == QLatin1String("done") && m_pending) {
                m_confirmed[{m_pending->kind, m_pending->id}] = *m_pending;
                ++confirmedCount;
                ++confirmedByKind[m_pending->kind];
                m_pending.reset();
            } else if (line.startsWith(QLatin1String("error "))) {
                errors << line;
            }
        }
        return errors;
    }

    // Every difference between the file and the confirmed changes. The
    // change that was under way may have reached the file or not; what the
    // file holds of it counts from now on.
    QStringList check(FixtureDatabase &file)
    {
        QStringList wrong;
        for (const Change &change : std::as_const(m_confirmed)) {
            const QString stored = storedValue(file, change);
            if (stored == change.value || (isPending(change) && stored == m_pending->value))
                continue;
            // A deleted test takes its name and answers along.
            if (stored == kGone && testDeleted(change.test))
                continue;
            wrong << QStringLiteral("%1 %2: confirmed %3, file %4")
                         .arg(change.kind)
                         .arg(change.id)
                         .arg(change.value, stored);
        }
        if (m_pending && storedValue(file, *m_pending) == m_pending->value)
            m_confirmed[{m_pending->kind, m_pending->id}] = *m_pending;
        return wrong;
    }

    int confirmedCount = 0;
    QMap<QString, int> confirmedByKind;

private:
    struct Change {
        QString kind; // answer, rename or delete
        qint64 id; // the row changed
        QString value;
        qint64 test; // the test the row belongs to
    };
    static inline const QString kGone = QStringLiteral("-");

    bool isPending(const Change &change) const
    {
        return m_pending && m_pending->kind == change.kind && m_pending->id == change.id;
    }
    bool testDeleted(qint64 test) const
    {
        return m_confirmed.contains({QStringLiteral("delete"), test}) ||
            (m_pending && m_pending->kind == QLatin1String("delete") && m_pending->id == test);
    }

    // The value of the changed item in the file; kGone when its row is gone.
    static QString storedValue(FixtureDatabase &file, const Change &change)
    {
        const QString column = change.kind == QLatin1String("rename") ? QStringLiteral("Name") : QStringLiteral("分值");
        const QVariant value =
            file.scalar(QStringLiteral("SELECT coalesce(%1, '') FROM 量表 WHERE ID=%2").arg(column).arg(change.id));
        return value.isValid() ? value.toString() : kGone;
    }

    QMap<std::pair<QString, qint64>, Change> m_confirmed;
    std::optional<Change> m_pending;
};

TEST(CrashSafety, KilledAtRandomMomentsTheFileHoldsEveryConfirmedChange)
{
    constexpr int kKills = 60;
    FixtureDatabase file(manyTests());
    Expectations expected;
    std::mt19937 random(20261210);
    int killedBusy = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess driver;
        driver.setProcessChannelMode(QProcess::SeparateChannels);
        driver.start(QStringLiteral(CRASH_DRIVER), {file.path(), QString::number(kill)});
        ASSERT_TRUE(driver.waitForStarted(10000));
        // Most kills land while the window works, after it has confirmed a
        // change (however fast this build runs); some during start-up.
        QByteArray output;
        if (kill % 10 != 9) {
            while (!output.contains("\ndone\n") && driver.state() == QProcess::Running) {
                driver.waitForReadyRead(100);
                output += driver.readAllStandardOutput();
            }
            QThread::msleep(std::uniform_int_distribution<int>(0, 250)(random));
            ++killedBusy;
        } else {
            QThread::msleep(std::uniform_int_distribution<int>(0, 60)(random));
        }
        ASSERT_EQ(driver.state(), QProcess::Running) << driver.readAllStandardError().toStdString();
        ::kill(pid_t(driver.processId()), SIGKILL);
        ASSERT_TRUE(driver.waitForFinished(10000));
        EXPECT_EQ(driver.exitStatus(), QProcess::CrashExit);

        output += driver.readAllStandardOutput();
        const QStringList errors = expected.take(output);
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
        EXPECT_EQ(file.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), "ok") << "after kill " << kill;
        const QStringList wrong = expected.check(file);
        ASSERT_TRUE(wrong.isEmpty()) << "after kill " << kill << ":\n"
                                     << wrong.join('\n').toStdString() << "\nthe driver said:\n"
                                     << output.toStdString();
    }
    std::cout << kKills << " kills; confirmed: " << expected.confirmedByKind.value("answer") << " answers, "
              << expected.confirmedByKind.value("rename") << " renames, " << expected.confirmedByKind.value("delete")
              << " deletes\n";
    // The kills met real work: many changes were confirmed before them.
    EXPECT_GE(killedBusy, 50);
    EXPECT_GE(expected.confirmedCount, killedBusy);
}

} // namespace
} // namespace lovetest::testing

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
