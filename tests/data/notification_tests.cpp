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
    Field *score() { return db.ADOQuery2.FieldByName(QStringLiteral("分值")); }

    DatabaseFile file;
    TestDatabase db;
};

TEST_F(Notifications, EachOperationSendsItsEvents)
{
    Dataset &set = db.ADOQuery2;
    Recorder link;
    struct Step {
        const char *name;
        std::function<void()> action;
        QStringList expected;
    };
    const Step steps[] = {
        {"bind", [&] { link.setDataSource(&db.DataSource2); }, {"active", "changed"}},
        {"Next", [&] { set.Next(); }, {"scrolled"}},
        {"First", [&] { set.First(); }, {"changed"}},
        {"Locate found", [&] { set.Locate(QStringLiteral("ID"), 11); }, {"scrolled"}},
        {"Locate missing", [&] { set.Locate(QStringLiteral("ID"), 99); }, {}},
        {"Edit", [&] { set.Edit(); }, {"state", "editing"}},
        {"Edit again", [&] { set.Edit(); }, {}},
        {"write", [&] { score()->setAsInteger(2); }, {"record:分值"}},
        {"Post", [&] { set.Post(); }, {"update", "state", "editing", "changed"}},
        {"Edit, Cancel", [&] { set.Edit(); set.Cancel(); }, {"state", "editing", "state", "editing", "record"}},
        {"changed edit, Next",
         [&] { set.Edit(); score()->setAsInteger(3); set.Next(); },
         {"state", "editing", "record:分值", "update", "state", "editing", "changed", "scrolled"}},
        {"GotoBookmark", [&] { set.GotoBookmark(set.GetBookmark()); }, {"scrolled"}},
        {"filter on", [&] { set.setFilter(QStringLiteral("Parent=2")); set.setFiltered(true); }, {"changed"}},
        {"filter text while on", [&] { set.setFilter(QStringLiteral("Parent=3")); }, {"changed"}},
        {"filter off", [&] { set.setFiltered(false); }, {"changed"}},
        {"filter off again", [&] { set.setFiltered(false); }, {}},
        {"Delete", [&] { set.Delete(); }, {"changed"}},
        {"Append, Cancel", [&] { set.Append(); set.Cancel(); }, {"state", "editing", "changed", "state", "editing", "changed"}},
        {"close", [&] { set.close(); }, {"active"}},
        {"open", [&] { set.open(); }, {"active", "changed"}},
        {"unbind", [&] { link.setDataSource(nullptr); }, {"active"}},
        {"unbound Next", [&] { set.Next(); }, {}},
    };
    for (const Step &step : steps) {
        step.action();
        EXPECT_EQ(link.take(), step.expected) << step.name;
    }
}

TEST_F(Notifications, DisabledControlsHearOneChangeAtTheLastEnable)
{
    Dataset &set = db.ADOQuery1;
    Recorder link;
    link.setDataSource(&db.DataSource1);
    link.take();

    set.DisableControls();
    set.DisableControls();
    EXPECT_TRUE(set.ControlsDisabled());
    const Bookmark mark = set.GetBookmark();
    for (set.First(); !set.Eof(); set.Next()) {
    }
    set.Locate(QStringLiteral("ID"), 3);
    set.Edit();
    set.FieldByName(QStringLiteral("Name"))->setAsString(QStringLiteral("x"));
    set.Post();
    set.GotoBookmark(mark);
    set.EnableControls();
    // Only the request to hand in pending values got through (for the Post).
    EXPECT_EQ(link.take(), QStringList{QStringLiteral("update")});
    set.EnableControls();
    EXPECT_FALSE(set.ControlsDisabled());
    EXPECT_EQ(link.take(), QStringList{QStringLiteral("changed")});
    set.EnableControls();   // unbalanced: ignored
    EXPECT_TRUE(link.take().isEmpty());
}

TEST_F(Notifications, EditingMissedWhileDisabledIsCaughtUpAtEnable)
{
    Recorder link;
    link.setDataSource(&db.DataSource1);
    link.take();
    db.ADOQuery1.DisableControls();
    db.ADOQuery1.Edit();
    EXPECT_FALSE(link.editing() && link.events.contains(QStringLiteral("editing")));
    db.ADOQuery1.EnableControls();
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
            dataSet()->FieldByName(QStringLiteral("填写说明"))->setAsString(std::exchange(pending, {}));
    }
};

TEST_F(Notifications, PendingEditorValueIsPostedEvenWhileControlsAreDisabled)
{
    PendingEditor editor;
    editor.setDataSource(&db.DataSource2);
    db.ADOQuery2.Edit();
    editor.pending = QStringLiteral("说明文字");
    db.ADOQuery2.DisableControls();
    db.ADOQuery2.Next();   // the browse-mode check collects the text, finds a change and posts
    db.ADOQuery2.EnableControls();
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT 填写说明 FROM 量表 WHERE ID=1")).toString(), QStringLiteral("说明文字"));
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
        if (working)
            return;
        working = true;
        ++refreshes;
        Dataset *set = dataSet();
        set->DisableControls();
        const Bookmark mark = set->GetBookmark();
        rowsSeen = 0;
        for (set->First(); !set->Eof(); set->Next())
            ++rowsSeen;
        set->GotoBookmark(mark);
        set->EnableControls();   // sends "changed" back here, which the flag turns away
        working = false;
        if (victim)
            victim->setDataSource(nullptr);
    }

private:
    bool working = false;
};

TEST_F(Notifications, HooksMayWorkOnTheSetAndDetachOtherLinks)
{
    Walker walker;
    Recorder later;
    walker.setDataSource(&db.DataSource1);
    later.setDataSource(&db.DataSource1);
    later.take();
    walker.victim = &later;
    walker.refreshes = 0;
    db.ADOQuery1.Locate(QStringLiteral("ID"), 2);
    db.ADOQuery1.First();
    EXPECT_EQ(walker.refreshes, 1);
    EXPECT_EQ(walker.rowsSeen, 3);
    EXPECT_EQ(db.ADOQuery1.RecNo(), 1);
    EXPECT_EQ(later.dataSource(), nullptr);
    // The detached link heard the Locate, the walker's closing "changed"
    // (delivered inside the walker's hook) and its own unbinding; the
    // outer "changed" of First no longer reached it.
    EXPECT_EQ(later.take(), (QStringList{QStringLiteral("scrolled"), QStringLiteral("changed"), QStringLiteral("active")}));
}

TEST(NotificationLifetime, LinksSourcesAndDatasetsMayGoInAnyOrder)
{
    DatabaseFile file;
    file.fillSample();
    auto db = std::make_unique<TestDatabase>();
    ASSERT_TRUE(db->openAll().isEmpty());
    auto link = std::make_unique<Recorder>();
    {
        DataSource source(QStringLiteral("DataSource9"), &db->ADOQuery2);
        Recorder shortLived;
        shortLived.setDataSource(&source);
        link->setDataSource(&source);
        EXPECT_TRUE(link->active());
    }   // shortLived detaches, then the source goes while link is bound
    EXPECT_EQ(link->dataSource(), nullptr);
    EXPECT_FALSE(link->active());
    db->ADOQuery2.Next();   // no source left to reach the link
    EXPECT_EQ(link->events, (QStringList{QStringLiteral("active"), QStringLiteral("changed")}));

    link->setDataSource(&db->DataSource1);
    db.reset();   // the source goes before the link
    EXPECT_EQ(link->dataSource(), nullptr);
}

} // namespace
