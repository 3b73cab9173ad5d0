// The program key, the sealed data-key text and the data key they yield.
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <gtest/gtest.h>

using namespace lovetest;

namespace {

class KeyChainTest : public ::testing::Test {
protected:
    SealCodec codec;
    const QByteArray dataKey = SealCodec().unsealDataKey(sealedDataKeyText());
    // The data key as the program keys with it, read back from its slot.
    const QByteArray dataKeyText = dataKey + "\r\n";
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

TEST_F(KeyChainTest, DataKeyIsOnePrintableLineOf256Bytes)
{
    EXPECT_EQ(codec.unsealDataKey(sealedDataKeyText()), dataKey);
    EXPECT_EQ(dataKey.size(), 256);
    for (char c : dataKey)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}

TEST_F(KeyChainTest, SealedKeyReadWithCrLfUnsealsLikeTheBareLine)
{
    EXPECT_EQ(codec.unsealDataKey(sealedDataKeyText() + "\r\n"), dataKey);
}

TEST_F(KeyChainTest, UnsealingTheDataKeyBurnsAlsoWhenItFails)
{
    EXPECT_THROW(codec.unsealDataKey("QU D" + sealedDataKeyText()), SealedTextFormatError);
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}

TEST_F(KeyChainTest, SiteAddressUnsealsWithTheDataKey)
{
    EXPECT_EQ(codec.unsealField(dataKeyText, sealedSiteAddress()), "langyue-xinli.example");
}

TEST_F(KeyChainTest, ResealingTheDataKeyReproducesTheStoredText)
{
    EXPECT_EQ(sealText(dataKey, programKey()), sealedDataKeyText());
}

TEST_F(KeyChainTest, UnsealsAFieldSealedByAnIndependentImplementation)
{
    // Sealed outside this code base (AES-256 and DES from another library,
    // both in CFB8 from the encryption of the zero block) with the data key.
    EXPECT_EQ(codec.unsealField(dataKeyText, "cRxX1ClEZJ4ovHID07nLpY/DURs=").toHex(), "c0cad4c2206162630d0ab2e2cad4");
}
