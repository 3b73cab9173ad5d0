#include "data/data_source.h"
#include "data/test_database.h"
#include "fixture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace lovetest;
using lovetest::testing::DatabaseFile;

namespace {

class Recorder : public DataLink {
public:
    QStringList take() { return std::exchange(events, {}); }
    QStringList events;

protected:
    void activeChanged() override { events << QStringLiteral("active"); }
    void dataSetChanged() override { events << QStringLiteral("changed"); }
    void dataSetScrolled() override { events << QStringLiteral("scrolled"); }
    void stateChanged() override { events << QStringLiteral("state"); }
    void editingChanged() override { events << QStringLiteral("editing"); }
    void recordChanged(Field *field) override
    {
        events << (field ? QStringLiteral("record:") + field->name() : QStringLiteral("record"));
    }
    void updateData() override { events << QStringLiteral("update"); }
};

class Notifications : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.fillSample();
        ASSERT_TRUE(db.openAll().isEmpty());
    }
    Field *score() { return db.questions.fieldByName(QStringLiteral("分值")); }

    DatabaseFile file;
    TestDatabase db;
};

TEST_F(Notifications, EachOperationSendsItsEvents)
{
    Dataset &set = db.questions;
    Recorder link;
    struct Step {
        const char *name;
        std::function<void()> action;
        QStringList expected;
    };
    const Step steps[] = {
        {"bind", [&] { link.setDataSource(&db.questionSource); }, {"active", "changed"}},
        {"Next", [&] { set.next(); }, {"scrolled"}},
        {"First", [&] { set.first(); }, {"changed"}},
        {"Locate found", [&] { set.locate(QStringLiteral("ID"), 11); }, {"scrolled"}},
        {"Locate missing", [&] { set.locate(QStringLiteral("ID"), 99); }, {}},
        {"Edit", [&] { set.edit(); }, {"state", "editing"}},
        {"Edit again", [&] { set.edit(); }, {}},
        {"write", [&] { score()->setAsInteger(2); }, {"record:分值"}},
        {"Post", [&] { set.post(); }, {"update", "state", "editing", "changed"}},
        {"Edit, Cancel",
         [&] {
             set.edit();
             set.cancel();
         },
         {"state", "editing", "state", "editing", "record"}},
        {"changed edit, Next",
         [&] {
             set.edit();
             score()->setAsInteger(3);
             set.next();
         },
         {"state", "editing", "record:分值", "update", "state", "editing", "changed", "scrolled"}},
        {"gotoBookmark", [&] { set.gotoBookmark(set.bookmark()); }, {"scrolled"}},
        {"filter on",
         [&] {
             set.setFilter(QStringLiteral("Parent=2"));
             set.setFiltered(true);
         },
         {"changed"}},
        {"filter text while on", [&] { set.setFilter(QStringLiteral("Parent=3")); }, {"changed"}},
        {"filter off", [&] { set.setFiltered(false); }, {"changed"}},
        {"filter off again", [&] { set.setFiltered(false); }, {}},
        {"Delete", [&] { set.remove(); }, {"changed"}},
        {"Append, Cancel",
         [&] {
             set.append();
             set.cancel();
         },
         {"state", "editing", "changed", "state", "editing", "changed"}},
        {"close", [&] { set.close(); }, {"active"}},
        {"open", [&] { set.open(); }, {"active", "changed"}},
        {"unbind", [&] { link.setDataSource(nullptr); }, {"active"}},
        {"unbound Next", [&] { set.next(); }, {}},
    };
    for (const Step &step : steps) {
        step.action();
        EXPECT_EQ(link.take(), step.expected) << step.name;
    }
}

TEST_F(Notifications, DisabledControlsHearOneChangeAtTheLastEnable)
{
    Dataset &set = db.catalog;
    Recorder link;
    link.setDataSource(&db.catalogSource);
    link.take();

    set.disableControls();
    set.disableControls();
    EXPECT_TRUE(set.controlsDisabled());
    const Bookmark mark = set.bookmark();
    for (set.first(); !set.atEnd(); set.next()) {}
    set.locate(QStringLiteral("ID"), 3);
    set.edit();
    set.fieldByName(QStringLiteral("Name"))->setAsString(QStringLiteral("x"));
    set.post();
    set.gotoBookmark(mark);
    set.enableControls();
    // Only the request to hand in pending values got through (for the Post).
    EXPECT_EQ(link.take(), QStringList{QStringLiteral("update")});
    set.enableControls();
    EXPECT_FALSE(set.controlsDisabled());
    EXPECT_EQ(link.take(), QStringList{QStringLiteral("changed")});
    set.enableControls(); // unbalanced: ignored
    EXPECT_TRUE(link.take().isEmpty());
}

TEST_F(Notifications, EditingMissedWhileDisabledIsCaughtUpAtEnable)
{
    Recorder link;
    link.setDataSource(&db.catalogSource);
    link.take();
    db.catalog.disableControls();
    db.catalog.edit();
    EXPECT_FALSE(link.editing() && link.events.contains(QStringLiteral("editing")));
    db.catalog.enableControls();
    EXPECT_EQ(link.take(), (QStringList{QStringLiteral("editing"), QStringLiteral("changed")}));
    EXPECT_TRUE(link.editing());
}

// A bound editor that hands its pending text in when the set posts.
class PendingEditor : public DataLink {
public:
    QString pending;

protected:
    void updateData() override
    {
        if (!pending.isEmpty())
            dataSet()->fieldByName(QStringLiteral("填写说明"))->setAsString(std::exchange(pending, {}));
    }
};

TEST_F(Notifications, PendingEditorValueIsPostedEvenWhileControlsAreDisabled)
{
    PendingEditor editor;
    editor.setDataSource(&db.questionSource);
    db.questions.edit();
    editor.pending = QStringLiteral("说明文字");
    db.questions.disableControls();
    db.questions.next(); // the browse-mode check collects the text, finds a change and posts
    db.questions.enableControls();
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT 填写说明 FROM 量表 WHERE ID=1")).toString(),
              QStringLiteral("说明文字"));
}

// A link whose hook walks the set (ignoring what its own walk causes, as the
// catalog tree does with its working flag) and then drops its neighbour.
class Walker : public DataLink {
public:
    DataLink *victim = nullptr;
    int rowsSeen = 0;
    int refreshes = 0;

protected:
    void dataSetChanged() override
    {
        if (m_working)
            return;
        m_working = true;
        ++refreshes;
        Dataset *set = dataSet();
        set->disableControls();
        const Bookmark mark = set->bookmark();
        rowsSeen = 0;
        for (set->first(); !set->atEnd(); set->next())
            ++rowsSeen;
        set->gotoBookmark(mark);
        set->enableControls(); // sends "changed" back here, which the flag turns away
        m_working = false;
        if (victim)
            victim->setDataSource(nullptr);
    }

private:
    bool m_working = false;
};

TEST_F(Notifications, HooksMayWorkOnTheSetAndDetachOtherLinks)
{
    Walker walker;
    Recorder later;
    walker.setDataSource(&db.catalogSource);
    later.setDataSource(&db.catalogSource);
    later.take();
    walker.victim = &later;
    walker.refreshes = 0;
    db.catalog.locate(QStringLiteral("ID"), 2);
    db.catalog.first();
    EXPECT_EQ(walker.refreshes, 1);
    EXPECT_EQ(walker.rowsSeen, 3);
    EXPECT_EQ(db.catalog.rowNumber(), 1);
    EXPECT_EQ(later.dataSource(), nullptr);
    // The detached link heard the locate, the walker's closing "changed"
    // (delivered inside the walker's hook) and its own unbinding; the
    // outer "changed" of First no longer reached it.
    EXPECT_EQ(later.take(),
              (QStringList{QStringLiteral("scrolled"), QStringLiteral("changed"), QStringLiteral("active")}));
}

TEST(NotificationLifetime, LinksSourcesAndDatasetsMayGoInAnyOrder)
{
    DatabaseFile file;
    file.fillSample();
    auto db = std::make_unique<TestDatabase>();
    ASSERT_TRUE(db->openAll().isEmpty());
    auto link = std::make_unique<Recorder>();
    {
        DataSource source(QStringLiteral("otherSource"), &db->questions);
        Recorder shortLived;
        shortLived.setDataSource(&source);
        link->setDataSource(&source);
        EXPECT_TRUE(link->active());
    } // shortLived detaches, then the source goes while link is bound
    EXPECT_EQ(link->dataSource(), nullptr);
    EXPECT_FALSE(link->active());
    db->questions.next(); // no source left to reach the link
    EXPECT_EQ(link->events, (QStringList{QStringLiteral("active"), QStringLiteral("changed")}));

    link->setDataSource(&db->catalogSource);
    db.reset(); // the source goes before the link
    EXPECT_EQ(link->dataSource(), nullptr);
}

} // namespace
