// Keying, wiping and the failures of the cipher objects.
#include "hex.h"
#include "seal/dcp.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

using CipherFactory = std::function<std::unique_ptr<TDCP_blockcipher>()>;

struct CipherKind {
    const char *name;
    CipherFactory make;
    int id;
    int maxKeyBits;
    int blockBytes;
};

void PrintTo(const CipherKind &c, std::ostream *os)
{
    *os << c.name;
}

class EachCipher : public ::testing::TestWithParam<CipherKind> {
protected:
    std::unique_ptr<TDCP_blockcipher> cipher = GetParam().make();
    const QByteArray key = QByteArray(32, '\x5A');
};

} // namespace

TEST_P(EachCipher, NamesItself)
{
    EXPECT_EQ(cipher->Id(), GetParam().id);
    EXPECT_EQ(cipher->Algorithm(), GetParam().name);
    EXPECT_EQ(cipher->MaxKeySize(), GetParam().maxKeyBits);
    EXPECT_EQ(cipher->BlockSize(), GetParam().blockBytes * 8);
}

TEST_P(EachCipher, RefusesInvalidKeySizes)
{
    const int max = GetParam().maxKeyBits;
    for (int bits : {0, -8, 6, 62, max + 4, max + 8}) {
        expectError<EDCP_cipher>([&] { cipher->SetKeyBits(bytes(key), bits); }, "Invalid key size");
        EXPECT_FALSE(cipher->Initialized()) << bits;
    }
    for (int bits : {4, 60, max}) {
        cipher->SetKeyBits(bytes(key), bits);
        EXPECT_TRUE(cipher->Initialized()) << bits;
    }
}

TEST_P(EachCipher, InvalidKeySizeIsNoBlockCipherError)
{
    try {
        cipher->SetKeyBits(bytes(key), 0);
    } catch (const EDCP_blockcipher &) {
        FAIL() << "raised as a block cipher error";
    } catch (const EDCP_cipher &) {
    }
}

TEST_P(EachCipher, RefusesWorkWhileUnkeyed)
{
    QByteArray block(GetParam().blockBytes, '\0');
    QByteArray out(GetParam().blockBytes, '\0');
    const char *message = "Cipher not initialized";
    auto check = [&] {
        expectError<EDCP_blockcipher>([&] { cipher->EncryptBlock(bytes(block), bytes(out)); }, message);
        expectError<EDCP_blockcipher>([&] { cipher->ResetChain(); }, message);
        expectError<EDCP_blockcipher>([&] { cipher->DecryptCfb8(bytes(block), 0); }, message);
        expectError<EDCP_blockcipher>([&] { cipher->DecryptText(QByteArray()); }, message);
    };
    check(); // fresh
    cipher->KeyFromText("key");
    cipher->Wipe();
    check(); // wiped
}

TEST_P(EachCipher, WipeForgetsKeyAndChain)
{
    cipher->KeyFromText("key");
    const QByteArray ff(GetParam().blockBytes, '\xFF');
    EXPECT_NE(cipher->IV(), ff);
    cipher->Wipe();
    EXPECT_FALSE(cipher->Initialized());
    EXPECT_EQ(cipher->IV(), ff);
    EXPECT_EQ(cipher->ChainValue(), ff);
}

TEST_P(EachCipher, RekeyingStartsAfresh)
{
    // The chain moves on with decryption; keying again (without an explicit
    // Wipe) brings back the same IV, and ResetChain returns to it.
    cipher->KeyFromText("first");
    const QByteArray iv = cipher->IV();
    QByteArray data("some enciphered bytes");
    cipher->DecryptCfb8(bytes(data), data.size());
    EXPECT_NE(cipher->ChainValue(), iv);
    cipher->ResetChain();
    EXPECT_EQ(cipher->ChainValue(), iv);
    cipher->KeyFromText("other");
    EXPECT_NE(cipher->IV(), iv);
    cipher->KeyFromText("first");
    EXPECT_EQ(cipher->IV(), iv);
    EXPECT_EQ(cipher->ChainValue(), iv);
}

INSTANTIATE_TEST_SUITE_P(
    Ciphers, EachCipher,
    ::testing::Values(
        CipherKind{"DES", [] { return std::unique_ptr<TDCP_blockcipher>(new TDCP_des); }, 23, 64, 8},
        CipherKind{"Rijndael", [] { return std::unique_ptr<TDCP_blockcipher>(new TDCP_rijndael); }, 9, 256, 16}),
    [](const ::testing::TestParamInfo<CipherKind> &info) { return std::string(info.param.name); });

TEST(RijndaelWipe, ClearsRoundCount)
{
    TDCP_rijndael aes;
    aes.KeyFromText("key");
    aes.Wipe();
    EXPECT_EQ(aes.Rounds(), 0);
}

namespace {
// A cipher whose maximum makes the digest length an invalid key size, to see
// what a failure inside keying from a text turns into.
class OddSizedDes : public TDCP_des {
public:
    int MaxKeySize() const override { return 62; }
};
} // namespace

TEST(KeyFromText, ReplacesAnyFailureWithDigestMessage)
{
    OddSizedDes cipher;
    try {
        cipher.KeyFromText("key");
        FAIL() << "no error";
    } catch (const EDCP_blockcipher &) {
        FAIL() << "raised as a block cipher error";
    } catch (const EDCP_cipher &e) {
        EXPECT_STREQ(e.what(), "Unable to allocate sufficient memory for hash digest");
    }
    EXPECT_FALSE(cipher.Initialized());
}
