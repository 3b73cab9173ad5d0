#include "data_source.h"

#include "dataset.h"

namespace lovetest {

DataSource::DataSource(const QString &objectName, Dataset *dataSet, QObject *parent) : QObject(parent)
{
    setObjectName(objectName);
    setDataSet(dataSet);
}

DataSource::~DataSource()
{
    // Teardown is silent: the bound controls may be going away themselves.
    if (m_dataSet)
        m_dataSet->removeSource(this);
    for (DataLink *link : std::as_const(m_links)) {
        link->m_source = nullptr;
        link->m_active = false;
        link->m_editing = false;
    }
}

void DataSource::setDataSet(Dataset *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->removeSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->addSource(this);
    const QList<DataLink *> links = m_links;
    for (DataLink *link : links) {
        if (!m_links.contains(link))
            continue;
        link->syncActive();
        link->syncEditing();
        if (link->active() && m_links.contains(link))
            link->dataSetChanged();
    }
}

void DataSource::dispatch(DataEvent event, Field *field)
{
    // A hook may detach links (or itself); work on a copy and skip the gone.
    const QList<DataLink *> links = m_links;
    for (DataLink *link : links) {
        if (!m_links.contains(link))
            continue;
        switch (event) {
        case DataEvent::ActiveChanged:
            link->syncActive();
            break;
        case DataEvent::DataSetChanged:
            // Also catches up on what was held back while controls were disabled.
            link->syncActive();
            link->syncEditing();
            if (m_links.contains(link))
                link->dataSetChanged();
            break;
        case DataEvent::DataSetScrolled:
            link->dataSetScrolled();
            break;
        case DataEvent::StateChanged:
            link->stateChanged();
            if (m_links.contains(link))
                link->syncEditing();
            break;
        case DataEvent::RecordChanged:
            link->recordChanged(field);
            break;
        case DataEvent::UpdateData:
            link->updateData();
            break;
        }
    }
}

void DataSource::dataSetDestroyed()
{
    m_dataSet = nullptr;
    for (DataLink *link : std::as_const(m_links)) {
        link->m_active = false;
        link->m_editing = false;
    }
}

void DataSource::addLink(DataLink *link)
{
    if (!m_links.contains(link))
        m_links.append(link);
}

void DataSource::removeLink(DataLink *link)
{
    m_links.removeAll(link);
}

DataLink::~DataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void DataLink::setDataSource(DataSource *source)
{
    if (source == m_source)
        return;
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    if (m_source)
        m_source->addLink(this);
    m_editing = editing();
    syncActive();
    if (m_active && m_source == source)
        dataSetChanged();
}

Dataset *DataLink::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

bool DataLink::editing() const
{
    const Dataset *set = dataSet();
    return set && (set->state() == DatasetState::Edit || set->state() == DatasetState::Insert);
}

void DataLink::syncActive()
{
    const Dataset *set = dataSet();
    const bool now = set && set->active();
    if (now == m_active)
        return;
    m_active = now;
    activeChanged();
}

void DataLink::syncEditing()
{
    const bool now = editing();
    if (now == m_editing)
        return;
    m_editing = now;
    editingChanged();
}

} // namespace lovetest
