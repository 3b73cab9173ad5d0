#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

namespace lovetest {

class Field;
class SealCodec;
class TestDatabase;
class TextSlot;

// The key chain as the program keeps it: the sealed data-key text in
// sealedKeySlot unsealed into dataKeySlot, which is emptied first. The data key
// is keyed as the slot reads it back: its lines, each followed by CR LF.
void refreshDataKey(SealCodec &codec, const TextSlot &sealedKeySlot, TextSlot &dataKeySlot);
// The data key text that refreshDataKey yields from the program's own sealed
// data-key text; what database fields are sealed and unsealed with.
QByteArray deriveDataKeyText();

// Reads the sealed fields of the test database with the data key held in the
// slot dataKeySlot. Every value is unsealed on freshly keyed ciphers, which are
// wiped straight after it.
class SealedFields {
public:
    SealedFields(TestDatabase &database, SealCodec &codec) : m_database(database), m_codec(codec) {}

    // Derives the data key afresh from the sealed data-key text in sealedKeySlot.
    void refreshDataKey();
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
