#pragma once
// The cipher and hash objects of the sealed text codec. The block primitives
// and the 8-bit cipher feedback step come from nettle; keying from a text, the
// IV rule and wiping are ours.
#include "seal/cipher_errors.h"
#include "seal/unpack_base64.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

#include <nettle/aes.h>
#include <nettle/des.h>
#include <nettle/nettle-types.h>
#include <nettle/sha2.h>

namespace lovetest {

// ---------------------------------------------------------------- hashes

class Hash {
public:
    virtual ~Hash() = default;
    Hash(const Hash &) = delete;
    Hash &operator=(const Hash &) = delete;

    virtual void init() = 0;
    virtual void update(const std::uint8_t *data, std::size_t length) = 0;
    void update(const QByteArray &bytes);
    // Writes the whole digest and leaves the object not initialised.
    virtual void digest(std::uint8_t *digest) = 0;
    virtual void burn();

protected:
    Hash() = default;
    void requireInitialized() const;
    bool m_initialized = false;
};

class Sha512Base : public Hash {
public:
    ~Sha512Base() override;
    void update(const std::uint8_t *data, std::size_t length) override;
    using Hash::update;
    void burn() override;

protected:
    sha512_ctx m_state{};
};

class Sha512 : public Sha512Base {
public:
    void init() override;
    void digest(std::uint8_t *digest) override;
};

// --------------------------------------------------------------- ciphers

class Cipher {
public:
    virtual ~Cipher() = default;
    Cipher(const Cipher &) = delete;
    Cipher &operator=(const Cipher &) = delete;

    bool isInitialized() const { return m_keyed; }

    // Keys from the SHA-512 digest of text (all its bytes, no terminator):
    // as many leading digest bits as the cipher takes, at most 512.
    void keyFromText(const QByteArray &text);
    // Keys from the first bits/8 bytes of key; bits must be a positive
    // multiple of 4 not above the cipher's longest key.
    virtual void setKeyBits(const std::uint8_t *key, int bits);
    // Forgets the key.
    virtual void wipe();

protected:
    explicit Cipher(int maxKeyBits) : m_maxKeyBits(maxKeyBits) {}
    // Expands the key for the primitive.
    virtual void initKey(const std::uint8_t *key, int bits) = 0;

private:
    const int m_maxKeyBits;
    bool m_keyed = false;
};

class BlockCipher : public Cipher {
public:
    // The primitive's forward transformation of one block.
    void encryptBlock(const std::uint8_t *in, std::uint8_t *out) const;
    virtual void resetChain() = 0;
    // 8-bit cipher feedback decryption in place, going on from the current
    // chaining value.
    virtual void decryptCfb8(std::uint8_t *data, std::size_t length) = 0;
    // unpackBase64, then decryptCfb8.
    QByteArray decryptText(const QByteArray &text, ForeignCharacters foreign = ForeignCharacters::Reject);

    // Read-only views of the chaining state (one block each).
    virtual QByteArray iv() const = 0;
    virtual QByteArray chainValue() const = 0;

protected:
    using Cipher::Cipher;

    // The keyed primitive as nettle's modes take it.
    struct Primitive {
        const void *context;
        nettle_cipher_func *encrypt;
    };
    virtual Primitive primitive() const = 0;

    void requireKeyed() const;
    virtual void encryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const = 0;
};

// The chaining state of a block cipher of BlockBytes bytes: the IV is the
// encryption of the zero block under the key, and the chain starts there.
template <std::size_t BlockBytes>
class BlockCipherOf : public BlockCipher {
public:
    static constexpr std::size_t kBlockBytes = BlockBytes;

    void setKeyBits(const std::uint8_t *key, int bits) override;
    void wipe() override;
    void resetChain() override;
    void decryptCfb8(std::uint8_t *data, std::size_t length) override;
    QByteArray iv() const override;
    QByteArray chainValue() const override;

protected:
    using BlockCipher::BlockCipher;
    void encryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const final;

private:
    using Block = std::array<std::uint8_t, BlockBytes>;
    static constexpr Block filledBlock()
    {
        Block block{};
        block.fill(0xFF);
        return block;
    }

    Block m_iv = filledBlock();
    Block m_chain = filledBlock();
};

extern template class BlockCipherOf<DES_BLOCK_SIZE>;
extern template class BlockCipherOf<AES_BLOCK_SIZE>;

// Base of the DES family: the 8-byte key block, zero-padded, with the parity
// bit of each byte ignored.
class DesBase : public BlockCipherOf<DES_BLOCK_SIZE> {
public:
    static constexpr std::size_t kKeyBlockBytes = 8;

protected:
    using BlockCipherOf::BlockCipherOf;
    static std::array<std::uint8_t, kKeyBlockBytes> keyBlock(const std::uint8_t *key, int bits);
};

// Single DES (FIPS 46-3).
class Des : public DesBase {
public:
    Des() : DesBase(64) {}
    ~Des() override;

    void wipe() override;

protected:
    void initKey(const std::uint8_t *key, int bits) override;
    Primitive primitive() const override;

private:
    des_ctx m_subkeys{};
};

// Rijndael with a 128-bit block, that is AES (FIPS 197). The key block is 32
// bytes, zero-padded; up to 16 key bytes give 10 rounds, up to 24 give 12,
// more give 14.
class Aes256 : public BlockCipherOf<AES_BLOCK_SIZE> {
public:
    static constexpr std::size_t kKeyBlockBytes = 32;

    Aes256() : BlockCipherOf(256) {}
    ~Aes256() override;

    void wipe() override;

    int rounds() const { return m_rounds; } // Nr; 0 when not keyed

protected:
    void initKey(const std::uint8_t *key, int bits) override;
    Primitive primitive() const override;

private:
    int m_rounds = 0;
    aes128_ctx m_schedule128{};
    aes192_ctx m_schedule192{};
    aes256_ctx m_schedule256{};
};

} // namespace lovetest
