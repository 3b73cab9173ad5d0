#pragma once
#include "seal/cipher_errors.h"

#include <QByteArray>
#include <QString>

#include <string>

namespace lovetest {

// What a character outside the Base64 alphabet and "=" does inside a group.
enum class ForeignCharacters {
    Reject, // the text is refused with SealedTextFormatError
    CountAsZero, // it takes the value 0, like "A"
};

// Decodes a Base64 layer of a sealed text. Only whole groups of four
// characters count; "=" takes part in the arithmetic as 255, so a group whose
// third character is "=" yields one byte, one whose fourth is "=" two bytes,
// and decoding goes on with the next group either way. The one to three
// characters after the last whole group are never looked at, so a text read
// from a slot with its trailing CR LF decodes like the bare one.
// Refuses a sealed text as unpackBase64 does: shown is the character as the
// user reads it (UTF-8), offset its place in the text.
[[noreturn]] void rejectSealedText(const std::string &shown, qsizetype offset);
// A stored sealed text reaches the decoder as Latin-1 bytes, where a Chinese
// character would stand as "?". Refuses the text, naming the character as
// typed, when the first foreign character inside its groups lies beyond
// Latin-1; otherwise returns.
void rejectForeignText(const QString &text);

QByteArray unpackBase64(const QByteArray &text, ForeignCharacters foreign = ForeignCharacters::Reject);

} // namespace lovetest
