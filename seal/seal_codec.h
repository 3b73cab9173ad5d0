#pragma once
#include "seal/ciphers.h"

#include <QByteArray>

namespace lovetest {

// The two cipher objects of the main window and the operations that unseal
// stored texts with them. A sealed text is Base64 of DES-CFB8 of Base64 of
// AES-CFB8 of the plain bytes, both ciphers keyed from one key text.
class SealCodec {
public:
    Aes256 aes256;
    Des des;

    // Keys both ciphers from keyText (Rijndael first, then DES).
    void setSealKey(const QByteArray &keyText);
    // Takes off DES, then Rijndael; moves both chaining values on. Raises
    // SealedTextFormatError when sealed holds a character outside Base64 in a
    // whole group.
    QByteArray unsealText(const QByteArray &sealed);
    // Wipes Rijndael, then DES.
    void burnCiphers();

    // The step of the key chain: the sealed data-key text unsealed with the
    // program key. The ciphers are burnt afterwards, also when unsealing fails.
    QByteArray unsealDataKey(const QByteArray &sealedKeyText);

    // The bracket every reader of one sealed value uses: key with keyText,
    // unseal, burn (burning also when unsealing fails).
    QByteArray unsealField(const QByteArray &keyText, const QByteArray &sealed);
};

} // namespace lovetest
