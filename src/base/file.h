#pragma once

// Reading an input file whole: the one place where the program opens a file it reads (a
// processing list, the settings file). And creating a file all at once: TNewFile. Only regular
// files are read; the file is opened without blocking, so a FIFO or a device given as a file name
// is refused at once instead of waiting for a writer; a size limit bounds the memory any file can
// take.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orq {

// Fixed messages of file access.
inline constexpr const char* kMsgFileInvalid = "The file \"%s\" is invalid";
inline constexpr const char* kMsgCantRead = "Can't read file \"%s\"";
// Creating or finishing a file failed: the path and the system's reason.
inline constexpr const char* kMsgCantCreate = "Can't create file \"%s\": %s";

// The largest input file read: a processing list is at most a few tens of MB.
inline constexpr std::uint64_t kMaxInputFileSize = std::uint64_t{1} << 30; // 1 GiB

// The bytes of a file held in memory. A large file is read into a huge-page block
// (base/memory.h), so that filling it costs a handful of page faults rather than one per 4 KB
// page.
class TFileBytes {
public:
    TFileBytes() = default;
    explicit TFileBytes(std::vector<std::uint8_t> bytes);
    // Room for `size` bytes, to be filled through Data().
    static TFileBytes Allocate(std::size_t size);
    TFileBytes(TFileBytes&& other) noexcept;
    TFileBytes& operator=(TFileBytes&& other) noexcept;
    TFileBytes(const TFileBytes&) = delete;
    TFileBytes& operator=(const TFileBytes&) = delete;
    ~TFileBytes();

    std::uint8_t* Data() { return block_ != nullptr ? block_ : owned_.data(); }
    std::size_t Size() const { return size_; }
    // Keeps the first `size` bytes (a file that shrank while it was read).
    void Shrink(std::size_t size);
    std::span<const std::uint8_t> View() const {
        return {block_ != nullptr ? block_ : owned_.data(), size_};
    }

private:
    std::vector<std::uint8_t> owned_;
    std::uint8_t* block_ = nullptr; // a huge-page block, or the bytes are in owned_
    std::size_t size_ = 0;
};

// What to do with a file larger than the limit.
enum class TOversize : std::uint8_t {
    Fail,    // refuse it: "Can't read file \"%s\""
    ReadHead // read its first `limit` bytes and ignore the rest
};

// Reads the regular file `path` whole. A file that cannot be opened or read fails with the
// system's text for the reason ("Permission denied"); anything but a regular file (a folder, a
// FIFO, a device) fails with "The file \"%s\" is invalid"; a file larger than `limit` fails with
// "Can't read file \"%s\"" or is cut at the limit, as `oversize` says.
TFileBytes ReadRegularFile(const std::string& path, std::uint64_t limit = kMaxInputFileSize,
                           TOversize oversize = TOversize::Fail);

// The same file read in turn through one small buffer, each piece handed to `take` (for a
// digest of a file that need not be held whole); the same checks and messages as
// ReadRegularFile. Returns the number of bytes read.
std::uint64_t
ReadRegularFileInPieces(const std::string& path,
                        const std::function<void(std::span<const std::uint8_t>)>& take,
                        std::uint64_t limit = kMaxInputFileSize);

// A file that appears whole or not at all. The constructor creates a temporary file next to
// `path` (so that the final move stays on one file system); Commit() writes the bytes to it,
// flushes them to the disk and moves it into place. Without `overwrite` an existing file is
// never replaced: the constructor fails at once when the path exists, and Commit() fails if a
// file appeared there meanwhile. Every failure is kMsgCantCreate with the path and the
// system's reason; a TNewFile destroyed without a successful Commit() leaves nothing behind.
class TNewFile {
public:
    TNewFile(std::string path, bool overwrite);
    ~TNewFile();
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;

    const std::string& Path() const { return path_; }
    // Once only; after a failure the temporary file is gone.
    void Commit(std::span<const std::uint8_t> bytes);

private:
    void Discard() noexcept;
    void Place();

    std::string path_;
    std::string tempPath_;
    int tempFd_ = -1;
    bool overwrite_ = false;
};

// Reads an open descriptor (standard input, a pipe) to its end. More than `limit` bytes fail with
// "Can't read file \"%s\"", `name` naming the input; a failed read fails with the system's text.
TFileBytes ReadToEnd(int fd, const std::string& name, std::uint64_t limit = kMaxInputFileSize);

} // namespace orq
