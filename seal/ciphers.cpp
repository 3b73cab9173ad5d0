#include "ciphers.h"

#include "seal/wipe.h"

#include <algorithm>

#include <nettle/cfb.h>

namespace lovetest {

using namespace cipher_messages;

// ---------------------------------------------------------------- hashes

void Hash::update(const QByteArray &bytes)
{
    update(reinterpret_cast<const std::uint8_t *>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
}

void Hash::burn()
{
    m_initialized = false;
}

void Hash::requireInitialized() const
{
    if (!m_initialized)
        throw HashError(kHashNotInitialized);
}

Sha512Base::~Sha512Base()
{
    wipeBytes(&m_state, sizeof m_state, 0);
}

void Sha512Base::update(const std::uint8_t *data, std::size_t length)
{
    requireInitialized();
    sha512_update(&m_state, length, data);
}

void Sha512Base::burn()
{
    wipeBytes(&m_state, sizeof m_state, 0);
    Hash::burn();
}

void Sha512::init()
{
    burn();
    sha512_init(&m_state);
    m_initialized = true;
}

void Sha512::digest(std::uint8_t *digest)
{
    requireInitialized();
    sha512_digest(&m_state, SHA512_DIGEST_SIZE, digest);
    burn();
}

// --------------------------------------------------------------- ciphers

void Cipher::keyFromText(const QByteArray &text)
{
    if (m_keyed)
        wipe();
    std::array<std::uint8_t, SHA512_DIGEST_SIZE> digest{};
    try {
        Sha512 hash;
        hash.init();
        hash.update(text);
        hash.digest(digest.data());
        const int bits = std::min(m_maxKeyBits, int(SHA512_DIGEST_SIZE * 8));
        setKeyBits(digest.data(), bits);
    } catch (...) {
        wipeBytes(digest.data(), digest.size(), 0xFF);
        throw CipherError(kDigestMemory);
    }
    wipeBytes(digest.data(), digest.size(), 0xFF);
}

void Cipher::setKeyBits(const std::uint8_t *key, int bits)
{
    if (m_keyed)
        wipe();
    if (bits <= 0 || bits % 4 != 0 || bits > m_maxKeyBits)
        throw CipherError(kInvalidKeySize);
    // Keyed only once the schedule stands, so a failing expansion leaves the
    // cipher refusing work.
    initKey(key, bits);
    m_keyed = true;
}

void Cipher::wipe()
{
    m_keyed = false;
}

void BlockCipher::requireKeyed() const
{
    if (!isInitialized())
        throw BlockCipherError(kNotInitialized);
}

void BlockCipher::encryptBlock(const std::uint8_t *in, std::uint8_t *out) const
{
    requireKeyed();
    encryptPrimitive(in, out);
}

QByteArray BlockCipher::decryptText(const QByteArray &text, ForeignCharacters foreign)
{
    QByteArray bytes = unpackBase64(text, foreign);
    decryptCfb8(reinterpret_cast<std::uint8_t *>(bytes.data()), static_cast<std::size_t>(bytes.size()));
    return bytes;
}

template <std::size_t BlockBytes>
void BlockCipherOf<BlockBytes>::setKeyBits(const std::uint8_t *key, int bits)
{
    BlockCipher::setKeyBits(key, bits);
    m_iv.fill(0);
    encryptBlock(m_iv.data(), m_iv.data());
    resetChain();
}

template <std::size_t BlockBytes>
void BlockCipherOf<BlockBytes>::wipe()
{
    wipeBytes(m_iv.data(), m_iv.size(), 0xFF);
    wipeBytes(m_chain.data(), m_chain.size(), 0xFF);
    BlockCipher::wipe();
}

template <std::size_t BlockBytes>
void BlockCipherOf<BlockBytes>::resetChain()
{
    requireKeyed();
    m_chain = m_iv;
}

template <std::size_t BlockBytes>
void BlockCipherOf<BlockBytes>::decryptCfb8(std::uint8_t *data, std::size_t length)
{
    requireKeyed();
    // nettle leaves the last BlockBytes enciphered bytes (the chain shifted
    // on by length) in the register, so the next text goes on from there.
    const Primitive p = primitive();
    cfb8_decrypt(p.context, p.encrypt, BlockBytes, m_chain.data(), length, data, data);
}

template <std::size_t BlockBytes>
void BlockCipherOf<BlockBytes>::encryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const
{
    const Primitive p = primitive();
    p.encrypt(p.context, BlockBytes, out, in);
}

template <std::size_t BlockBytes>
QByteArray BlockCipherOf<BlockBytes>::iv() const
{
    return QByteArray(reinterpret_cast<const char *>(m_iv.data()), m_iv.size());
}

template <std::size_t BlockBytes>
QByteArray BlockCipherOf<BlockBytes>::chainValue() const
{
    return QByteArray(reinterpret_cast<const char *>(m_chain.data()), m_chain.size());
}

template class BlockCipherOf<DES_BLOCK_SIZE>;
template class BlockCipherOf<AES_BLOCK_SIZE>;

// ------------------------------------------------------------------- DES

namespace {

// nettle's block functions with the context type its modes pass.
void desEncrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    des_encrypt(static_cast<const des_ctx *>(context), length, out, in);
}

void aes128Encrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    aes128_encrypt(static_cast<const aes128_ctx *>(context), length, out, in);
}

void aes192Encrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    aes192_encrypt(static_cast<const aes192_ctx *>(context), length, out, in);
}

void aes256Encrypt(const void *context, std::size_t length, std::uint8_t *out, const std::uint8_t *in)
{
    aes256_encrypt(static_cast<const aes256_ctx *>(context), length, out, in);
}

} // namespace

std::array<std::uint8_t, DesBase::kKeyBlockBytes> DesBase::keyBlock(const std::uint8_t *key, int bits)
{
    std::array<std::uint8_t, kKeyBlockBytes> block{};
    std::copy_n(key, std::min<std::size_t>(bits / 8, kKeyBlockBytes), block.begin());
    return block;
}

Des::~Des()
{
    wipeBytes(&m_subkeys, sizeof m_subkeys, 0);
}

void Des::initKey(const std::uint8_t *key, int bits)
{
    auto block = keyBlock(key, bits);
    // nettle ignores the parity bits; its weak-key verdict does not matter
    // here, the schedule is built either way.
    des_set_key(&m_subkeys, block.data());
    wipeBytes(block.data(), block.size(), 0);
}

BlockCipher::Primitive Des::primitive() const
{
    return {&m_subkeys, &desEncrypt};
}

void Des::wipe()
{
    wipeBytes(&m_subkeys, sizeof m_subkeys, 0);
    DesBase::wipe();
}

// -------------------------------------------------------------- Rijndael

Aes256::~Aes256()
{
    wipeBytes(&m_schedule128, sizeof m_schedule128, 0);
    wipeBytes(&m_schedule192, sizeof m_schedule192, 0);
    wipeBytes(&m_schedule256, sizeof m_schedule256, 0);
}

void Aes256::initKey(const std::uint8_t *key, int bits)
{
    std::array<std::uint8_t, kKeyBlockBytes> block{};
    const std::size_t keyBytes = static_cast<std::size_t>(bits / 8);
    std::copy_n(key, std::min(keyBytes, kKeyBlockBytes), block.begin());
    if (keyBytes <= AES128_KEY_SIZE) {
        m_rounds = _AES128_ROUNDS;
        aes128_set_encrypt_key(&m_schedule128, block.data());
    } else if (keyBytes <= AES192_KEY_SIZE) {
        m_rounds = _AES192_ROUNDS;
        aes192_set_encrypt_key(&m_schedule192, block.data());
    } else {
        m_rounds = _AES256_ROUNDS;
        aes256_set_encrypt_key(&m_schedule256, block.data());
    }
    wipeBytes(block.data(), block.size(), 0);
}

BlockCipher::Primitive Aes256::primitive() const
{
    switch (m_rounds) {
    case _AES128_ROUNDS:
        return {&m_schedule128, &aes128Encrypt};
    case _AES192_ROUNDS:
        return {&m_schedule192, &aes192Encrypt};
    default:
        return {&m_schedule256, &aes256Encrypt};
    }
}

void Aes256::wipe()
{
    m_rounds = 0;
    wipeBytes(&m_schedule128, sizeof m_schedule128, 0);
    wipeBytes(&m_schedule192, sizeof m_schedule192, 0);
    wipeBytes(&m_schedule256, sizeof m_schedule256, 0);
    BlockCipherOf::wipe();
}

} // namespace lovetest
