#include "seal/sealed_fields.h"

#include "data/field.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/unpack_base64.h"

namespace lovetest {

void SealedFields::RefreshDataKey()
{
    if (m_database.ADOQuery5.SQL().isEmpty())
        m_database.ADOQuery5.SQL().store(sealedDataKeyText());
    m_codec.RefreshDataKey(m_database.ADOQuery5.SQL(), m_database.ADOQuery6.SQL());
}

QByteArray SealedFields::unseal(const QByteArray &sealed)
{
    return m_codec.unsealField(m_database.ADOQuery6.SQL(), sealed);
}

QByteArray SealedFields::unseal(const Field &field)
{
    const QString text = field.asString();
    rejectForeignText(text);
    return unseal(text.toLatin1());
}

QList<QByteArray> SealedFields::unsealList(const Field &field, const char *separator)
{
    return SplitText(unseal(field), QByteArray(separator));
}

} // namespace lovetest
