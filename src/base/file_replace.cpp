#include "base/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orq {

namespace {
constexpr std::size_t kMaxNameBytes = 255;
} // namespace

std::string TemporaryFileName(const std::string& base, long pid, int attempt) {
    // Appended piece by piece: a literal before a temporary string makes the optimised builds
    // warn of an overlap that cannot happen.
    std::string suffix(1, '.');
    suffix += std::to_string(pid);
    suffix += '-';
    suffix += std::to_string(attempt);
    suffix += ".tmp";
    const std::string prefix = ".~";
    std::size_t keep = base.size();
    if (prefix.size() + keep + suffix.size() > kMaxNameBytes) {
        keep = kMaxNameBytes - prefix.size() - suffix.size();
        // Never end inside a UTF-8 sequence: back up over continuation bytes.
        while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
            --keep;
    }
    return prefix + base.substr(0, keep) + suffix;
}

void KeepFileMode(int fd, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::fchmod(fd, info.st_mode & 07777);
}

void SyncParentFolder(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace orq
