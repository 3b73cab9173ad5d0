#include "sealed_fields.h"

#include "data/field.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/unpack_base64.h"

namespace lovetest {

void refreshDataKey(SealCodec &codec, const TextSlot &sealedKeySlot, TextSlot &dataKeySlot)
{
    dataKeySlot.clear();
    dataKeySlot.store(codec.unsealDataKey(sealedKeySlot.read()));
}

QByteArray deriveDataKeyText()
{
    TextSlot sealedKeySlot;
    sealedKeySlot.store(sealedDataKeyText());
    TextSlot dataKeySlot;
    SealCodec codec;
    refreshDataKey(codec, sealedKeySlot, dataKeySlot);
    return dataKeySlot.read();
}

void SealedFields::refreshDataKey()
{
    if (m_database.sealedKeySlot.sql().isEmpty())
        m_database.sealedKeySlot.sql().store(sealedDataKeyText());
    lovetest::refreshDataKey(m_codec, m_database.sealedKeySlot.sql(), m_database.dataKeySlot.sql());
}

QByteArray SealedFields::unseal(const QByteArray &sealed)
{
    return m_codec.unsealField(m_database.dataKeySlot.sql().read(), sealed);
}

QByteArray SealedFields::unseal(const Field &field)
{
    const QString text = field.asString();
    rejectForeignText(text);
    return unseal(text.toLatin1());
}

QList<QByteArray> SealedFields::unsealList(const Field &field, const char *separator)
{
    return splitText(unseal(field), QByteArray(separator));
}

} // namespace lovetest
