#include "history/sha256.h"

#include <openssl/evp.h>

#include "base/error.h"

namespace orq::history {

// libcrypto's digest: it uses the processor's SHA instructions where there are any, so a list of
// tens of megabytes is hashed in a few milliseconds.
std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1 ||
        length != 32)
        Fail("The SHA-256 digest could not be computed");
    static const char kHex[] = "0123456789abcdef";
    std::string text(64, '0');
    for (unsigned int i = 0; i < 32; ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    return text;
}

} // namespace orq::history
