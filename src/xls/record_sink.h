#pragma once

// Where the workbook serialiser puts its bytes. The same serialiser runs over a counting sink
// (to learn the size of each substream before anything is written) and over a sink that feeds
// the "Workbook" stream, so the sizes it computes are exactly the sizes it writes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orq::xls {

class TRecordSink {
public:
    virtual ~TRecordSink() = default;
    // Appends bytes at the end of the output.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // The number of bytes written so far (the stream position of the next byte).
    std::uint64_t Position() const { return position_; }

    // One record: header (id, size) and data. A record longer than 8,224 data bytes is the
    // caller's error; the serialiser never makes one.
    void Record(std::uint16_t id, std::span<const std::uint8_t> data);

protected:
    std::uint64_t position_ = 0;
};

// Counts bytes only.
class TCountingSink final : public TRecordSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override { position_ += bytes.size(); }
};

// Collects the bytes in memory.
class TVectorSink final : public TRecordSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Gathers the bytes into blocks and hands each full block to `flush`; Finish() hands over the
// rest. The flush function reports how many bytes it took: fewer than given fails with "Error
// writing output file".
class TBufferedSink final : public TRecordSink {
public:
    using FlushFunction = std::function<std::size_t(std::span<const std::uint8_t>)>;
    explicit TBufferedSink(FlushFunction flush, std::size_t blockSize = 1 << 16);
    void Write(std::span<const std::uint8_t> bytes) override;
    void Finish();

private:
    void Flush();
    FlushFunction flush_;
    std::vector<std::uint8_t> block_;
    std::size_t blockSize_;
};

inline constexpr const char* kMsgErrorWritingOutput = "Error writing output file";

} // namespace orq::xls
