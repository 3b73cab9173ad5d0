#pragma once
#include "seal/dcp.h"

#include <QByteArray>

namespace lovetest {

class TextSlot;

// The two cipher objects of the main window and the operations that unseal
// stored texts with them. A sealed text is Base64 of DES-CFB8 of Base64 of
// AES-CFB8 of the plain bytes, both ciphers keyed from one key text.
class SealCodec {
public:
    TDCP_rijndael DCP_rijndael1;
    TDCP_des DCP_des1;

    // Keys both ciphers from keyText (Rijndael first, then DES).
    void SetSealKey(const QByteArray &keyText);
    // Takes off DES, then Rijndael; moves both chaining values on. Raises
    // ESealedTextFormat when sealed holds a character outside Base64 in a
    // whole group.
    QByteArray UnsealText(const QByteArray &sealed);
    // Wipes Rijndael, then DES.
    void BurnCiphers();

    // Unseals the sealed data-key text held in sealedKeySlot with the program
    // key and stores the data key into dataKeySlot, which is emptied first.
    // The ciphers are burnt afterwards, also when unsealing fails.
    void RefreshDataKey(const TextSlot &sealedKeySlot, TextSlot &dataKeySlot);

    // The bracket every reader of one sealed value uses: key with the text of
    // dataKeySlot, unseal, burn (burning also when unsealing fails).
    QByteArray unsealField(const TextSlot &dataKeySlot, const QByteArray &sealed);
};

} // namespace lovetest
