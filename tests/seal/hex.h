#pragma once
#include <QByteArray>

#include <cstdint>

namespace lovetest::testing {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline const std::uint8_t *bytes(const QByteArray &data)
{
    return reinterpret_cast<const std::uint8_t *>(data.constData());
}

inline std::uint8_t *bytes(QByteArray &data)
{
    return reinterpret_cast<std::uint8_t *>(data.data());
}

} // namespace lovetest::testing
