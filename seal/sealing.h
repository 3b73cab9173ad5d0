#pragma once
#include <QByteArray>

namespace lovetest {

// The inverse of unsealing, for the authoring tool and the tests only: the
// program itself never seals. Deterministic: each cipher starts from the IV
// its keying gives, so the same plain text and key text always seal alike.
// Database fields are sealed with the data key text the program derives
// (deriveDataKeyText).
QByteArray sealText(const QByteArray &plain, const QByteArray &keyText);

} // namespace lovetest
