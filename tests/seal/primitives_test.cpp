// Known-answer vectors of the block primitives, the hash and the feedback
// step: FIPS 180-4, FIPS 197 Appendix C, FIPS 46-3 and NIST SP 800-38A.
#include "hex.h"
#include "seal/ciphers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace lovetest;
using lovetest::testing::bytes;
using lovetest::testing::hex;

namespace {

QByteArray sha512(const QByteArray &message)
{
    Sha512 hash;
    hash.init();
    hash.update(message);
    QByteArray digest(64, '\0');
    hash.digest(bytes(digest));
    return digest;
}

QByteArray encryptOne(BlockCipher &cipher, const QByteArray &key, int bits, const QByteArray &plain)
{
    cipher.setKeyBits(bytes(key), bits);
    QByteArray out(plain.size(), '\0');
    cipher.encryptBlock(bytes(plain), bytes(out));
    return out;
}

} // namespace

TEST(Sha512, ReproducesFips180Vectors)
{
    EXPECT_EQ(sha512("abc").toHex(),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
              "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
    EXPECT_EQ(sha512("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                     "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu")
                  .toHex(),
              "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
              "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909");
    EXPECT_EQ(sha512("").toHex(),
              "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
              "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
}

TEST(Sha512, UpdatesInPiecesLikeOneMessage)
{
    Sha512 hash;
    hash.init();
    hash.update(QByteArray("a"));
    hash.update(QByteArray("bc"));
    QByteArray digest(64, '\0');
    hash.digest(bytes(digest));
    EXPECT_EQ(digest, sha512("abc"));
}

TEST(Sha512, RefusesUseBeforeInit)
{
    Sha512 hash;
    QByteArray digest(64, '\0');
    const auto expectNotInitialized = [](auto &&call) {
        try {
            call();
            FAIL() << "no error";
        } catch (const HashError &e) {
            EXPECT_STREQ(e.what(), "Hash not initialized");
        }
    };
    expectNotInitialized([&] { hash.update(QByteArray("abc")); });
    expectNotInitialized([&] { hash.digest(bytes(digest)); });
    hash.init();
    hash.digest(bytes(digest));
    // Final ends the computation; a new one needs Init again.
    expectNotInitialized([&] { hash.update(QByteArray("abc")); });
}

struct AesCase {
    int bits;
    const char *cipherText;
    int rounds;
};

void PrintTo(const AesCase &c, std::ostream *os)
{
    *os << c.bits << " bits";
}

class Aes256KeySizes : public ::testing::TestWithParam<AesCase> {};

// FIPS 197 C.1-C.3 key 000102..1f cut to the length, plus a 20-byte key that
// the zero-padded key block turns into a 192-bit one.
TEST_P(Aes256KeySizes, EncryptsFips197Block)
{
    const AesCase c = GetParam();
    Aes256 aes;
    const QByteArray key = hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    EXPECT_EQ(encryptOne(aes, key, c.bits, hex("00112233445566778899aabbccddeeff")).toHex(), c.cipherText);
    EXPECT_EQ(aes.rounds(), c.rounds);
}

INSTANTIATE_TEST_SUITE_P(Fips197, Aes256KeySizes,
                         ::testing::Values(AesCase{256, "8ea2b7ca516745bfeafc49904b496089", 14},
                                           AesCase{128, "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
                                           AesCase{192, "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
                                           AesCase{160, "66a6bef173a90d0cb72a2d01b8010509", 12}));

TEST(Des, ReproducesClassicVectors)
{
    Des des;
    EXPECT_EQ(encryptOne(des, hex("133457799BBCDFF1"), 64, hex("0123456789ABCDEF")).toHex(), "85e813540f0ab405");
    EXPECT_EQ(encryptOne(des, hex("0E329232EA6D0D73"), 64, hex("8787878787878787")).toHex(), "0000000000000000");
    // A shorter key fills the key block from the front, the rest stays zero.
    EXPECT_EQ(encryptOne(des, hex("13345779"), 32, hex("0123456789ABCDEF")).toHex(), "e548458c6acce9c4");
}

TEST(Des, IgnoresParityBits)
{
    QByteArray key = hex("133457799BBCDFF1");
    for (char &b : key)
        b = static_cast<char>(b ^ 0x01);
    Des des;
    EXPECT_EQ(encryptOne(des, key, 64, hex("0123456789ABCDEF")).toHex(), "85e813540f0ab405");
}

TEST(Cfb8, DecryptsSp80038aAes256Vector)
{
    // F.3.18 CFB8-AES256.Decrypt. The register holds the last 16 enciphered
    // bytes, so deciphering the vector's IV first brings the chain there.
    Aes256 aes;
    const QByteArray key = hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    aes.setKeyBits(bytes(key), 256);
    QByteArray iv = hex("000102030405060708090a0b0c0d0e0f");
    aes.decryptCfb8(bytes(iv), iv.size());
    ASSERT_EQ(aes.chainValue().toHex(), "000102030405060708090a0b0c0d0e0f");
    // Runs on one chain go on where the last stopped, an empty one included.
    QByteArray data = hex("dc1f1a8520a64db55fcc8ac554844e889700");
    aes.decryptCfb8(bytes(data), 7);
    EXPECT_EQ(aes.chainValue().toHex(), "0708090a0b0c0d0e0fdc1f1a8520a64d");
    aes.decryptCfb8(bytes(data) + 7, 0);
    aes.decryptCfb8(bytes(data) + 7, 11);
    EXPECT_EQ(data.toHex(), "6bc1bee22e409f96e93d7e117393172aae2d");
    EXPECT_EQ(aes.chainValue().toHex(), "1a8520a64db55fcc8ac554844e889700");
}

TEST(BlockCipherKeying, IvIsTheEncryptionOfTheZeroBlock)
{
    Aes256 aes;
    const QByteArray key = hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    aes.setKeyBits(bytes(key), 256);
    EXPECT_EQ(aes.iv().toHex(), "f29000b62a499fd0a9f39a6add2e7780");
    EXPECT_EQ(aes.chainValue(), aes.iv());
}

TEST(BlockCipherKeying, EmptyKeyTextKeysFromDigestOfEmptyMessage)
{
    // Expected IVs: DES under cf83e1357eefb8bd and AES-256 under the first
    // 32 bytes of SHA-512(""), each applied to the zero block.
    Des des;
    Aes256 aes;
    des.keyFromText(QByteArray());
    aes.keyFromText(QByteArray());
    EXPECT_EQ(des.iv().toHex(), "4d76cc212873729e");
    EXPECT_EQ(aes.iv().toHex(), "f0503bb8d57fd0815444710340de992e");
    EXPECT_EQ(aes.rounds(), 14);
}

struct ChainCase {
    const char *name;
    std::function<std::unique_ptr<BlockCipher>()> make;
    const char *iv;
    const char *chainAfterFirst;
    const char *plain;
};

void printTo(const ChainCase &c, std::ostream *os)
{
    *os << c.name;
}

class Cfb8Chain : public ::testing::TestWithParam<ChainCase> {};

// Two texts deciphered one after the other on one keying come out as the one
// stream they make together, the chain carrying over; the register holds the
// last enciphered bytes. Expected bytes from OpenSSL's DES-CFB8 and
// AES-256-CFB8 under the leading digest bytes of SHA-512("key").
TEST_P(Cfb8Chain, CarriesTheChainFromOneTextToTheNext)
{
    const ChainCase c = GetParam();
    const std::unique_ptr<BlockCipher> cipher = c.make();
    cipher->keyFromText("key");
    EXPECT_EQ(cipher->iv().toHex(), c.iv);
    QByteArray first("first");
    QByteArray second("and the second text");
    cipher->decryptCfb8(bytes(first), first.size());
    EXPECT_EQ(cipher->chainValue().toHex(), c.chainAfterFirst);
    cipher->decryptCfb8(bytes(second), second.size());
    EXPECT_EQ((first + second).toHex(), c.plain);
    const QByteArray stream("firstand the second text");
    EXPECT_EQ(cipher->chainValue(), stream.right(cipher->iv().size()));
}

INSTANTIATE_TEST_SUITE_P(
    OpenSsl, Cfb8Chain,
    ::testing::Values(ChainCase{"DES", [] { return std::unique_ptr<BlockCipher>(new Des); }, "9350b30afee9247c",
                                "e9247c6669727374", "e956065a752d78b07ae547603a2aa08c6ac61e16dc9f42d0"},
                      ChainCase{"Rijndael", [] { return std::unique_ptr<BlockCipher>(new Aes256); },
                                "74f65423a13cf4dc2e57ea07ec5e432e", "3cf4dc2e57ea07ec5e432e6669727374",
                                "db9f92b92914b16d85ddccc6ab12a39dd2e92e3f7981ea60"}),
    [](const ::testing::TestParamInfo<ChainCase> &param) { return std::string(param.param.name); });
