// Sealed texts of any shape: Base64 unpacking and unsealing either give bytes
// or raise the sealed-text format error, never anything else.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "seal/seal_codec.h"
#include "seal/sealing.h"
#include "seal/unpack_base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lovetest;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray lenient = UnpackBase64(text, ForeignCharacters::CountAsZero);
    // Three bytes at most for every whole group of four characters.
    if (lenient.size() > text.size() / 4 * 3)
        __builtin_trap();
    try {
        (void)UnpackBase64(text, ForeignCharacters::Reject);
    } catch (const ESealedTextFormat &) {
    }
    static const QByteArray key = deriveDataKeyText();
    SealCodec codec;
    codec.SetSealKey(key);
    try {
        (void)codec.UnsealText(text);
    } catch (const ESealedTextFormat &) {
    }
    codec.BurnCiphers();
    return 0;
}
