#include "sealing.h"

#include "data/text_slot.h"
#include "seal/dcp.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/wipe.h"

#include <cstring>

namespace lovetest {
namespace {

// 8-bit cipher feedback encryption from the IV that keying gave the cipher;
// the feedback register takes each enciphered byte.
QByteArray encipherCfb8(TDCP_blockcipher &cipher, const QByteArray &plain)
{
    QByteArray chain = cipher.IV();
    auto *reg = reinterpret_cast<std::uint8_t *>(chain.data());
    const std::size_t block = static_cast<std::size_t>(chain.size());
    std::uint8_t keystream[16];
    QByteArray out(plain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        cipher.EncryptBlock(reg, keystream);
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[i]) ^ keystream[0]);
        out[i] = static_cast<char>(c);
        std::memmove(reg, reg + 1, block - 1);
        reg[block - 1] = c;
    }
    WipeBytes(chain.data(), static_cast<std::size_t>(chain.size()), 0xFF);
    return out;
}

QByteArray encipherAndPack(TDCP_blockcipher &cipher, const QByteArray &keyText, const QByteArray &plain)
{
    cipher.KeyFromText(keyText);
    const QByteArray packed = encipherCfb8(cipher, plain).toBase64();
    cipher.Wipe();
    return packed;
}

} // namespace

QByteArray SealText(const QByteArray &plain, const QByteArray &keyText)
{
    TDCP_rijndael rijndael;
    TDCP_des des;
    const QByteArray inner = encipherAndPack(rijndael, keyText, plain);
    return encipherAndPack(des, keyText, inner);
}

QByteArray deriveDataKeyText()
{
    TextSlot sealedKeySlot;
    sealedKeySlot.store(sealedDataKeyText());
    TextSlot dataKeySlot;
    SealCodec codec;
    codec.RefreshDataKey(sealedKeySlot, dataKeySlot);
    return dataKeySlot.read();
}

QByteArray sealField(const QByteArray &plainCp936)
{
    static const QByteArray keyText = deriveDataKeyText();
    return SealText(plainCp936, keyText);
}

} // namespace lovetest
