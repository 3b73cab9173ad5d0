#include "dcp.h"

#include "seal/cfb8.h"
#include "seal/wipe.h"

#include <algorithm>

namespace lovetest {

using namespace cipher_messages;

// ---------------------------------------------------------------- hashes

void TDCP_hash::Update(const QByteArray &bytes)
{
    Update(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
           static_cast<std::size_t>(bytes.size()));
}

void TDCP_hash::Burn()
{
    m_initialized = false;
}

void TDCP_hash::RequireInitialized() const
{
    if (!m_initialized)
        throw EDCP_hash(kHashNotInitialized);
}

TDCP_sha512base::~TDCP_sha512base()
{
    WipeBytes(&m_state, sizeof m_state, 0);
}

void TDCP_sha512base::Update(const std::uint8_t *data, std::size_t length)
{
    RequireInitialized();
    sha512_update(&m_state, length, data);
}

void TDCP_sha512base::Burn()
{
    WipeBytes(&m_state, sizeof m_state, 0);
    TDCP_hash::Burn();
}

void TDCP_sha512::Init()
{
    Burn();
    sha512_init(&m_state);
    m_initialized = true;
}

void TDCP_sha512::Final(std::uint8_t *digest)
{
    RequireInitialized();
    sha512_digest(&m_state, SHA512_DIGEST_SIZE, digest);
    Burn();
}

// --------------------------------------------------------------- ciphers

void TDCP_cipher::KeyFromText(const QByteArray &text)
{
    if (m_keyed)
        Wipe();
    std::array<std::uint8_t, SHA512_DIGEST_SIZE> digest{};
    try {
        TDCP_sha512 hash;
        hash.Init();
        hash.Update(text);
        hash.Final(digest.data());
        const int bits = std::min(MaxKeySize(), hash.HashSize());
        SetKeyBits(digest.data(), bits);
    } catch (...) {
        WipeBytes(digest.data(), digest.size(), 0xFF);
        throw EDCP_cipher(kDigestMemory);
    }
    WipeBytes(digest.data(), digest.size(), 0xFF);
}

void TDCP_cipher::SetKeyBits(const std::uint8_t *key, int bits)
{
    if (m_keyed)
        Wipe();
    if (bits <= 0 || bits % 4 != 0 || bits > MaxKeySize())
        throw EDCP_cipher(kInvalidKeySize);
    m_keyed = true;
    InitKey(key, bits);
}

void TDCP_cipher::Wipe()
{
    m_keyed = false;
}

void TDCP_blockcipher::RequireKeyed() const
{
    if (!Initialized())
        throw EDCP_blockcipher(kNotInitialized);
}

void TDCP_blockcipher::EncryptBlock(const std::uint8_t *in, std::uint8_t *out) const
{
    RequireKeyed();
    EncryptPrimitive(in, out);
}

QByteArray TDCP_blockcipher::DecryptText(const QByteArray &text, ForeignCharacters foreign)
{
    QByteArray bytes = UnpackBase64(text, foreign);
    DecryptCfb8(reinterpret_cast<std::uint8_t *>(bytes.data()),
                static_cast<std::size_t>(bytes.size()));
    return bytes;
}

// The two block sizes keep their chaining state in fixed arrays; the steps
// are the same apart from the length.

std::array<std::uint8_t, TDCP_blockcipher64::kBlockBytes> TDCP_blockcipher64::filledBlock()
{
    std::array<std::uint8_t, kBlockBytes> block;
    block.fill(0xFF);
    return block;
}

void TDCP_blockcipher64::SetKeyBits(const std::uint8_t *key, int bits)
{
    TDCP_blockcipher::SetKeyBits(key, bits);
    m_iv.fill(0);
    EncryptBlock(m_iv.data(), m_iv.data());
    ResetChain();
}

void TDCP_blockcipher64::Wipe()
{
    WipeBytes(m_iv.data(), m_iv.size(), 0xFF);
    WipeBytes(m_chain.data(), m_chain.size(), 0xFF);
    TDCP_blockcipher::Wipe();
}

void TDCP_blockcipher64::ResetChain()
{
    RequireKeyed();
    m_chain = m_iv;
}

void TDCP_blockcipher64::DecryptCfb8(std::uint8_t *data, std::size_t length)
{
    RequireKeyed();
    Cfb8DecryptInPlace(std::span<std::uint8_t>(m_chain),
                       [this](const std::uint8_t *in, std::uint8_t *out) { EncryptPrimitive(in, out); },
                       data, length);
}

QByteArray TDCP_blockcipher64::IV() const
{
    return QByteArray(reinterpret_cast<const char *>(m_iv.data()), m_iv.size());
}

QByteArray TDCP_blockcipher64::ChainValue() const
{
    return QByteArray(reinterpret_cast<const char *>(m_chain.data()), m_chain.size());
}

std::array<std::uint8_t, TDCP_blockcipher128::kBlockBytes> TDCP_blockcipher128::filledBlock()
{
    std::array<std::uint8_t, kBlockBytes> block;
    block.fill(0xFF);
    return block;
}

void TDCP_blockcipher128::SetKeyBits(const std::uint8_t *key, int bits)
{
    TDCP_blockcipher::SetKeyBits(key, bits);
    m_iv.fill(0);
    EncryptBlock(m_iv.data(), m_iv.data());
    ResetChain();
}

void TDCP_blockcipher128::Wipe()
{
    WipeBytes(m_iv.data(), m_iv.size(), 0xFF);
    WipeBytes(m_chain.data(), m_chain.size(), 0xFF);
    TDCP_blockcipher::Wipe();
}

void TDCP_blockcipher128::ResetChain()
{
    RequireKeyed();
    m_chain = m_iv;
}

void TDCP_blockcipher128::DecryptCfb8(std::uint8_t *data, std::size_t length)
{
    RequireKeyed();
    Cfb8DecryptInPlace(std::span<std::uint8_t>(m_chain),
                       [this](const std::uint8_t *in, std::uint8_t *out) { EncryptPrimitive(in, out); },
                       data, length);
}

QByteArray TDCP_blockcipher128::IV() const
{
    return QByteArray(reinterpret_cast<const char *>(m_iv.data()), m_iv.size());
}

QByteArray TDCP_blockcipher128::ChainValue() const
{
    return QByteArray(reinterpret_cast<const char *>(m_chain.data()), m_chain.size());
}

// ------------------------------------------------------------------- DES

std::array<std::uint8_t, TDCP_customdes::kKeyBlockBytes>
TDCP_customdes::KeyBlock(const std::uint8_t *key, int bits)
{
    std::array<std::uint8_t, kKeyBlockBytes> block{};
    std::copy_n(key, std::min<std::size_t>(bits / 8, kKeyBlockBytes), block.begin());
    return block;
}

TDCP_des::~TDCP_des()
{
    WipeBytes(&m_subkeys, sizeof m_subkeys, 0);
}

void TDCP_des::InitKey(const std::uint8_t *key, int bits)
{
    auto block = KeyBlock(key, bits);
    // nettle ignores the parity bits; its weak-key verdict does not matter
    // here, the schedule is built either way.
    des_set_key(&m_subkeys, block.data());
    WipeBytes(block.data(), block.size(), 0);
}

void TDCP_des::EncryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const
{
    des_encrypt(&m_subkeys, DES_BLOCK_SIZE, out, in);
}

void TDCP_des::Wipe()
{
    WipeBytes(&m_subkeys, sizeof m_subkeys, 0);
    TDCP_customdes::Wipe();
}

// -------------------------------------------------------------- Rijndael

TDCP_rijndael::~TDCP_rijndael()
{
    WipeBytes(&m_schedule128, sizeof m_schedule128, 0);
    WipeBytes(&m_schedule192, sizeof m_schedule192, 0);
    WipeBytes(&m_schedule256, sizeof m_schedule256, 0);
}

void TDCP_rijndael::InitKey(const std::uint8_t *key, int bits)
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
    WipeBytes(block.data(), block.size(), 0);
}

void TDCP_rijndael::EncryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const
{
    switch (m_rounds) {
    case _AES128_ROUNDS:
        aes128_encrypt(&m_schedule128, AES_BLOCK_SIZE, out, in);
        break;
    case _AES192_ROUNDS:
        aes192_encrypt(&m_schedule192, AES_BLOCK_SIZE, out, in);
        break;
    default:
        aes256_encrypt(&m_schedule256, AES_BLOCK_SIZE, out, in);
        break;
    }
}

void TDCP_rijndael::Wipe()
{
    m_rounds = 0;
    WipeBytes(&m_schedule128, sizeof m_schedule128, 0);
    WipeBytes(&m_schedule192, sizeof m_schedule192, 0);
    WipeBytes(&m_schedule256, sizeof m_schedule256, 0);
    TDCP_blockcipher128::Wipe();
}

} // namespace lovetest
