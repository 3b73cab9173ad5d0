// A dataset without a where clause reads its rows only when they are needed.
// Each case runs the same steps against a dataset that reads everything at
// opening (a where clause that every row passes) and against the lazy one,
// with and without an index on the looked-up column, and compares what the
// steps observed.
#include "data/database_error.h"
#include "data/dataset.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace lovetest;
using lovetest::testing::DatabaseFile;

namespace {

// What a sequence of steps observed, one line per observation.
class Trace {
public:
    explicit Trace(Dataset &set) : m_set(set) {}

    // Where the cursor stands, without asking for the whole set.
    void peek(const char *label)
    {
        QString line = QString::fromUtf8(label) + u':';
        line += m_set.atEnd() ? u'E' : u'-';
        line += m_set.atStart() ? u'B' : u'-';
        line += QStringLiteral(" #%1").arg(m_set.rowNumber());
        if (!m_set.isEmpty())
            line += u' ' + row();
        m_lines.append(line);
    }
    // Every row that passes the filter, in order, then back to the first.
    void walk(const char *label)
    {
        QStringList rows;
        for (m_set.first(); !m_set.atEnd(); m_set.next())
            rows.append(row());
        m_lines.append(QString::fromUtf8(label) + QStringLiteral(" [%1] ").arg(m_set.recordCount()) + rows.join(u'|'));
        m_set.first();
    }
    // Runs a step, noting the error it raises.
    void step(const char *label, const std::function<void()> &action)
    {
        try {
            action();
            m_lines.append(QString::fromUtf8(label) + QStringLiteral(": ok"));
        } catch (const std::exception &error) {
            m_lines.append(QString::fromUtf8(label) + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        }
    }
    void note(const char *label, const QVariant &value)
    {
        m_lines.append(QString::fromUtf8(label) + QStringLiteral(": ") + value.toString());
    }
    const QStringList &lines() const { return m_lines; }

private:
    QString row() const
    {
        QStringList values;
        for (const Field *field : m_set.fields())
            values.append(field->isNull() ? QStringLiteral("null") : field->asString());
        return values.join(u',');
    }
    Dataset &m_set;
    QStringList m_lines;
};

void refilter(Dataset &set, const QString &text)
{
    set.setFiltered(false);
    set.setFilter(text);
    set.setFiltered(true);
}

struct Case {
    const char *name;
    const char *table;
    // set: the dataset under test; other: a second one on the same table.
    std::function<void(Dataset &set, Dataset &other, Trace &trace)> steps;
};

void setName(Dataset &set, const QString &name)
{
    set.edit();
    set.fieldByName(QStringLiteral("Name"))->setAsString(name);
    set.post();
}

const Case kCases[] = {
    {"first row, then the whole set", "量表",
     [](Dataset &, Dataset &, Trace &trace) {
         trace.peek("opened");
         trace.walk("all");
     }},
    {"filter to one test and back", "量表",
     [](Dataset &set, Dataset &, Trace &trace) {
         refilter(set, QStringLiteral("Parent=2"));
         trace.peek("filtered");
         trace.walk("test 2");
         refilter(set, QStringLiteral("parent = 3"));
         trace.walk("test 3");
         set.setFiltered(false);
         trace.peek("unfiltered");
         trace.walk("all");
     }},
    {"another dataset's posts stay unseen", "量表",
     [](Dataset &set, Dataset &other, Trace &trace) {
         trace.peek("opened");
         other.locate(QStringLiteral("ID"), 10);
         setName(other, QStringLiteral("changed"));
         other.locate(QStringLiteral("ID"), 13);
         other.remove();
         other.append();
         other.fieldByName(QStringLiteral("ID"))->setAsInteger(5);
         other.fieldByName(QStringLiteral("Parent"))->setAsInteger(2);
         other.post();
         other.locate(QStringLiteral("ID"), 11);
         other.edit();
         other.fieldByName(QStringLiteral("ID"))->setAsInteger(40);
         other.fieldByName(QStringLiteral("Parent"))->setAsInteger(3);
         other.post();
         refilter(set, QStringLiteral("Parent=2"));
         trace.walk("test 2");
         refilter(set, QStringLiteral("Parent=3"));
         trace.walk("test 3");
         set.setFiltered(false);
         trace.walk("all");
     }},
    {"first row changed by another dataset before any read", "量表",
     [](Dataset &, Dataset &other, Trace &trace) {
         other.remove();
         other.remove();
         trace.peek("opened");
         trace.walk("all");
     }},
    {"own posts, re-filtering and a new row", "量表",
     [](Dataset &set, Dataset &, Trace &trace) {
         refilter(set, QStringLiteral("Parent=2"));
         set.next();
         set.edit();
         set.fieldByName(QStringLiteral("分值"))->setAsInteger(7);
         trace.step("move posts", [&] { set.next(); });
         trace.peek("moved");
         set.edit();
         trace.step("unchanged edit", [&] { refilter(set, QStringLiteral("Parent=3")); });
         trace.note("state", int(set.state()));
         set.append();
         set.fieldByName(QStringLiteral("ID"))->setAsInteger(6);
         set.fieldByName(QStringLiteral("Parent"))->setAsInteger(2);
         set.post();
         trace.walk("new row stays visible");
         refilter(set, QStringLiteral("Parent=2"));
         trace.walk("test 2 again");
         set.setFiltered(false);
         trace.walk("all");
     }},
    {"delete under a filter", "量表",
     [](Dataset &set, Dataset &, Trace &trace) {
         refilter(set, QStringLiteral("Parent=2"));
         set.next();
         set.remove();
         trace.peek("after delete");
         refilter(set, QStringLiteral("Parent=3"));
         refilter(set, QStringLiteral("Parent=2"));
         trace.walk("test 2");
         set.setFiltered(false);
         trace.walk("all");
     }},
    {"bookmarks", "量表",
     [](Dataset &set, Dataset &, Trace &trace) {
         refilter(set, QStringLiteral("Parent=2"));
         set.next();
         const Bookmark mark = set.bookmark();
         refilter(set, QStringLiteral("Parent=3"));
         trace.note("under another filter", set.isBookmarkValid(mark));
         trace.step("goto", [&] { set.gotoBookmark(mark); });
         set.setFiltered(false);
         trace.note("unfiltered", set.isBookmarkValid(mark));
         trace.step("goto", [&] { set.gotoBookmark(mark); });
         trace.peek("there");
         set.close();
         set.open();
         trace.note("after reopening", set.isBookmarkValid(mark));
     }},
    {"numbers kept as text and other filters", "量表",
     [](Dataset &set, Dataset &, Trace &trace) {
         refilter(set, QStringLiteral("Parent=4"));
         trace.walk("parent 4");
         refilter(set, QStringLiteral("Name like '*q*'"));
         trace.walk("like");
         refilter(set, QStringLiteral("Parent=2 and 分值=3"));
         trace.walk("two tests");
         trace.step("bad filter", [&] { refilter(set, QStringLiteral("Parent=")); });
         trace.walk("unfiltered after a bad filter");
         trace.note("locate", set.locate(QStringLiteral("Name"), QStringLiteral("Q3")));
         trace.peek("located");
     }},
    {"another dataset's writes to columns read later", "量表",
     [](Dataset &set, Dataset &other, Trace &trace) {
         trace.peek("opened");
         other.locate(QStringLiteral("ID"), 10);
         other.edit();
         other.fieldByName(QStringLiteral("分值"))->setAsInteger(9);
         other.post();
         other.locate(QStringLiteral("ID"), 11);
         other.remove();
         set.next();
         trace.peek("second row");
         refilter(set, QStringLiteral("分值=3"));
         trace.walk("score 3");
         refilter(set, QStringLiteral("分值=9"));
         trace.walk("score 9");
         set.setFiltered(false);
         trace.note("locate a score", set.locate(QStringLiteral("分值"), 2));
         trace.peek("located");
         trace.walk("all");
     }},
    {"verdict rows", "结果",
     [](Dataset &set, Dataset &other, Trace &trace) {
         other.remove();
         refilter(set, QStringLiteral("lbid=3 and 类别=2"));
         trace.walk("lbid 3, category 2");
         refilter(set, QStringLiteral("lbid=2"));
         trace.walk("lbid 2");
         set.remove();
         set.setFiltered(false);
         trace.walk("all");
     }},
};

// lead: the dataset reads Parent and Name first, the other values when asked.
QStringList run(const Case &testCase, bool readAll, bool indexed, bool lead = false)
{
    DatabaseFile file;
    file.fillSample();
    file.addItem(13, 2, QStringLiteral("Q4"), false, 2);
    file.addItem(14, 3, QStringLiteral("q5"), false);
    file.exec(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name) VALUES (15, CAST('4' AS BLOB), 'blob parent')"));
    file.exec(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name) VALUES (16, ' 4', 'text parent')"));
    if (indexed) {
        file.exec(QStringLiteral("CREATE INDEX 量表_Parent ON 量表(Parent)"));
        file.exec(QStringLiteral("CREATE INDEX 结果_lbid ON 结果(lbid)"));
    }
    Connection connection(QStringLiteral("ADOConnection1"));
    connection.open(file.path());
    const QString table = QString::fromUtf8(testCase.table);
    Dataset set(QStringLiteral("ADOQuery2"), &connection, table, readAll ? QStringLiteral("1") : QString());
    Dataset other(QStringLiteral("otherQuery"), &connection, table);
    if (lead)
        set.setLeadColumns({QStringLiteral("parent"), QStringLiteral("Name"), QStringLiteral("lbid")});
    set.open();
    other.open();
    Trace trace(set);
    trace.step("steps", [&] { testCase.steps(set, other, trace); });
    if (qEnvironmentVariableIsSet("LAZY_TRACE"))
        qInfo().noquote() << trace.lines().join(u'\n');
    return trace.lines();
}

TEST(LazyRows, SeeWhatAFullCopySees)
{
    for (const Case &testCase : kCases) {
        SCOPED_TRACE(testCase.name);
        const QStringList expected = run(testCase, true, false);
        EXPECT_EQ(run(testCase, false, false), expected) << "without index";
        EXPECT_EQ(run(testCase, false, true), expected) << "with index";
        EXPECT_EQ(run(testCase, true, true), expected) << "full copy with index";
        EXPECT_EQ(run(testCase, true, false, true), expected) << "full copy, lead columns first";
        EXPECT_EQ(run(testCase, false, true, true), expected) << "lead columns first, with index";
    }
}

} // namespace
