#pragma once
#include <QString>
#include <QStringList>

namespace lovetest {

class Connection;

// What a restore of the sample tests did: the names of the tests written
// back, and of those left out because their ids now belong to other rows.
struct RestoredSamples {
    QStringList restored;
    QStringList blocked;
    qint64 firstRestored = 0; // the key of the first test written back; 0 for none
};

// Writes the tests of the sample file (the database the program ships)
// that connection's file lacks back into it, by id: a test whose id is in
// the file, renamed or not, is left alone. A missing folder on the way to a
// restored test comes back with it; question and verdict rows a test left
// behind under its id are replaced by the sample's. One transaction.
// Raises DatabaseError when a file cannot be read or the write fails
// (nothing is written then).
RestoredSamples restoreMissingSamples(Connection &connection, const QString &sampleFile);

} // namespace lovetest
