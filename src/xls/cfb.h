#pragma once

// Compound files: the container an .xls workbook lives in. TOle2Storage opens one (from a path
// or from bytes) or creates one; TOle2Stream reads or writes one stream of it. The reader keeps
// the whole file in memory and checks every sector index, chain, directory link and size it
// follows; a damaged file fails with a fixed message, never with a crash or a hang. The writer
// buffers everything in memory and produces the file at Close().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/file.h"

namespace orq::xls {

// Fixed messages of this component. A stream that is missing or used against its mode fails with
// kReadErrorMessage (byte_reader.h), creating a file with kMsgCantCreate (base/file.h).
inline constexpr const char* kMsgCantFind = "Can't find the file \"%s\"";

// The name of the stream that holds the workbook records.
inline constexpr const char* kWorkbookStreamName = "Workbook";
// The name some writers give a BIFF8 workbook stream; read like "Workbook" when that is absent.
inline constexpr const char* kBookStreamName = "Book";

struct TXlsStorage;
using TXlsStorageList = std::vector<TXlsStorage>;

// One held element of the source file: a stream (its bytes) or a storage (its children).
struct TXlsStorage {
    std::string name;
    std::vector<std::uint8_t> bytes;
    TXlsStorageList children;
};

inline constexpr int kElementStorage = 1;
inline constexpr int kElementStream = 2;

struct TElementInfo {
    std::string name; // UTF-8
    int type;         // kElementStorage or kElementStream
    std::uint64_t size;
};

enum class SeekOrigin { Begin, Current, End };

class TOle2Stream;
class TOle2Storage;
void CopyElements(TXlsStorageList& target, TOle2Storage& storage, bool nested);

// One open compound file. A read-mode storage holds the file's bytes for its lifetime (nothing
// of the file stays open on disk); a create-mode storage buffers the tree it is given and writes
// the file at Close(). Entering and leaving sub-storages is strictly nested.
class TOle2Storage {
public:
    enum class Mode { Read = 0, Create = 1 };

    // Reads the file at `path` into memory once. Not a compound file: "The file \"%s\" is
    // invalid"; damaged structure: "Can't read file \"%s\"".
    static std::unique_ptr<TOle2Storage> OpenRead(const std::string& path);
    // Opens a copy of the given bytes; `name` is the text the failure messages show.
    static std::unique_ptr<TOle2Storage> OpenReadMemory(std::span<const std::uint8_t> bytes,
                                                        const std::string& name = std::string());
    // Takes the bytes over without copying them.
    static std::unique_ptr<TOle2Storage> OpenReadBuffer(std::vector<std::uint8_t> bytes,
                                                        const std::string& name = std::string());

    // Creates a new compound file at `path`. The file appears only when Close() succeeds: it is
    // written to a temporary file in the same folder and then moved into place. Without
    // `overwrite` an existing file is never replaced (Create fails at once when the path exists,
    // and Close() fails if a file appeared there meanwhile), with kMsgCantCreate.
    static std::unique_ptr<TOle2Storage> Create(const std::string& path, bool overwrite);
    // Creates a compound file in memory; `target` receives the finished file at Close() and must
    // outlive the storage.
    static std::unique_ptr<TOle2Storage> CreateInMemory(std::vector<std::uint8_t>& target);

    ~TOle2Storage();
    TOle2Storage(const TOle2Storage&) = delete;
    TOle2Storage& operator=(const TOle2Storage&) = delete;

    Mode GetMode() const;

    // The elements of the current storage in enumeration order: sorted by the compound-file name
    // order (shorter names first, then by the upper-cased names), as the file's directory tree
    // keeps them.
    std::vector<TElementInfo> List();

    // Makes the named sub-storage current (read: opens it, create: creates it).
    void Enter(const std::string& name);
    // Makes the storage that was current before the last Enter current again.
    void Leave();
    // The current storage's nesting depth (0 for the root).
    std::size_t Depth() const;

    // Create mode: writes the finished file (to the path, or into the target buffer). Read mode:
    // releases the file's bytes. A create-mode storage destroyed without Close() leaves nothing
    // behind. Calling Close() twice is harmless.
    void Close();

    struct Impl;

private:
    explicit TOle2Storage(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    friend class TOle2Stream;
    friend void CopyElements(TXlsStorageList& target, TOle2Storage& storage, bool nested);
};

// A byte stream over one stream of the current storage of a TOle2Storage, which must outlive it.
class TOle2Stream {
public:
    // Read mode: opens the named stream ("Error reading Excel records. File invalid" when there
    // is none). Create mode: creates it in the current storage.
    TOle2Stream(TOle2Storage& storage, const std::string& name);
    ~TOle2Stream();
    TOle2Stream(const TOle2Stream&) = delete;
    TOle2Stream& operator=(const TOle2Stream&) = delete;

    // Copies up to `count` bytes from the current position; returns how many were copied (fewer
    // at the end of the stream, 0 for a count of 0).
    std::size_t Read(void* buffer, std::size_t count);
    // Create mode only: writes at the current position, growing the stream as needed.
    void Write(const void* buffer, std::size_t count);
    // Returns the new position. A position before the start fails; one past the end is allowed
    // (reads there return 0, a write there fills the gap with zeros).
    std::uint64_t Seek(std::int64_t offset, SeekOrigin origin);
    std::uint64_t Position() const;
    std::uint64_t Size() const;

    // The whole stream's bytes, independent of the position: one walk of its sector chain and a
    // copy per run of adjacent sectors.
    std::vector<std::uint8_t> ReadAll();

    // The whole stream's bytes without a copy when they lie in one piece of the file (as a
    // workbook's usually do); otherwise they are put together once inside the stream object. The
    // view stays valid while this stream object lives (also after the storage's Close()).
    std::span<const std::uint8_t> Bytes();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Copies every element of the current storage into `target` (streams with their bytes, storages
// with their children), in enumeration order. With `nested` false a stream named exactly
// "Workbook" is skipped; inside sub-storages (nested true) it is copied like any other stream.
void CopyElements(TXlsStorageList& target, TOle2Storage& storage, bool nested);

// Writes one held element into the current storage of a create-mode storage: a stream with
// bytes, or a storage with its children. An element with neither is dropped.
void WriteElement(const TXlsStorage& item, TOle2Storage& storage);

// Resolves a workbook name to a full path: ".xls" is appended when the name has no extension,
// relative names are taken from the current folder. "Can't find the file \"%s\"" (the name as
// passed) when no such file exists.
std::string LocateWorkbookFile(const std::string& name);

} // namespace orq::xls
