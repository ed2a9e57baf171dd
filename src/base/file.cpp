#include "base/file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"
#include "base/file_replace.h"
#include "base/memory.h"

namespace orq {

TFileBytes::TFileBytes(std::vector<std::uint8_t> bytes) : owned_(std::move(bytes)) {
    size_ = owned_.size();
}

TFileBytes TFileBytes::Allocate(std::size_t size) {
    TFileBytes out;
    if (size >= 2 * kHugePageSize)
        out.block_ = static_cast<std::uint8_t*>(AllocateHugePageBlock(size));
    if (out.block_ == nullptr) out.owned_.resize(size);
    out.size_ = size;
    return out;
}

TFileBytes::TFileBytes(TFileBytes&& other) noexcept {
    *this = std::move(other);
}

TFileBytes& TFileBytes::operator=(TFileBytes&& other) noexcept {
    std::swap(owned_, other.owned_);
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
    return *this;
}

TFileBytes::~TFileBytes() {
    FreeHugePageBlock(block_);
}

void TFileBytes::Shrink(std::size_t size) {
    size_ = std::min(size_, size);
}

namespace {

// Closes the descriptor on every way out.
struct TDescriptor {
    int fd;
    explicit TDescriptor(int opened) : fd(opened) {}
    TDescriptor(TDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    TDescriptor& operator=(TDescriptor&&) = delete;
    ~TDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

[[noreturn]] void FailWithReason(int error) {
    Fail(std::string(std::strerror(error)));
}

} // namespace

namespace {

// Opens the regular file `path` for reading and tells how many bytes of it are to be read (its
// size, or `limit` when it is larger and `oversize` says to read its head).
TDescriptor OpenRegularFile(const std::string& path, std::uint64_t limit, TOversize oversize,
                            std::uint64_t& expected) {
    // O_NONBLOCK: opening a FIFO does not wait for a writer; it is then refused by its type.
    TDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) FailWithReason(errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) FailWithReason(errno);
    if (!S_ISREG(info.st_mode)) Fail(kMsgFileInvalid, path);
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0) ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
    expected = static_cast<std::uint64_t>(info.st_size);
    if (expected > limit) {
        if (oversize == TOversize::Fail) Fail(kMsgCantRead, path);
        expected = limit;
    }
    return file;
}

} // namespace

TFileBytes ReadRegularFile(const std::string& path, std::uint64_t limit, TOversize oversize) {
    std::uint64_t expected = 0;
    const TDescriptor file = OpenRegularFile(path, limit, oversize, expected);
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

std::uint64_t
ReadRegularFileInPieces(const std::string& path,
                        const std::function<void(std::span<const std::uint8_t>)>& take,
                        std::uint64_t limit) {
    std::uint64_t expected = 0;
    const TDescriptor file = OpenRegularFile(path, limit, TOversize::Fail, expected);
    // Small enough to stay in the processor's cache between the read and the use.
    std::vector<std::uint8_t> piece(std::size_t{256} << 10);
    std::uint64_t size = 0;
    while (size < expected) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), expected - size));
        const ssize_t n = ::read(file.fd, piece.data(), want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailWithReason(errno);
        if (n == 0) break; // the file shrank meanwhile
        take(std::span<const std::uint8_t>(piece.data(), static_cast<std::size_t>(n)));
        size += static_cast<std::uint64_t>(n);
    }
    return size;
}

namespace {

// Writes all of `bytes`; a failure throws the errno value.
void WriteAllTo(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw errno;
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

TNewFile::TNewFile(std::string path, bool overwrite)
    : path_(std::move(path)), overwrite_(overwrite) {
    struct stat info {};
    if (!overwrite && ::lstat(path_.c_str(), &info) == 0)
        Fail(kMsgCantCreate, path_.c_str(), std::strerror(EEXIST));
    std::filesystem::path target(path_);
    std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string base = target.filename().string();
    for (int attempt = 0; attempt < 100 && tempFd_ < 0; ++attempt) {
        std::string candidate = folder + "/" + TemporaryFileName(base, ::getpid(), attempt);
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // The file replaced keeps its permissions, before any content is written.
            if (overwrite_) KeepFileMode(fd, path_);
            tempFd_ = fd;
            tempPath_ = candidate;
        } else if (errno != EEXIST) {
            Fail(kMsgCantCreate, path_.c_str(), std::strerror(errno));
        }
    }
    if (tempFd_ < 0) Fail(kMsgCantCreate, path_.c_str(), std::strerror(EEXIST));
}

TNewFile::~TNewFile() {
    Discard();
}

void TNewFile::Discard() noexcept {
    if (tempFd_ >= 0) ::close(tempFd_);
    tempFd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

void TNewFile::Commit(std::span<const std::uint8_t> bytes) {
    try {
        if (tempFd_ < 0) throw EBADF;
        WriteAllTo(tempFd_, bytes);
        if (::fsync(tempFd_) != 0) throw errno;
        int fd = tempFd_;
        tempFd_ = -1;
        if (::close(fd) != 0) throw errno;
        Place();
        SyncParentFolder(path_);
    } catch (int error) {
        Discard();
        Fail(kMsgCantCreate, path_.c_str(), std::strerror(error));
    }
}

// Moves the finished temporary file into place; without overwrite never replaces a file.
void TNewFile::Place() {
    if (overwrite_) {
        if (::rename(tempPath_.c_str(), path_.c_str()) != 0) throw errno;
        tempPath_.clear();
        return;
    }
    if (::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE) == 0) {
        tempPath_.clear();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) throw errno;
    // A file system without the no-replace rename: a hard link fails when the name exists.
    if (::link(tempPath_.c_str(), path_.c_str()) != 0) throw errno;
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

TFileBytes ReadToEnd(int fd, const std::string& name, std::uint64_t limit) {
    // Grown by doubling: the size of a pipe's contents is known only at its end.
    std::vector<std::uint8_t> bytes;
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) {
            if (size > limit) Fail(kMsgCantRead, name);
            const std::size_t grown = std::max<std::size_t>(std::size_t{1} << 16, size * 2);
            bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(grown, limit + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailWithReason(errno);
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    if (size > limit) Fail(kMsgCantRead, name);
    bytes.resize(size);
    return TFileBytes(std::move(bytes));
}

} // namespace orq
