#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

namespace lovetest {

class Field;
class SealCodec;
class TestDatabase;

// Reads the sealed fields of the test database with the data key held in the
// slot ADOQuery6. Every value is unsealed on freshly keyed ciphers, which are
// wiped straight after it.
class SealedFields {
public:
    SealedFields(TestDatabase &database, SealCodec &codec) : m_database(database), m_codec(codec) {}

    // Derives the data key afresh from the sealed data-key text in ADOQuery5.
    void RefreshDataKey();
    // A sealed text unsealed: code page 936 bytes.
    QByteArray unseal(const QByteArray &sealed);
    // The field's stored text unsealed; an empty (Null) field gives "".
    QByteArray unseal(const Field &field);
    // The field unsealed and split into its list items.
    QList<QByteArray> unsealList(const Field &field, const char *separator);

private:
    TestDatabase &m_database;
    SealCodec &m_codec;
};

} // namespace lovetest
