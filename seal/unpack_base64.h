#pragma once
#include "seal/cipher_errors.h"

#include <QByteArray>

namespace lovetest {

// What a character outside the Base64 alphabet and "=" does inside a group.
enum class ForeignCharacters {
    Reject,      // the text is refused with ESealedTextFormat
    CountAsZero, // it takes the value 0, like "A"
};

// Decodes a Base64 layer of a sealed text. Only whole groups of four
// characters count; "=" takes part in the arithmetic as 255, so a group whose
// third character is "=" yields one byte, one whose fourth is "=" two bytes,
// and decoding goes on with the next group either way. The one to three
// characters after the last whole group are never looked at, so a text read
// from a slot with its trailing CR LF decodes like the bare one.
QByteArray UnpackBase64(const QByteArray &text, ForeignCharacters foreign = ForeignCharacters::Reject);

} // namespace lovetest
