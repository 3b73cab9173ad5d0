#include "seal/unpack_base64.h"

#include <gtest/gtest.h>

using namespace lovetest;

struct UnpackCase {
    const char *text;
    const char *bytesHex;
};

void PrintTo(const UnpackCase &c, std::ostream *os)
{
    *os << (*c.text ? c.text : "(empty)");
}

class UnpackBase64Cases : public ::testing::TestWithParam<UnpackCase> {};

TEST_P(UnpackBase64Cases, Decodes)
{
    const UnpackCase c = GetParam();
    EXPECT_EQ(unpackBase64(QByteArray(c.text)).toHex(), QByteArray(c.bytesHex)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Groups, UnpackBase64Cases,
                         ::testing::Values(UnpackCase{"", ""}, UnpackCase{"QUJ", ""}, // shorter than one group
                                           UnpackCase{"QUJD", "414243"}, // no pad: three bytes
                                           UnpackCase{"QUI=", "4142"}, // one "=": two bytes
                                           UnpackCase{"QQ==", "41"}, // "==": one byte
                                           UnpackCase{"QQ=A", "41"}, // "=" third decides alone
                                           UnpackCase{"QUJDR", "414243"}, // 1-3 trailing characters ignored
                                           UnpackCase{"QUJDRA", "414243"}, UnpackCase{"QUJDREU", "414243"},
                                           UnpackCase{"QQ==QUJD", "41414243"}, // decoding goes on after "="
                                           UnpackCase{"QUI=QQ==QUI=", "4142414142"},
                                           UnpackCase{"Q=QQ", "4ff410"}, // "=" counts as 255, shifts modulo 256
                                           UnpackCase{"====", "ff"}, UnpackCase{"+/+/", "fbffbf"}));

TEST(unpackBase64, IgnoresAnyTailAfterTheLastGroup)
{
    // The sealed key slot reads back with CR LF; the tail is never examined.
    EXPECT_EQ(unpackBase64("QUJD\r\n"), "ABC");
    EXPECT_EQ(unpackBase64("QUJD \x01\xC0"), "ABC");
}

TEST(unpackBase64, RejectsForeignCharacterInsideAGroup)
{
    for (const QByteArray &text : {QByteArray("QU D"), QByteArray("QUJDQ\nQQ"), QByteArray("QUJD\xC0QQQ"),
                                   QByteArray("QUJ-"), QByteArray("QUJ\0", 4)}) {
        EXPECT_THROW(unpackBase64(text), SealedTextFormatError) << text.toHex().constData();
        EXPECT_THROW(unpackBase64(text), CipherError);
    }
}

TEST(unpackBase64, CanCountForeignCharactersAsZero)
{
    EXPECT_EQ(unpackBase64("Q\x01\xC0 QQ==", ForeignCharacters::CountAsZero), unpackBase64("QAAAQQ=="));
}

TEST(unpackBase64, RejectionNamesCharacterAndOffset)
{
    try {
        unpackBase64("QUJDQU D");
        FAIL() << "no error";
    } catch (const SealedTextFormatError &e) {
        EXPECT_STREQ(e.what(), "Sealed text holds a character outside Base64: ' ' at offset 6");
    }
    try {
        unpackBase64("Q\rJD");
        FAIL() << "no error";
    } catch (const SealedTextFormatError &e) {
        EXPECT_STREQ(e.what(), "Sealed text holds a character outside Base64: 0x0D at offset 1");
    }
}
