// The program key, the sealed data-key text and the data key they yield.
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <gtest/gtest.h>

using namespace lovetest;

namespace {

class KeyChainTest : public ::testing::Test {
protected:
    SealCodec codec;
    TextSlot sealedKeySlot; // holds the one line the program stores
    TextSlot dataKeySlot;

    void SetUp() override { sealedKeySlot.store(sealedDataKeyText()); }

    QByteArray refreshedKeyText()
    {
        codec.RefreshDataKey(sealedKeySlot, dataKeySlot);
        return dataKeySlot.read();
    }
};

} // namespace

TEST(FixedTexts, HaveTheirShapes)
{
    const QByteArray key = programKey();
    EXPECT_EQ(key.size(), 36);
    for (char c : key)
        EXPECT_TRUE(c > 0x20 && c < 0x7F) << int(c);
    EXPECT_EQ(sealedDataKeyText().size(), 460);
    EXPECT_EQ(sealedSiteAddress().size(), 40);
}

TEST_F(KeyChainTest, RefreshStoresOnePrintableLineOf256Bytes)
{
    dataKeySlot.store("stale\r\nlines");
    codec.RefreshDataKey(sealedKeySlot, dataKeySlot);
    ASSERT_EQ(dataKeySlot.lines().size(), 1);
    const QByteArray dataKey = dataKeySlot.lines().first();
    EXPECT_EQ(dataKey.size(), 256);
    for (char c : dataKey)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    EXPECT_FALSE(codec.DCP_rijndael1.Initialized());
    EXPECT_FALSE(codec.DCP_des1.Initialized());
}

TEST_F(KeyChainTest, SealedKeyReadWithCrLfUnsealsLikeTheBareLine)
{
    ASSERT_EQ(sealedKeySlot.read(), sealedDataKeyText() + "\r\n");
    codec.SetSealKey(programKey());
    const QByteArray withCrLf = codec.UnsealText(sealedKeySlot.read());
    codec.SetSealKey(programKey());
    EXPECT_EQ(codec.UnsealText(sealedDataKeyText()), withCrLf);
}

TEST_F(KeyChainTest, SiteAddressUnsealsWithTheDataKey)
{
    refreshedKeyText();
    EXPECT_EQ(codec.unsealField(dataKeySlot, sealedSiteAddress()), "langyue-xinli.example");
}

TEST_F(KeyChainTest, ResealingTheDataKeyReproducesTheStoredText)
{
    refreshedKeyText();
    EXPECT_EQ(SealText(dataKeySlot.lines().first(), programKey()), sealedDataKeyText());
}

TEST_F(KeyChainTest, SealingToolUsesTheRefreshedKeyText)
{
    const QByteArray keyText = refreshedKeyText();
    EXPECT_EQ(deriveDataKeyText(), keyText);
    EXPECT_EQ(keyText.size(), 258);
    EXPECT_TRUE(keyText.endsWith("\r\n"));

    const QByteArray plain("\xC0\xCA\xD4\xC2 abc\r\n\xB2\xE2\xCA\xD4"); // 朗月 abc CR LF 测试
    EXPECT_EQ(sealField(plain), SealText(plain, keyText));
    EXPECT_EQ(codec.unsealField(dataKeySlot, sealField(plain)), plain);
}

TEST_F(KeyChainTest, UnsealsAFieldSealedByAnIndependentImplementation)
{
    // Sealed outside this code base (AES-256 and DES from another library,
    // both in CFB8 from the encryption of the zero block) with the data key.
    refreshedKeyText();
    EXPECT_EQ(codec.unsealField(dataKeySlot, "cRxX1ClEZJ4ovHID07nLpY/DURs=").toHex(),
              "c0cad4c2206162630d0ab2e2cad4");
}

// A data key is keyed as the slot reads it back: its lines, each followed by
// CR LF, whatever line breaks the unsealed text had.
struct DataKeyCase {
    const char *unsealed;
    const char *keyedAs;
};

void PrintTo(const DataKeyCase &c, std::ostream *os)
{
    *os << (*c.unsealed ? QByteArray(c.unsealed).toPercentEncoding().constData() : "(empty)");
}

class DataKeyLines : public KeyChainTest, public ::testing::WithParamInterface<DataKeyCase> {};

TEST_P(DataKeyLines, KeyAsTheSlotReadsIt)
{
    const DataKeyCase c = GetParam();
    sealedKeySlot.store(SealText(c.unsealed, programKey()));
    EXPECT_EQ(refreshedKeyText(), QByteArray(c.keyedAs));

    const QByteArray field = SealText("value", c.keyedAs);
    EXPECT_EQ(codec.unsealField(dataKeySlot, field), "value");
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, DataKeyLines,
    ::testing::Values(DataKeyCase{"key", "key\r\n"},
                      DataKeyCase{"key\r\n", "key\r\n"},
                      DataKeyCase{"first\r\nsecond", "first\r\nsecond\r\n"},
                      DataKeyCase{"first\nsecond\r", "first\r\nsecond\r\n"},
                      DataKeyCase{"", ""}));
