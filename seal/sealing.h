#pragma once
#include <QByteArray>

namespace lovetest {

// The inverse of unsealing, for the authoring tool and the tests only: the
// program itself never seals. Deterministic: each cipher starts from the IV
// its keying gives, so the same plain text and key text always seal alike.
QByteArray SealText(const QByteArray &plain, const QByteArray &keyText);

// The key text that database fields are sealed with: the data key as the
// program reads it back from its slot (its lines, each followed by CR LF).
QByteArray deriveDataKeyText();

// SealText of a code page 936 field with the data key (derived once).
QByteArray sealField(const QByteArray &plainCp936);

} // namespace lovetest
