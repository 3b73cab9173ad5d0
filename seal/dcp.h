#pragma once
// The cipher and hash objects of the sealed text codec. The block primitives
// come from nettle; keying from a text, the IV rule, the 8-bit cipher feedback
// step and wiping are ours.
#include "seal/cipher_errors.h"
#include "seal/unpack_base64.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

#include <nettle/aes.h>
#include <nettle/des.h>
#include <nettle/sha2.h>

namespace lovetest {

// ---------------------------------------------------------------- hashes

class TDCP_hash {
public:
    virtual ~TDCP_hash() = default;
    TDCP_hash(const TDCP_hash &) = delete;
    TDCP_hash &operator=(const TDCP_hash &) = delete;

    virtual int Id() const = 0;
    virtual QString Algorithm() const = 0;
    virtual int HashSize() const = 0; // digest size in bits

    virtual void Init() = 0;
    virtual void Update(const std::uint8_t *data, std::size_t length) = 0;
    void Update(const QByteArray &bytes);
    // Writes HashSize()/8 bytes and leaves the object not initialised.
    virtual void Final(std::uint8_t *digest) = 0;
    virtual void Burn();

    bool Initialized() const { return m_initialized; }

protected:
    TDCP_hash() = default;
    void RequireInitialized() const;
    bool m_initialized = false;
};

class TDCP_sha512base : public TDCP_hash {
public:
    ~TDCP_sha512base() override;
    void Update(const std::uint8_t *data, std::size_t length) override;
    using TDCP_hash::Update;
    void Burn() override;

protected:
    sha512_ctx m_state{};
};

class TDCP_sha512 : public TDCP_sha512base {
public:
    int Id() const override { return 30; }
    QString Algorithm() const override { return QStringLiteral("SHA512"); }
    int HashSize() const override { return 512; }
    void Init() override;
    void Final(std::uint8_t *digest) override;
};

// --------------------------------------------------------------- ciphers

class TDCP_cipher {
public:
    virtual ~TDCP_cipher() = default;
    TDCP_cipher(const TDCP_cipher &) = delete;
    TDCP_cipher &operator=(const TDCP_cipher &) = delete;

    virtual int Id() const = 0;
    virtual QString Algorithm() const = 0;
    virtual int MaxKeySize() const = 0; // in bits

    bool Initialized() const { return m_keyed; }

    // Keys from the SHA-512 digest of text (all its bytes, no terminator):
    // as many leading digest bits as the cipher takes, at most 512.
    void KeyFromText(const QByteArray &text);
    // Keys from the first bits/8 bytes of key; bits must be a positive
    // multiple of 4 not above MaxKeySize().
    virtual void SetKeyBits(const std::uint8_t *key, int bits);
    // Forgets the key.
    virtual void Wipe();

protected:
    TDCP_cipher() = default;
    // Expands the key for the primitive.
    virtual void InitKey(const std::uint8_t *key, int bits) = 0;

private:
    bool m_keyed = false;
};

class TDCP_blockcipher : public TDCP_cipher {
public:
    virtual int BlockSize() const = 0; // in bits

    // The primitive's forward transformation of one block.
    void EncryptBlock(const std::uint8_t *in, std::uint8_t *out) const;
    virtual void ResetChain() = 0;
    // 8-bit cipher feedback decryption in place, going on from the current
    // chaining value.
    virtual void DecryptCfb8(std::uint8_t *data, std::size_t length) = 0;
    // UnpackBase64, then DecryptCfb8.
    QByteArray DecryptText(const QByteArray &text, ForeignCharacters foreign = ForeignCharacters::Reject);

    // Read-only views of the chaining state (one block each).
    virtual QByteArray IV() const = 0;
    virtual QByteArray ChainValue() const = 0;

protected:
    void RequireKeyed() const;
    virtual void EncryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const = 0;
};

class TDCP_blockcipher64 : public TDCP_blockcipher {
public:
    static constexpr std::size_t kBlockBytes = 8;

    int BlockSize() const override { return 64; }
    void SetKeyBits(const std::uint8_t *key, int bits) override;
    void Wipe() override;
    void ResetChain() override;
    void DecryptCfb8(std::uint8_t *data, std::size_t length) override;
    QByteArray IV() const override;
    QByteArray ChainValue() const override;

private:
    std::array<std::uint8_t, kBlockBytes> m_iv = filledBlock();
    std::array<std::uint8_t, kBlockBytes> m_chain = filledBlock();
    static std::array<std::uint8_t, kBlockBytes> filledBlock();
};

class TDCP_blockcipher128 : public TDCP_blockcipher {
public:
    static constexpr std::size_t kBlockBytes = 16;

    int BlockSize() const override { return 128; }
    void SetKeyBits(const std::uint8_t *key, int bits) override;
    void Wipe() override;
    void ResetChain() override;
    void DecryptCfb8(std::uint8_t *data, std::size_t length) override;
    QByteArray IV() const override;
    QByteArray ChainValue() const override;

private:
    std::array<std::uint8_t, kBlockBytes> m_iv = filledBlock();
    std::array<std::uint8_t, kBlockBytes> m_chain = filledBlock();
    static std::array<std::uint8_t, kBlockBytes> filledBlock();
};

// Base of the DES family: the 8-byte key block, zero-padded, with the parity
// bit of each byte ignored.
class TDCP_customdes : public TDCP_blockcipher64 {
public:
    static constexpr std::size_t kKeyBlockBytes = 8;

protected:
    static std::array<std::uint8_t, kKeyBlockBytes> KeyBlock(const std::uint8_t *key, int bits);
};

// Single DES (FIPS 46-3).
class TDCP_des : public TDCP_customdes {
public:
    TDCP_des() = default;
    ~TDCP_des() override;

    int Id() const override { return 23; }
    QString Algorithm() const override { return QStringLiteral("DES"); }
    int MaxKeySize() const override { return 64; }
    void Wipe() override;

protected:
    void InitKey(const std::uint8_t *key, int bits) override;
    void EncryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const override;

private:
    des_ctx m_subkeys{};
};

// Rijndael with a 128-bit block, that is AES (FIPS 197). The key block is 32
// bytes, zero-padded; up to 16 key bytes give 10 rounds, up to 24 give 12,
// more give 14.
class TDCP_rijndael : public TDCP_blockcipher128 {
public:
    static constexpr std::size_t kKeyBlockBytes = 32;

    TDCP_rijndael() = default;
    ~TDCP_rijndael() override;

    int Id() const override { return 9; }
    QString Algorithm() const override { return QStringLiteral("Rijndael"); }
    int MaxKeySize() const override { return 256; }
    void Wipe() override;

    int Rounds() const { return m_rounds; } // Nr; 0 when not keyed

protected:
    void InitKey(const std::uint8_t *key, int bits) override;
    void EncryptPrimitive(const std::uint8_t *in, std::uint8_t *out) const override;

private:
    int m_rounds = 0;
    aes128_ctx m_schedule128{};
    aes192_ctx m_schedule192{};
    aes256_ctx m_schedule256{};
};

} // namespace lovetest
