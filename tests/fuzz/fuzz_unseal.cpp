// Sealed texts of any shape: Base64 unpacking and unsealing either give bytes
// or raise the sealed-text format error, never anything else.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "data/sealed_fields.h"
#include "seal/seal_codec.h"
#include "seal/unpack_base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lovetest;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray lenient = unpackBase64(text, ForeignCharacters::CountAsZero);
    // Three bytes at most for every whole group of four characters.
    if (lenient.size() > text.size() / 4 * 3)
        __builtin_trap();
    try {
        (void)unpackBase64(text, ForeignCharacters::Reject);
    } catch (const SealedTextFormatError &) {}
    static const QByteArray key = deriveDataKeyText();
    SealCodec codec;
    codec.setSealKey(key);
    try {
        (void)codec.unsealText(text);
    } catch (const SealedTextFormatError &) {}
    codec.burnCiphers();
    return 0;
}
