#include "history/sha256.h"

#include <openssl/evp.h>

#include "base/error.h"

namespace orq::history {
namespace {

constexpr const char* kMsgNoDigest = "The SHA-256 digest could not be computed";

} // namespace

// libcrypto's digest: it uses the processor's SHA instructions where there are any, so a list of
// tens of megabytes is hashed in a few milliseconds.
struct TSha256::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

TSha256::TSha256() : context_(std::make_unique<Context>()) {
    if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
        Fail(kMsgNoDigest);
}

TSha256::~TSha256() = default;

void TSha256::Update(std::span<const std::uint8_t> bytes) {
    if (EVP_DigestUpdate(context_->md, bytes.data(), bytes.size()) != 1) Fail(kMsgNoDigest);
}

std::string TSha256::Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1 || length != 32) Fail(kMsgNoDigest);
    static const char kHex[] = "0123456789abcdef";
    std::string text(64, '0');
    for (unsigned int i = 0; i < 32; ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    return text;
}

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
    TSha256 digest;
    digest.Update(bytes);
    return digest.Hex();
}

} // namespace orq::history
