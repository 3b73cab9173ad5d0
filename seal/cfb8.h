#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace lovetest {

// One run of cipher feedback decryption with 8-bit segments (NIST SP 800-38A
// CFB8), in place. chain is the feedback register, one cipher block long; it
// is left where the run ended so the next run goes on from there.
// encryptBlock(in, out) is the block primitive's forward transformation.
template <class EncryptBlock>
void Cfb8DecryptInPlace(std::span<std::uint8_t> chain, EncryptBlock &&encryptBlock,
                        std::uint8_t *data, std::size_t length)
{
    constexpr std::size_t kMaxBlock = 16;
    std::uint8_t keystream[kMaxBlock];
    const std::size_t block = chain.size();
    assert(block > 0 && block <= kMaxBlock);
    for (std::size_t i = 0; i < length; ++i) {
        encryptBlock(chain.data(), keystream);
        const std::uint8_t enciphered = data[i];
        data[i] = enciphered ^ keystream[0];
        std::memmove(chain.data(), chain.data() + 1, block - 1);
        chain[block - 1] = enciphered;
    }
}

} // namespace lovetest
