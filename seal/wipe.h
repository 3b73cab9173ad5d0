#pragma once
#include <cstddef>
#include <cstdint>

namespace lovetest {

// Overwrites key material in a way the optimiser may not drop.
inline void wipeBytes(void *memory, std::size_t length, std::uint8_t value)
{
    volatile auto *p = static_cast<volatile std::uint8_t *>(memory);
    for (std::size_t i = 0; i < length; ++i)
        p[i] = value;
}

} // namespace lovetest
