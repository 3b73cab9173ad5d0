#pragma once
#include <QString>
#include <QStringView>

namespace lovetest {

class Dataset;

// The filter text that keeps the catalog rows whose Name contains typed as
// it stands (Latin letters without regard to case): quotes are doubled and
// the pattern characters '*' and '\' escaped, so no typed text can make the
// filter invalid.
QString catalogSearchFilter(const QString &typed);

// The search box's reaction to a change of its text: a non-empty text
// re-filters the catalog to the matching rows, an empty one switches the
// filter off. Either way the catalog stands on its first row afterwards.
void applyCatalogSearch(Dataset &catalog, const QString &typed);

// Whether a catalog name holds typed as it stands, Latin letters without
// regard to case: the rows catalogSearchFilter(typed) keeps, decided on the
// name alone (the tree's search, which leaves the dataset unfiltered).
bool catalogNameMatches(QStringView name, QStringView typed);

} // namespace lovetest
