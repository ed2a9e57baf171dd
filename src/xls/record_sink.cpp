#include "xls/record_sink.h"

#include "base/error.h"
#include "xls/byte_reader.h"

namespace orq::xls {

void TRecordSink::Record(std::uint16_t id, std::span<const std::uint8_t> data) {
    std::uint8_t header[4];
    StoreLE(std::span<std::uint8_t>(header), 0, id);
    StoreLE(std::span<std::uint8_t>(header), 2, static_cast<std::uint16_t>(data.size()));
    Write(header);
    if (!data.empty()) Write(data);
}

void TVectorSink::Write(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    position_ += bytes.size();
}

TBufferedSink::TBufferedSink(FlushFunction flush, std::size_t blockSize)
    : flush_(std::move(flush)), blockSize_(blockSize) {
    block_.reserve(blockSize_);
}

void TBufferedSink::Write(std::span<const std::uint8_t> bytes) {
    position_ += bytes.size();
    while (!bytes.empty()) {
        const std::size_t room = blockSize_ - block_.size();
        const std::size_t take = bytes.size() < room ? bytes.size() : room;
        block_.insert(block_.end(), bytes.begin(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (block_.size() == blockSize_) Flush();
    }
}

void TBufferedSink::Finish() {
    if (!block_.empty()) Flush();
}

void TBufferedSink::Flush() {
    const std::size_t written = flush_(block_);
    if (written < block_.size()) Fail(kMsgErrorWritingOutput);
    block_.clear();
}

} // namespace orq::xls
