// Sealing and unsealing with the codec's two ciphers, and their chaining.
#include "data/text_slot.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <gtest/gtest.h>

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
    const QByteArray sealed = SealText(plain, kKeyText);
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
            const QByteArray sealed = SealText(p, key);
            EXPECT_TRUE(isBase64(sealed)) << sealed.constData();
            EXPECT_EQ(sealed.size(), sealedLength(p.size()));
            SealCodec codec;
            codec.SetSealKey(key);
            EXPECT_EQ(codec.UnsealText(sealed), p) << p.toHex().constData();
        }
    }
}

TEST(SealRoundTrip, SealedLengthsOfTheFixedTexts)
{
    EXPECT_EQ(sealedLength(256), 460); // the data key
    EXPECT_EQ(sealedLength(19), 40);   // site addresses of 19 to 21 bytes
    EXPECT_EQ(sealedLength(21), 40);
}

TEST_F(SealCodecTest, KeysRijndaelAsAes256)
{
    codec.SetSealKey(kKeyText);
    EXPECT_EQ(codec.DCP_rijndael1.Rounds(), 14);
    EXPECT_TRUE(codec.DCP_des1.Initialized());
}

TEST_F(SealCodecTest, WrongKeyYieldsOtherBytesWithoutError)
{
    codec.SetSealKey("sample key");
    EXPECT_NE(codec.UnsealText(sealed), plain);
}

TEST_F(SealCodecTest, EmptyTextLeavesChainsUnchanged)
{
    codec.SetSealKey(kKeyText);
    const QByteArray desChain = codec.DCP_des1.ChainValue();
    const QByteArray aesChain = codec.DCP_rijndael1.ChainValue();
    EXPECT_EQ(codec.UnsealText(QByteArray()), QByteArray());
    EXPECT_EQ(codec.DCP_des1.ChainValue(), desChain);
    EXPECT_EQ(codec.DCP_rijndael1.ChainValue(), aesChain);
    EXPECT_EQ(codec.UnsealText(sealed), plain);
}

TEST_F(SealCodecTest, SecondUnsealOnOneKeyingGoesOnFromTheChain)
{
    codec.SetSealKey(kKeyText);
    EXPECT_EQ(codec.UnsealText(sealed), plain);
    EXPECT_NE(codec.UnsealText(sealed), plain);
}

TEST_F(SealCodecTest, KeyingAgainStartsFromTheIv)
{
    codec.SetSealKey(kKeyText);
    EXPECT_EQ(codec.UnsealText(sealed), plain);
    codec.SetSealKey(kKeyText);
    EXPECT_EQ(codec.UnsealText(sealed), plain);
}

TEST_F(SealCodecTest, RefusesToUnsealWithoutKey)
{
    const auto expectNotInitialized = [&](const QByteArray &text) {
        try {
            codec.UnsealText(text);
            ADD_FAILURE() << "no error";
        } catch (const EDCP_blockcipher &e) {
            EXPECT_STREQ(e.what(), "Cipher not initialized");
        }
    };
    expectNotInitialized(QByteArray());
    codec.SetSealKey(kKeyText);
    codec.BurnCiphers();
    EXPECT_FALSE(codec.DCP_rijndael1.Initialized());
    EXPECT_FALSE(codec.DCP_des1.Initialized());
    expectNotInitialized(QByteArray());
    expectNotInitialized(sealed);
}

TEST_F(SealCodecTest, FieldBracketUnsealsAndBurns)
{
    TextSlot keySlot;
    keySlot.store("sample key");
    EXPECT_EQ(codec.unsealField(keySlot, sealed), plain);
    EXPECT_EQ(codec.unsealField(keySlot, sealed), plain); // keyed afresh each time
    EXPECT_FALSE(codec.DCP_rijndael1.Initialized());
    EXPECT_FALSE(codec.DCP_des1.Initialized());
}

TEST_F(SealCodecTest, FieldBracketBurnsWhenUnsealingFails)
{
    TextSlot keySlot;
    keySlot.store("sample key");
    EXPECT_THROW(codec.unsealField(keySlot, "QU D" + sealed), ESealedTextFormat);
    EXPECT_FALSE(codec.DCP_rijndael1.Initialized());
    EXPECT_FALSE(codec.DCP_des1.Initialized());
}
