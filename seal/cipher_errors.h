#pragma once
#include <stdexcept>
#include <string>

namespace lovetest {

// Failures of the cipher objects. Messages are shown to the user as they are.
class EDCP_cipher : public std::runtime_error {
public:
    explicit EDCP_cipher(const std::string &message) : std::runtime_error(message) {}
};

class EDCP_blockcipher : public EDCP_cipher {
public:
    explicit EDCP_blockcipher(const std::string &message) : EDCP_cipher(message) {}
};

class EDCP_hash : public std::runtime_error {
public:
    explicit EDCP_hash(const std::string &message) : std::runtime_error(message) {}
};

// A sealed text with a character that sealing never produces inside its
// Base64 groups (a blank, a line break, ...).
class ESealedTextFormat : public EDCP_cipher {
public:
    explicit ESealedTextFormat(const std::string &message) : EDCP_cipher(message) {}
};

namespace cipher_messages {
inline constexpr const char *kNotInitialized = "Cipher not initialized";
inline constexpr const char *kInvalidKeySize = "Invalid key size";
inline constexpr const char *kDigestMemory = "Unable to allocate sufficient memory for hash digest";
inline constexpr const char *kHashNotInitialized = "Hash not initialized";
} // namespace cipher_messages

} // namespace lovetest
