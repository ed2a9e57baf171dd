#include "xls/cfb.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

#include "base/file.h"
#include "base/utf.h"
#include "xls/byte_reader.h"
#include "xls/cfb_layout.h"
#include "xls/cfb_names.h"
#include "xls/cfb_reader.h"
#include "xls/cfb_writer.h"

// The storage API over the reader (cfb_reader.h) and the writer (cfb_writer.h): a read-mode
// storage holds the file's bytes and one parse of them; a create-mode storage builds the tree
// of nodes the writer lays out at Close().

namespace orq::xls {

using cfb::CompareNames;
using cfb::kNoStream;
using cfb::kTypeStorage;
using cfb::kTypeStream;
using cfb::Node;
using cfb::Run;

namespace {

// The bytes of a file read and their parse, which points into them.
struct OpenFile {
    OpenFile(TFileBytes fileBytes, std::string name)
        : bytes(std::move(fileBytes)), reader(bytes.View(), std::move(name)) {}
    TFileBytes bytes;
    cfb::Reader reader;
};

// Copies the elements of a storage, as CopyElements describes, straight from the directory, so
// that elements of equal names each keep their own content.
// Every copy claims its sectors in `claims`: streams naming one sector are damage, so the copies
// never hold more than the file.
void CopyFromDirectory(const cfb::Reader& reader, std::uint32_t storage, TXlsStorageList& target,
                       bool nested, cfb::SectorClaims& claims) {
    for (std::uint32_t id : reader.Entry(storage).children) {
        const cfb::DirEntry& item = reader.Entry(id);
        if (item.type == kTypeStorage) {
            target.push_back({item.name, {}, {}});
            CopyFromDirectory(reader, id, target.back().children, true, claims);
        } else if (nested || item.name != kWorkbookStreamName) {
            target.push_back(
                {item.name, reader.Assemble(reader.StreamRuns(item, claims), item.size), {}});
        }
    }
}

} // namespace

// ---- TOle2Storage ---------------------------------------------------------------------------

struct TOle2Storage::Impl {
    Mode mode = Mode::Read;
    bool closed = false;

    // Read mode.
    std::shared_ptr<const OpenFile> file;
    std::vector<std::uint32_t> path{0}; // the entered storages, the current one last

    // Create mode.
    Node root;
    std::vector<Node*> nodes; // the entered storages, the current one last
    std::vector<std::uint8_t>* target = nullptr;
    std::string filePath;
    std::unique_ptr<TNewFile> newFile; // dropped unfinished with the storage

    const cfb::Reader& Reader() const {
        if (!file) Fail(std::string(kReadErrorMessage));
        return file->reader;
    }

    std::uint32_t Current() const { return path.back(); }

    Node* Find(const std::string& name) const {
        for (auto& child : nodes.back()->children)
            if (child->name == name) return child.get();
        std::u16string name16 = Utf8ToUtf16(name);
        for (auto& child : nodes.back()->children)
            if (CompareNames(child->name16, name16) == 0) return child.get();
        return nullptr;
    }

    Node* Add(const std::string& name, bool storage) {
        std::u16string name16 = Utf8ToUtf16(name);
        if (name16.empty() || name16.size() > cfb::kMaxNameUnits)
            Fail("\"%s\" is an invalid name", name.c_str());
        if (Find(name) != nullptr) Fail("\"%s\" already exists", name.c_str());
        auto node = std::make_unique<Node>();
        node->name = name;
        node->name16 = std::move(name16);
        node->storage = storage;
        nodes.back()->children.push_back(std::move(node));
        return nodes.back()->children.back().get();
    }

    void Finish() {
        std::vector<std::uint8_t> bytes = cfb::BuildCompoundFile(root);
        if (target != nullptr) {
            *target = std::move(bytes);
            return;
        }
        newFile->Commit(bytes);
    }
};

TOle2Storage::TOle2Storage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TOle2Storage::~TOle2Storage() = default;

std::unique_ptr<TOle2Storage> TOle2Storage::OpenRead(const std::string& path) {
    // The whole file is read once; nothing of it stays open after this.
    auto impl = std::make_unique<Impl>();
    impl->file = std::make_shared<const OpenFile>(ReadRegularFile(path), path);
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::OpenReadMemory(std::span<const std::uint8_t> bytes,
                                                           const std::string& name) {
    return OpenReadBuffer(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), name);
}

std::unique_ptr<TOle2Storage> TOle2Storage::OpenReadBuffer(std::vector<std::uint8_t> bytes,
                                                           const std::string& name) {
    auto impl = std::make_unique<Impl>();
    impl->file = std::make_shared<const OpenFile>(TFileBytes(std::move(bytes)), name);
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::Create(const std::string& path, bool overwrite) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Mode::Create;
    impl->nodes.push_back(&impl->root);
    impl->root.storage = true;
    impl->filePath = path;
    impl->newFile = std::make_unique<TNewFile>(path, overwrite);
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

std::unique_ptr<TOle2Storage> TOle2Storage::CreateInMemory(std::vector<std::uint8_t>& target) {
    auto impl = std::make_unique<Impl>();
    impl->mode = Mode::Create;
    impl->nodes.push_back(&impl->root);
    impl->root.storage = true;
    impl->target = &target;
    return std::unique_ptr<TOle2Storage>(new TOle2Storage(std::move(impl)));
}

TOle2Storage::Mode TOle2Storage::GetMode() const {
    return impl_->mode;
}

std::vector<TElementInfo> TOle2Storage::List() {
    std::vector<TElementInfo> out;
    if (impl_->mode == Mode::Create) {
        std::vector<const Node*> children;
        for (auto& child : impl_->nodes.back()->children)
            children.push_back(child.get());
        std::stable_sort(children.begin(), children.end(), [](const Node* a, const Node* b) {
            return CompareNames(a->name16, b->name16) < 0;
        });
        for (const Node* child : children)
            out.push_back({child->name, child->storage ? kElementStorage : kElementStream,
                           child->storage ? 0 : child->bytes.size()});
        return out;
    }
    const cfb::Reader& reader = impl_->Reader();
    for (std::uint32_t id : reader.Entry(impl_->Current()).children) {
        const cfb::DirEntry& item = reader.Entry(id);
        bool storage = item.type == kTypeStorage;
        out.push_back(
            {item.name, storage ? kElementStorage : kElementStream, storage ? 0 : item.size});
    }
    return out;
}

void TOle2Storage::Enter(const std::string& name) {
    if (impl_->mode == Mode::Create) {
        impl_->nodes.push_back(impl_->Add(name, true));
        return;
    }
    const cfb::Reader& reader = impl_->Reader();
    std::uint32_t id = reader.Find(impl_->Current(), name);
    if (id == kNoStream || reader.Entry(id).type != kTypeStorage) Fail(kMsgCantRead, name.c_str());
    impl_->path.push_back(id);
}

void TOle2Storage::Leave() {
    if (impl_->mode == Mode::Create) {
        if (impl_->nodes.size() > 1) impl_->nodes.pop_back();
    } else if (impl_->path.size() > 1) {
        impl_->path.pop_back();
    }
}

std::size_t TOle2Storage::Depth() const {
    return (impl_->mode == Mode::Create ? impl_->nodes.size() : impl_->path.size()) - 1;
}

void TOle2Storage::Close() {
    if (impl_->closed) return;
    impl_->closed = true;
    if (impl_->mode == Mode::Create)
        impl_->Finish();
    else
        impl_->file.reset();
}

// ---- TOle2Stream ----------------------------------------------------------------------------

struct TOle2Stream::Impl {
    TOle2Storage::Impl* storage = nullptr;
    std::uint64_t position = 0;
    // Read mode: the stream's pieces in the file.
    // Shares the file read with the storage, so that it stays alive past the storage's Close().
    std::shared_ptr<const cfb::Reader> reader;
    std::vector<Run> runs;
    std::uint64_t size = 0;
    std::size_t hint = 0;                // the run the last read ended in
    std::vector<std::uint8_t> assembled; // Bytes() of a stream in several pieces
    bool isAssembled = false;
    // Create mode: the stream's bytes.
    Node* node = nullptr;
};

TOle2Stream::TOle2Stream(TOle2Storage& storage, const std::string& name)
    : impl_(std::make_unique<Impl>()) {
    TOle2Storage::Impl& owner = *storage.impl_;
    impl_->storage = &owner;
    if (owner.mode == TOle2Storage::Mode::Create) {
        if (owner.closed) Fail(kMsgCantCreate, owner.filePath.c_str(), "closed");
        impl_->node = owner.Add(name, false);
        return;
    }
    const cfb::Reader& reader = owner.Reader();
    std::uint32_t id = reader.Find(owner.Current(), name);
    if (id == kNoStream || reader.Entry(id).type != kTypeStream)
        Fail(std::string(kReadErrorMessage));
    impl_->reader = std::shared_ptr<const cfb::Reader>(owner.file, &owner.file->reader);
    impl_->size = reader.Entry(id).size;
    impl_->runs = reader.StreamRuns(reader.Entry(id));
}

TOle2Stream::~TOle2Stream() = default;

std::size_t TOle2Stream::Read(void* buffer, std::size_t count) {
    if (count == 0) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (impl_->node != nullptr) {
        const auto& bytes = impl_->node->bytes;
        if (impl_->position >= bytes.size()) return 0;
        std::size_t at = static_cast<std::size_t>(impl_->position);
        std::size_t n = std::min(count, bytes.size() - at);
        std::memcpy(out, bytes.data() + at, n);
        impl_->position += n;
        return n;
    }
    if (impl_->reader == nullptr) return 0;
    const auto& runs = impl_->runs;
    auto data = impl_->reader->Data();
    std::size_t done = 0;
    while (done < count && impl_->position < impl_->size) {
        // Find the run holding the position, starting from the last one used.
        std::size_t& r = impl_->hint;
        if (r >= runs.size() || runs[r].logical > impl_->position) r = 0;
        while (r + 1 < runs.size() && runs[r + 1].logical <= impl_->position)
            ++r;
        const Run& run = runs[r];
        std::uint64_t within = impl_->position - run.logical;
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(count - done, run.length - within));
        std::memcpy(out + done, data.data() + run.file + within, n);
        done += n;
        impl_->position += n;
    }
    return done;
}

void TOle2Stream::Write(const void* buffer, std::size_t count) {
    if (impl_->node == nullptr) Fail(std::string(kReadErrorMessage));
    if (count == 0) return;
    auto& bytes = impl_->node->bytes;
    // A version-3 stream stays under 2 GB.
    if (impl_->position >= cfb::kMaxStreamSize || count >= cfb::kMaxStreamSize - impl_->position)
        Fail(std::string(cfb::kMsgTooLarge));
    std::uint64_t end = impl_->position + count;
    if (end > bytes.size()) bytes.resize(static_cast<std::size_t>(end));
    std::memcpy(bytes.data() + impl_->position, buffer, count);
    impl_->position = end;
}

std::uint64_t TOle2Stream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(impl_->position);
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(Size());
    if ((offset < 0 && base + offset < 0) ||
        (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset))
        Fail(std::string(kReadErrorMessage));
    impl_->position = static_cast<std::uint64_t>(base + offset);
    return impl_->position;
}

std::uint64_t TOle2Stream::Position() const {
    return impl_->position;
}

std::uint64_t TOle2Stream::Size() const {
    return impl_->node != nullptr ? impl_->node->bytes.size() : impl_->size;
}

std::vector<std::uint8_t> TOle2Stream::ReadAll() {
    if (impl_->node != nullptr) return impl_->node->bytes;
    std::vector<std::uint8_t> out;
    if (impl_->reader == nullptr) return out;
    return impl_->reader->Assemble(impl_->runs, impl_->size);
}

std::span<const std::uint8_t> TOle2Stream::Bytes() {
    if (impl_->node != nullptr) return impl_->node->bytes;
    if (impl_->reader == nullptr || impl_->runs.empty()) return {};
    if (impl_->runs.size() == 1) {
        const Run& run = impl_->runs.front();
        return impl_->reader->Data().subspan(static_cast<std::size_t>(run.file),
                                             static_cast<std::size_t>(run.length));
    }
    if (!impl_->isAssembled) {
        impl_->assembled = ReadAll();
        impl_->isAssembled = true;
    }
    return impl_->assembled;
}

// ---- Elements -------------------------------------------------------------------------------

void CopyElements(TXlsStorageList& target, TOle2Storage& storage, bool nested) {
    if (storage.impl_->mode == TOle2Storage::Mode::Read) {
        const cfb::Reader& reader = storage.impl_->Reader();
        cfb::SectorClaims claims(reader);
        CopyFromDirectory(reader, storage.impl_->Current(), target, nested, claims);
        return;
    }
    for (const TElementInfo& element : storage.List()) {
        if (element.type == kElementStorage) {
            storage.Enter(element.name);
            target.push_back({element.name, {}, {}});
            try {
                CopyElements(target.back().children, storage, true);
            } catch (...) {
                storage.Leave();
                throw;
            }
            storage.Leave();
        } else if (element.type == kElementStream) {
            if (!nested && element.name == kWorkbookStreamName) continue;
            TOle2Stream stream(storage, element.name);
            target.push_back({element.name, stream.ReadAll(), {}});
        }
    }
}

void WriteElement(const TXlsStorage& item, TOle2Storage& storage) {
    if (!item.bytes.empty()) {
        TOle2Stream stream(storage, item.name);
        stream.Write(item.bytes.data(), item.bytes.size());
    } else if (!item.children.empty()) {
        storage.Enter(item.name);
        for (const TXlsStorage& child : item.children)
            WriteElement(child, storage);
        storage.Leave();
    }
}

std::string LocateWorkbookFile(const std::string& name) {
    namespace fs = std::filesystem;
    if (name.empty()) Fail(kMsgCantFind, name.c_str());
    fs::path path(name);
    if (!path.has_extension()) path += ".xls";
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) Fail(kMsgCantFind, name.c_str());
    fs::path full = fs::absolute(path, error);
    if (error) Fail(kMsgCantFind, name.c_str());
    return full.lexically_normal().string();
}

} // namespace orq::xls
