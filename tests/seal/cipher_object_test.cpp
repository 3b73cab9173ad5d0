// Keying, wiping and the failures of the cipher objects.
#include "hex.h"
#include "seal/ciphers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>

using namespace lovetest;
using lovetest::testing::bytes;
using lovetest::testing::hex;

namespace {

template <class Error>
void expectError(const std::function<void()> &call, const char *message)
{
    try {
        call();
        ADD_FAILURE() << "no error, expected \"" << message << "\"";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), message);
    }
}

using CipherFactory = std::function<std::unique_ptr<BlockCipher>()>;

struct CipherKind {
    const char *name;
    CipherFactory make;
    int maxKeyBits;
    int blockBytes;
};

void PrintTo(const CipherKind &c, std::ostream *os)
{
    *os << c.name;
}

class EachCipher : public ::testing::TestWithParam<CipherKind> {
protected:
    std::unique_ptr<BlockCipher> cipher = GetParam().make();
    const QByteArray key = QByteArray(32, '\x5A');
};

} // namespace

TEST_P(EachCipher, RefusesInvalidKeySizes)
{
    const int max = GetParam().maxKeyBits;
    for (int bits : {0, -8, 6, 62, max + 4, max + 8}) {
        expectError<CipherError>([&] { cipher->setKeyBits(bytes(key), bits); }, "Invalid key size");
        EXPECT_FALSE(cipher->isInitialized()) << bits;
    }
    for (int bits : {4, 60, max}) {
        cipher->setKeyBits(bytes(key), bits);
        EXPECT_TRUE(cipher->isInitialized()) << bits;
    }
}

TEST_P(EachCipher, InvalidKeySizeIsNoBlockCipherError)
{
    try {
        cipher->setKeyBits(bytes(key), 0);
    } catch (const BlockCipherError &) {
        FAIL() << "raised as a block cipher error";
    } catch (const CipherError &) {}
}

TEST_P(EachCipher, RefusesWorkWhileUnkeyed)
{
    QByteArray block(GetParam().blockBytes, '\0');
    QByteArray out(GetParam().blockBytes, '\0');
    const char *message = "Cipher not initialized";
    auto check = [&] {
        expectError<BlockCipherError>([&] { cipher->encryptBlock(bytes(block), bytes(out)); }, message);
        expectError<BlockCipherError>([&] { cipher->resetChain(); }, message);
        expectError<BlockCipherError>([&] { cipher->decryptCfb8(bytes(block), 0); }, message);
        expectError<BlockCipherError>([&] { cipher->decryptText(QByteArray()); }, message);
    };
    check(); // fresh
    cipher->keyFromText("key");
    cipher->wipe();
    check(); // wiped
}

TEST_P(EachCipher, WipeForgetsKeyAndChain)
{
    cipher->keyFromText("key");
    const QByteArray ff(GetParam().blockBytes, '\xFF');
    EXPECT_NE(cipher->iv(), ff);
    cipher->wipe();
    EXPECT_FALSE(cipher->isInitialized());
    EXPECT_EQ(cipher->iv(), ff);
    EXPECT_EQ(cipher->chainValue(), ff);
}

TEST_P(EachCipher, RekeyingStartsAfresh)
{
    // The chain moves on with decryption; keying again (without an explicit
    // Wipe) brings back the same IV, and resetChain returns to it.
    cipher->keyFromText("first");
    const QByteArray iv = cipher->iv();
    QByteArray data("some enciphered bytes");
    cipher->decryptCfb8(bytes(data), data.size());
    EXPECT_NE(cipher->chainValue(), iv);
    cipher->resetChain();
    EXPECT_EQ(cipher->chainValue(), iv);
    cipher->keyFromText("other");
    EXPECT_NE(cipher->iv(), iv);
    cipher->keyFromText("first");
    EXPECT_EQ(cipher->iv(), iv);
    EXPECT_EQ(cipher->chainValue(), iv);
}

INSTANTIATE_TEST_SUITE_P(
    Ciphers, EachCipher,
    ::testing::Values(CipherKind{"DES", [] { return std::unique_ptr<BlockCipher>(new Des); }, 64, 8},
                      CipherKind{"Rijndael", [] { return std::unique_ptr<BlockCipher>(new Aes256); }, 256, 16}),
    [](const ::testing::TestParamInfo<CipherKind> &param) { return std::string(param.param.name); });

TEST(Aes256Wipe, ClearsRoundCount)
{
    Aes256 aes;
    aes.keyFromText("key");
    aes.wipe();
    EXPECT_EQ(aes.rounds(), 0);
}

namespace {
// A cipher whose key expansion fails, to see what a failure inside keying
// from a text turns into.
class FailingDes : public Des {
protected:
    void initKey(const std::uint8_t *, int) override { throw std::bad_alloc(); }
};
} // namespace

TEST(keyFromText, ReplacesAnyFailureWithDigestMessage)
{
    FailingDes cipher;
    try {
        cipher.keyFromText("key");
        FAIL() << "no error";
    } catch (const BlockCipherError &) {
        FAIL() << "raised as a block cipher error";
    } catch (const CipherError &e) {
        EXPECT_STREQ(e.what(), "Unable to allocate sufficient memory for hash digest");
    }
    EXPECT_FALSE(cipher.isInitialized());
}
