#pragma once
#include <QByteArray>

namespace lovetest {

// The fixed texts of the key chain. The program key unseals the sealed
// data-key text (the line the program puts into its sealed-key slot); the
// data key obtained that way, as read back from its slot (each line followed
// by CR LF), unseals the database fields and the site address.
QByteArray programKey(); // 36 printable ASCII bytes
QByteArray sealedDataKeyText(); // 460 Base64 characters
QByteArray sealedSiteAddress(); // 40 Base64 characters

} // namespace lovetest
