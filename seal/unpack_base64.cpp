#include "unpack_base64.h"

#include "seal/cipher_errors.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include <QString>

namespace lovetest {
namespace {

constexpr std::uint8_t kPad = 255;
constexpr std::uint8_t kInvalid = 254;

constexpr std::array<std::uint8_t, 256> makeDecodeTable()
{
    std::array<std::uint8_t, 256> table{};
    table.fill(kInvalid);
    const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint8_t value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(alphabet[value])] = value;
    table[static_cast<unsigned char>('=')] = kPad;
    return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = makeDecodeTable();

[[noreturn]] void rejectCharacter(unsigned char c, qsizetype offset)
{
    char shown[8];
    if (c >= 0x20 && c < 0x7F)
        std::snprintf(shown, sizeof shown, "'%c'", c);
    else
        std::snprintf(shown, sizeof shown, "0x%02X", c);
    rejectSealedText(shown, offset);
}

bool isBase64Character(char32_t c)
{
    return c < 0x80 && kDecode[c] != kInvalid;
}

} // namespace

void rejectSealedText(const std::string &shown, qsizetype offset)
{
    throw SealedTextFormatError("Sealed text holds a character outside Base64: " + shown + " at offset " +
                                std::to_string(offset));
}

void rejectForeignText(const QString &text)
{
    const qsizetype grouped = text.size() / 4 * 4;
    for (qsizetype i = 0; i < grouped; ++i) {
        const QChar c = text[i];
        if (isBase64Character(c.unicode()))
            continue;
        // Only a character beyond Latin-1 needs naming here; the decoder names
        // the others as it meets them.
        if (c.unicode() <= 0xFF)
            return;
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        rejectSealedText("'" + text.mid(i, length).toStdString() + "'", i);
    }
}

QByteArray unpackBase64(const QByteArray &text, ForeignCharacters foreign)
{
    const qsizetype groups = text.size() / 4;
    QByteArray out;
    out.reserve(groups * 3);
    for (qsizetype g = 0; g < groups; ++g) {
        std::uint8_t v[4];
        for (int i = 0; i < 4; ++i) {
            const qsizetype offset = g * 4 + i;
            const auto c = static_cast<unsigned char>(text[offset]);
            v[i] = kDecode[c];
            if (v[i] == kInvalid) {
                if (foreign == ForeignCharacters::Reject)
                    rejectCharacter(c, offset);
                v[i] = 0;
            }
        }
        // Shifts are taken modulo 256 on purpose: a stray "=" early in a group
        // still contributes its bits as 255 did for the texts already sealed.
        out.append(static_cast<char>(std::uint8_t(v[0] << 2) | (v[1] >> 4)));
        if (v[2] == kPad)
            continue;
        out.append(static_cast<char>(std::uint8_t(v[1] << 4) | (v[2] >> 2)));
        if (v[3] == kPad)
            continue;
        out.append(static_cast<char>(std::uint8_t(v[2] << 6) | v[3]));
    }
    return out;
}

} // namespace lovetest
