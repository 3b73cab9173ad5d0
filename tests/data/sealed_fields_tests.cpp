// The key chain as the program keeps it in its two text slots.
#include "data/sealed_fields.h"
#include "data/text_slot.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"

#include <gtest/gtest.h>

using namespace lovetest;

namespace {

class KeySlots : public ::testing::Test {
protected:
    SealCodec codec;
    TextSlot sealedKeySlot; // holds the one line the program stores
    TextSlot dataKeySlot;

    void SetUp() override { sealedKeySlot.store(sealedDataKeyText()); }

    QByteArray refreshedKeyText()
    {
        refreshDataKey(codec, sealedKeySlot, dataKeySlot);
        return dataKeySlot.read();
    }
};

} // namespace

TEST_F(KeySlots, RefreshStoresOnePrintableLineOf256Bytes)
{
    // The sealed text is unsealed as its slot reads it, with CR LF.
    ASSERT_EQ(sealedKeySlot.read(), sealedDataKeyText() + "\r\n");
    dataKeySlot.store("stale\r\nlines");
    refreshDataKey(codec, sealedKeySlot, dataKeySlot);
    ASSERT_EQ(dataKeySlot.lines().size(), 1);
    const QByteArray dataKey = dataKeySlot.lines().first();
    EXPECT_EQ(dataKey.size(), 256);
    EXPECT_EQ(dataKey, codec.unsealDataKey(sealedDataKeyText()));
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}

TEST_F(KeySlots, FailedRefreshLeavesNoDataKey)
{
    dataKeySlot.store("stale");
    sealedKeySlot.store("QU D" + sealedDataKeyText());
    EXPECT_THROW(refreshDataKey(codec, sealedKeySlot, dataKeySlot), SealedTextFormatError);
    EXPECT_TRUE(dataKeySlot.isEmpty());
    EXPECT_FALSE(codec.aes256.isInitialized());
    EXPECT_FALSE(codec.des.isInitialized());
}

TEST_F(KeySlots, SealingToolUsesTheRefreshedKeyText)
{
    const QByteArray keyText = refreshedKeyText();
    EXPECT_EQ(deriveDataKeyText(), keyText);
    EXPECT_EQ(keyText.size(), 258);
    EXPECT_TRUE(keyText.endsWith("\r\n"));

    const QByteArray plain("\xC0\xCA\xD4\xC2 abc\r\n\xB2\xE2\xCA\xD4"); // 朗月 abc CR LF 测试
    EXPECT_EQ(codec.unsealField(dataKeySlot.read(), sealText(plain, keyText)), plain);
    EXPECT_EQ(codec.unsealField(keyText, sealedSiteAddress()), "langyue-xinli.example");
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

class DataKeyLines : public KeySlots, public ::testing::WithParamInterface<DataKeyCase> {};

TEST_P(DataKeyLines, KeyAsTheSlotReadsIt)
{
    const DataKeyCase c = GetParam();
    sealedKeySlot.store(sealText(c.unsealed, programKey()));
    EXPECT_EQ(refreshedKeyText(), QByteArray(c.keyedAs));

    const QByteArray field = sealText("value", c.keyedAs);
    EXPECT_EQ(codec.unsealField(dataKeySlot.read(), field), "value");
}

INSTANTIATE_TEST_SUITE_P(Breaks, DataKeyLines,
                         ::testing::Values(DataKeyCase{"key", "key\r\n"}, DataKeyCase{"key\r\n", "key\r\n"},
                                           DataKeyCase{"first\r\nsecond", "first\r\nsecond\r\n"},
                                           DataKeyCase{"first\nsecond\r", "first\r\nsecond\r\n"}, DataKeyCase{"", ""}));
