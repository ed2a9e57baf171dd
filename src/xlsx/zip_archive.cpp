#include "xlsx/zip_archive.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include <zip.h>

#include "base/error.h"

namespace orq::xlsx {
namespace {

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// Whether the archive ends in a zip64 end record: its locator sits just before the end of
// central directory record, which is found from the end (past a comment of up to 64 KB).
bool IsZip64(std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t kEnd = 0x06054B50;
    constexpr std::uint32_t kLocator = 0x07064B50;
    if (bytes.size() < 22) return false;
    const std::size_t lowest = bytes.size() > 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
    for (std::size_t at = bytes.size() - 22 + 1; at-- > lowest;) {
        if (U32At(bytes, at) != kEnd) continue;
        if (at >= 20 && U32At(bytes, at - 20) == kLocator) return true;
        // Sizes or counts at their maximum mean the real ones are in a zip64 record.
        const auto u16 = [&](std::size_t k) { return bytes[k] | bytes[k + 1] << 8; };
        return u16(at + 8) == 0xFFFF || u16(at + 10) == 0xFFFF ||
               U32At(bytes, at + 12) == 0xFFFFFFFF || U32At(bytes, at + 16) == 0xFFFFFFFF;
    }
    return false;
}

} // namespace

struct TZipArchive::Impl {
    zip_t* archive = nullptr;
    std::unordered_map<std::string, std::uint64_t> sizes;

    ~Impl() {
        if (archive) zip_discard(archive);
    }
};

TZipArchive::TZipArchive(std::span<const std::uint8_t> bytes, std::string name)
    : impl_(std::make_unique<Impl>()), name_(std::move(name)) {
    if (IsZip64(bytes)) Invalid("zip64 archive");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        Invalid("not a zip archive");
    }
    impl_->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (!impl_->archive) {
        zip_source_free(source);
        if (code == ZIP_ER_NOZIP) Invalid("not a zip archive");
        // libzip refuses a second entry of a name as it reads the directory.
        if (code == ZIP_ER_EXISTS) Invalid("two entries of one name");
        Invalid("damaged zip archive");
    }

    const zip_int64_t entries = zip_get_num_entries(impl_->archive, 0);
    if (entries < 0 || static_cast<std::uint64_t>(entries) > kMaxEntries)
        Invalid("too many entries");
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(impl_->archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0)
            Invalid("damaged zip archive");
        const zip_uint64_t needed = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE |
                                    ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if ((stat.valid & needed) != needed) Invalid("damaged zip archive");
        if (!impl_->sizes.emplace(stat.name, stat.size).second) Invalid("two entries of one name");
        if (stat.encryption_method != ZIP_EM_NONE) Invalid("encrypted entry");
        if (stat.comp_method != ZIP_CM_STORE && stat.comp_method != ZIP_CM_DEFLATE)
            Invalid("unknown compression method");
        if (stat.size > kMaxEntrySize) Invalid("entry too large");
        if (stat.size > kRatioFloor &&
            stat.size / std::max<zip_uint64_t>(stat.comp_size, 1) > kMaxRatio)
            Invalid("entry packed too densely");
    }
}

TZipArchive::~TZipArchive() = default;

void TZipArchive::Invalid(const char* reason) const {
    Fail(kMsgWorkbookInvalid, name_.c_str(), reason);
}

bool TZipArchive::Has(const std::string& entry) const {
    return impl_->sizes.count(entry) != 0;
}

std::uint64_t TZipArchive::Size(const std::string& entry) const {
    const auto it = impl_->sizes.find(entry);
    return it == impl_->sizes.end() ? 0 : it->second;
}

void TZipArchive::Read(const std::string& entry,
                       const std::function<void(std::span<const std::uint8_t>)>& sink) const {
    const zip_int64_t index = zip_name_locate(impl_->archive, entry.c_str(), ZIP_FL_ENC_RAW);
    if (index < 0) Invalid("a part is missing");
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(impl_->archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        Invalid("damaged zip archive");
    zip_file_t* file = zip_fopen_index(impl_->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) Invalid("damaged zip archive");
    struct Closer {
        zip_file_t* file;
        ~Closer() { zip_fclose(file); }
    } closer{file};

    constexpr std::size_t kPiece = std::size_t{256} << 10;
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kPiece);
    std::uint64_t total = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer.get(), kPiece);
        if (got < 0) Invalid("damaged zip entry");
        if (got == 0) break;
        total += static_cast<std::uint64_t>(got);
        if (total > stat.size) Invalid("entry larger than it declares");
        sink(std::span<const std::uint8_t>(buffer.get(), static_cast<std::size_t>(got)));
    }
    if (total != stat.size) Invalid("damaged zip entry");
}

} // namespace orq::xlsx
