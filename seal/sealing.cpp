#include "sealing.h"

#include "seal/ciphers.h"
#include "seal/wipe.h"

#include <nettle/cfb.h>

namespace lovetest {
namespace {

// The cipher's forward transformation as nettle's modes call it; the cipher is
// keyed, so it cannot throw through nettle.
void encryptWith(const void *cipher, std::size_t, std::uint8_t *out, const std::uint8_t *in) noexcept
{
    static_cast<const BlockCipher *>(cipher)->encryptBlock(in, out);
}

// 8-bit cipher feedback encryption from the IV that keying gave the cipher.
QByteArray encipherCfb8(const BlockCipher &cipher, const QByteArray &plain)
{
    QByteArray chain = cipher.iv();
    QByteArray out(plain.size(), Qt::Uninitialized);
    cfb8_encrypt(&cipher, &encryptWith, static_cast<std::size_t>(chain.size()),
                 reinterpret_cast<std::uint8_t *>(chain.data()), static_cast<std::size_t>(plain.size()),
                 reinterpret_cast<std::uint8_t *>(out.data()),
                 reinterpret_cast<const std::uint8_t *>(plain.constData()));
    wipeBytes(chain.data(), static_cast<std::size_t>(chain.size()), 0xFF);
    return out;
}

QByteArray encipherAndPack(BlockCipher &cipher, const QByteArray &keyText, const QByteArray &plain)
{
    cipher.keyFromText(keyText);
    const QByteArray packed = encipherCfb8(cipher, plain).toBase64();
    cipher.wipe();
    return packed;
}

} // namespace

QByteArray sealText(const QByteArray &plain, const QByteArray &keyText)
{
    Aes256 rijndael;
    Des des;
    const QByteArray inner = encipherAndPack(rijndael, keyText, plain);
    return encipherAndPack(des, keyText, inner);
}

} // namespace lovetest
