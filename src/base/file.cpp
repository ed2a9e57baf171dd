#include "base/file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"

namespace orq {

TFileBytes::TFileBytes(std::vector<std::uint8_t> bytes) : owned_(std::move(bytes)) {
    size_ = owned_.size();
}

TFileBytes TFileBytes::Allocate(std::size_t size) {
    TFileBytes out;
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (size >= 2 * kHuge) {
        const std::size_t length = (size + kHuge - 1) / kHuge * kHuge;
        void* map =
            ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map != MAP_FAILED) {
            ::madvise(map, length, MADV_HUGEPAGE); // a hint: refused, the pages stay small
            out.mapped_ = static_cast<std::uint8_t*>(map);
            out.mappedLength_ = length;
        }
    }
    if (out.mapped_ == nullptr) out.owned_.resize(size);
    out.size_ = size;
    return out;
}

TFileBytes::TFileBytes(TFileBytes&& other) noexcept {
    *this = std::move(other);
}

TFileBytes& TFileBytes::operator=(TFileBytes&& other) noexcept {
    std::swap(owned_, other.owned_);
    std::swap(mapped_, other.mapped_);
    std::swap(mappedLength_, other.mappedLength_);
    std::swap(size_, other.size_);
    return *this;
}

TFileBytes::~TFileBytes() {
    if (mapped_ != nullptr) ::munmap(mapped_, mappedLength_);
}

void TFileBytes::Shrink(std::size_t size) {
    size_ = std::min(size_, size);
}

namespace {

// Closes the descriptor on every way out.
struct TDescriptor {
    int fd;
    ~TDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

[[noreturn]] void FailWithReason(int error) {
    Fail(std::string(std::strerror(error)));
}

} // namespace

TFileBytes ReadRegularFile(const std::string& path, std::uint64_t limit, TOversize oversize) {
    // O_NONBLOCK: opening a FIFO does not wait for a writer; it is then refused by its type.
    TDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) FailWithReason(errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) FailWithReason(errno);
    if (!S_ISREG(info.st_mode)) Fail(kMsgFileInvalid, path);
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
    std::uint64_t expected = static_cast<std::uint64_t>(info.st_size);
    if (expected > limit) {
        if (oversize == TOversize::Fail) Fail(kMsgCantRead, path);
        expected = limit;
    }
    TFileBytes bytes = TFileBytes::Allocate(static_cast<std::size_t>(expected));
    std::size_t size = 0;
    while (size < expected) {
        const ssize_t n = ::read(file.fd, bytes.Data() + size, expected - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailWithReason(errno);
        if (n == 0) break; // the file shrank meanwhile
        size += static_cast<std::size_t>(n);
    }
    bytes.Shrink(size);
    return bytes;
}

} // namespace orq
