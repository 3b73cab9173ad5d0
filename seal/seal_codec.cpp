#include "seal_codec.h"

#include "seal/keys.h"

namespace lovetest {

void SealCodec::setSealKey(const QByteArray &keyText)
{
    aes256.keyFromText(keyText);
    des.keyFromText(keyText);
}

QByteArray SealCodec::unsealText(const QByteArray &sealed)
{
    // A stored text that is not Base64 is refused. The inner text is Base64
    // only when key and chain are right; with a wrong key (or a chain moved
    // on by an earlier text) there is no integrity check to fail, so it just
    // unseals to meaningless bytes instead of an error.
    const QByteArray inner = des.decryptText(sealed, ForeignCharacters::Reject);
    return aes256.decryptText(inner, ForeignCharacters::CountAsZero);
}

void SealCodec::burnCiphers()
{
    aes256.wipe();
    des.wipe();
}

QByteArray SealCodec::unsealDataKey(const QByteArray &sealedKeyText)
{
    return unsealField(programKey(), sealedKeyText);
}

QByteArray SealCodec::unsealField(const QByteArray &keyText, const QByteArray &sealed)
{
    setSealKey(keyText);
    QByteArray plain;
    try {
        plain = unsealText(sealed);
    } catch (...) {
        burnCiphers();
        throw;
    }
    burnCiphers();
    return plain;
}

} // namespace lovetest
