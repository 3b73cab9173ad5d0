#include "seal_codec.h"

#include "data/text_slot.h"
#include "seal/keys.h"

namespace lovetest {

void SealCodec::SetSealKey(const QByteArray &keyText)
{
    DCP_rijndael1.KeyFromText(keyText);
    DCP_des1.KeyFromText(keyText);
}

QByteArray SealCodec::UnsealText(const QByteArray &sealed)
{
    // A stored text that is not Base64 is refused. The inner text is Base64
    // only when key and chain are right; with a wrong key (or a chain moved
    // on by an earlier text) there is no integrity check to fail, so it just
    // unseals to meaningless bytes instead of an error.
    const QByteArray inner = DCP_des1.DecryptText(sealed, ForeignCharacters::Reject);
    return DCP_rijndael1.DecryptText(inner, ForeignCharacters::CountAsZero);
}

void SealCodec::BurnCiphers()
{
    DCP_rijndael1.Wipe();
    DCP_des1.Wipe();
}

void SealCodec::RefreshDataKey(const TextSlot &sealedKeySlot, TextSlot &dataKeySlot)
{
    dataKeySlot.clear();
    SetSealKey(programKey());
    QByteArray dataKey;
    try {
        dataKey = UnsealText(sealedKeySlot.read());
    } catch (...) {
        BurnCiphers();
        throw;
    }
    dataKeySlot.store(dataKey);
    BurnCiphers();
}

QByteArray SealCodec::unsealField(const TextSlot &dataKeySlot, const QByteArray &sealed)
{
    SetSealKey(dataKeySlot.read());
    QByteArray plain;
    try {
        plain = UnsealText(sealed);
    } catch (...) {
        BurnCiphers();
        throw;
    }
    BurnCiphers();
    return plain;
}

} // namespace lovetest
