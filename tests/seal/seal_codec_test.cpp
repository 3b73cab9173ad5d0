// Sealing and unsealing with the codec's two ciphers, and their chaining.
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <gtest/gtest.h>

#include <QList>

using namespace lovetest;

namespace {

const QByteArray kKeyText("sample key\r\n");

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(i));
    return bytes;
}

bool isBase64(const QByteArray &text)
{
    for (char c : text)
        if (!QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=").contains(c))
            return false;
    return true;
}

// Base64 of Base64: 4 * ceil(4 * ceil(n / 3) / 3) characters.
qsizetype sealedLength(qsizetype plainBytes)
{
    const qsizetype inner = 4 * ((plainBytes + 2) / 3);
    return 4 * ((inner + 2) / 3);
}

class SealCodecTest : public ::testing::Test {
protected:
    SealCodec codec;
    const QByteArray plain = QByteArray("\xC0\xCA\xD4\xC2\xB0\xAE\xC7\xE9 test"); // 朗月爱情 in code page 936
    const QByteArray sealed = sealText(plain, kKeyText);
};

} // namespace

TEST(SealRoundTrip, UnsealsWhatWasSealed)
{
    const QList<QByteArray> plains = {
        QByteArray(),
        QByteArray("A"),
        QByteArray("langyue-xinli.example"),
        QByteArray("\xC4\xE3\xCF\xB2\xBB\xB6\xCB\xFB\xC2\xF0\xA3\xBF"), // 你喜欢他吗？
        QByteArray("line one\r\nline two\r\n"),
        allByteValues(),
        QByteArray(1000, 'x'),
    };
    for (const QByteArray &key : {kKeyText, QByteArray()}) {
        for (const QByteArray &p : plains) {
            const QByteArray sealed = sealText(p, key);
            EXPECT_TRUE(isBase64(sealed)) << sealed.constData();
            EXPECT_EQ(sealed.size(), sealedLength(p.size()));
            SealCodec codec;
            codec.setSealKey(key);
            EXPECT_EQ(codec.unsealText(sealed), p) << p.toHex().constData();
        }
    }
}

TEST(SealRoundTrip, SealedLengthsOfTheFixedTexts)
{
    EXPECT_EQ(sealedLength(256), 460); // the data key
    EXPECT_EQ(sealedLength(19), 40); // site addresses of 19 to 21 bytes
    EXPECT_EQ(sealedLength(21), 40);
}

TEST_F(SealCodecTest, KeysAes256)
{
    codec.setSealKey(kKeyText);
    EXPECT_EQ(codec.aes256.rounds(), 14);
    EXPECT_TRUE(codec.des.isInitialized());
}

TEST_F(SealCodecTest, WrongKeyYieldsOtherBytesWithoutError)
{
    codec.setSealKey("sample key");
    EXPECT_NE(codec.unsealText(sealed), plain);
}

TEST_F(SealCodecTest, EmptyTextLeavesChainsUnchanged)
{
    codec.setSealKey(kKeyText);
    const QByteArray desChain = codec.des.chainValue();
    const QByteArray aesChain = codec.aes256.chainValue();
    EXPECT_EQ(codec.unsealText(QByteArray()), QByteArray());
    EXPECT_EQ(codec.des.chainValue(), desChain);
    EXPECT_EQ(codec.aes256.chainValue(), aesChain);
    EXPECT_EQ(codec.unsealText(sealed), plain);
}

TEST_F(SealCodecTest, SecondUnsealOnOneKeyingGoesOnFromTheChain)
{
    codec.setSealKey(kKeyText);
    EXPECT_EQ(codec.unsealText(sealed), plain);
    EXPECT_NE(codec.unsealText(sealed), plain);
}

TEST_F(SealCodecTest, KeyingAgainStartsFromTheIv)
{
    codec.setSealKey(kKeyText);
    EXPECT_EQ(codec.unsealText(sealed), plain);
    codec.setSealKey(kKeyText);
    EXPECT_EQ(codec.unsealText(sealed), plain);
}

TEST_F(SealCodecTest, RefusesToUnsealWithoutKey)
{
    const auto expectNotInitialized = [&](const QByteArray &text) {
        try {
            codec.unsealText(text);
            ADD_FAILURE() << "no error";
        } catch (const BlockCipherError &e) {
            EXPECT_STREQ(e.what(), "Cipher not initialized");
        }
    };
    expectNotInitialized(QByteArray());
    codec.setSealKey(kKeyText);
    codec.burnCiphers();
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
    expectNotInitialized(QByteArray());
    expectNotInitialized(sealed);
}

TEST_F(SealCodecTest, FieldBracketUnsealsAndBurns)
{
    EXPECT_EQ(codec.unsealField(kKeyText, sealed), plain);
    EXPECT_EQ(codec.unsealField(kKeyText, sealed), plain); // keyed afresh each time
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}

TEST_F(SealCodecTest, FieldBracketBurnsWhenUnsealingFails)
{
    EXPECT_THROW(codec.unsealField(kKeyText, "QU D" + sealed), SealedTextFormatError);
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}
