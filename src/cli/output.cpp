#include "cli/output.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace orq::cli {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 18;

} // namespace

TDescriptorOutput::TDescriptorOutput(int fd) : fd_(fd), buffer_(kBufferSize) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool TDescriptorOutput::WriteAll(const char* data, std::size_t size) {
    if (error_ != 0) return false;
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool TDescriptorOutput::Drain() {
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return WriteAll(buffer_.data(), pending);
}

TDescriptorOutput::int_type TDescriptorOutput::overflow(int_type ch) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
}

std::streamsize TDescriptorOutput::xsputn(const char* text, std::streamsize count) {
    const auto size = static_cast<std::size_t>(count);
    const auto room = static_cast<std::size_t>(epptr() - pptr());
    if (size <= room) {
        std::memcpy(pptr(), text, size);
        pbump(static_cast<int>(size));
        return count;
    }
    // A text larger than the room left: what is buffered goes first, then the text itself when
    // it would fill most of the buffer anyway.
    if (!Drain()) return 0;
    if (size >= buffer_.size() / 2) return WriteAll(text, size) ? count : 0;
    std::memcpy(pptr(), text, size);
    pbump(static_cast<int>(size));
    return count;
}

int TDescriptorOutput::sync() {
    return Drain() ? 0 : -1;
}

} // namespace orq::cli
