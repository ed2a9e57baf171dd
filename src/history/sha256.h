#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orq::history {

// A SHA-256 digest taken piece by piece.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Update(std::span<const std::uint8_t> bytes);
    // The digest of everything given, as 64 lower-case hexadecimal digits (once).
    std::string Hex();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace orq::history
