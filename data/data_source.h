#pragma once
#include <QList>
#include <QObject>

namespace lovetest {

class Dataset;
class DataLink;
class Field;

// What a dataset reports to its data sources (used by the data layer itself).
enum class DataEvent { ActiveChanged, DataSetChanged, DataSetScrolled, StateChanged, RecordChanged, UpdateData };

// Connects a dataset to the controls bound to it (catalogSource ... instructionSource).
// It forwards every notification of its dataset to its links. While the
// dataset's controls are disabled (Dataset::disableControls) nothing is sent.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString &objectName, Dataset *dataSet = nullptr, QObject *parent = nullptr);
    ~DataSource() override;

    Dataset *dataSet() const { return m_dataSet; }
    // Rebinding tells every link that the active state may have changed.
    void setDataSet(Dataset *dataSet);
    const QList<DataLink *> &links() const { return m_links; }

private:
    friend class Dataset;
    friend class DataLink;
    void dispatch(DataEvent event, Field *field);
    void dataSetDestroyed();
    void addLink(DataLink *link);
    void removeLink(DataLink *link);

    Dataset *m_dataSet = nullptr;
    QList<DataLink *> m_links;
};

// Base of every control bound to a dataset (labels, editors, choice panels,
// the catalog tree). A derived class attaches with setDataSource() and
// overrides the hooks it needs; each hook runs on the thread of the dataset,
// after the dataset has finished the change it reports.
//
//   activeChanged()      the dataset was opened or closed (also on binding
//                        and unbinding an open dataset; binding to an open
//                        dataset is followed by dataSetChanged())
//   dataSetChanged()     the rows changed: open, First, filter switched or
//                        re-applied, Post, Delete, Cancel of a new row, the
//                        last enableControls
//   dataSetScrolled()    the current row moved: Next, locate, gotoBookmark
//   stateChanged()       the state changed (browse, edit, insert, inactive)
//   editingChanged()     editing began or ended (a subset of stateChanged)
//   recordChanged(f)     field f of the current row was written; nullptr:
//                        the whole record changed (Cancel of an edit)
//   updateData()         the dataset is about to post: a control holding an
//                        unsaved value writes it into its field now. Sent
//                        even while controls are disabled.
//
// A hook may call back into the dataset; notifications it causes are
// delivered at once, to the hook's own link too. A hook that walks the set
// between disableControls and enableControls therefore hears the closing
// dataSetChanged() inside itself and must turn it away with a working flag.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink &) = delete;
    DataLink &operator=(const DataLink &) = delete;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    Dataset *dataSet() const;
    // The dataset is open (as last reported through activeChanged()).
    bool active() const { return m_active; }
    // The dataset is in edit or insert state.
    bool editing() const;

protected:
    virtual void activeChanged() {}
    virtual void dataSetChanged() {}
    virtual void dataSetScrolled() {}
    virtual void stateChanged() {}
    virtual void editingChanged() {}
    virtual void recordChanged(Field *field) { (void)field; }
    virtual void updateData() {}

private:
    friend class DataSource;
    void syncActive(); // sends activeChanged() when the open state differs from m_active
    void syncEditing(); // sends editingChanged() when editing differs from m_editing

    DataSource *m_source = nullptr;
    bool m_active = false;
    bool m_editing = false;
};

} // namespace lovetest
