#pragma once
#include <stdexcept>
#include <string>

namespace lovetest {

// Failures of the cipher objects. Messages are shown to the user as they are.
class CipherError : public std::runtime_error {
public:
    explicit CipherError(const std::string &message) : std::runtime_error(message) {}
};

class BlockCipherError : public CipherError {
public:
    explicit BlockCipherError(const std::string &message) : CipherError(message) {}
};

class HashError : public std::runtime_error {
public:
    explicit HashError(const std::string &message) : std::runtime_error(message) {}
};

// A sealed text with a character that sealing never produces inside its
// Base64 groups (a blank, a line break, ...).
class SealedTextFormatError : public CipherError {
public:
    explicit SealedTextFormatError(const std::string &message) : CipherError(message) {}
};

namespace cipher_messages {
inline constexpr const char *kNotInitialized = "Cipher not initialized";
inline constexpr const char *kInvalidKeySize = "Invalid key size";
inline constexpr const char *kDigestMemory = "Unable to allocate sufficient memory for hash digest";
inline constexpr const char *kHashNotInitialized = "Hash not initialized";
} // namespace cipher_messages

} // namespace lovetest
