// Fuzzes the compound-file reader: opens the input from memory, lists every element, reads every
// stream both whole and in pieces, copies the elements as the workbook open does, and writes
// them back through the writer, whose output must read back the same. Damaged input may fail
// with orq::Error; anything else (a crash, a hang, a sanitizer report, a mismatch) is a finding.
//
// Seeds (fuzz/corpus/fuzz_cfb): the hand-built test files of both versions, a file from our
// writer with nested storages, and the xlwt and LibreOffice fixtures of the tests.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "xls/cfb.h"

namespace {

using orq::xls::TOle2Storage;
using orq::xls::TOle2Stream;
using orq::xls::TXlsStorage;
using orq::xls::TXlsStorageList;

void Check(bool condition) {
    if (!condition) std::abort();
}

void ReadEverything(TOle2Storage& storage) {
    auto elements = storage.List();
    for (const auto& element : elements) {
        if (element.type == orq::xls::kElementStorage) {
            storage.Enter(element.name);
            ReadEverything(storage);
            storage.Leave();
            continue;
        }
        TOle2Stream stream(storage, element.name);
        // A damaged directory may hold equal names; a name opens the first element of that name.
        std::size_t same = 0;
        for (const auto& other : elements)
            same += other.name == element.name ? 1u : 0u;
        if (same == 1) Check(stream.Size() == element.size);
        std::vector<std::uint8_t> whole = stream.ReadAll();
        Check(whole.size() == stream.Size());
        Check(stream.Bytes().size() == whole.size() &&
              std::equal(whole.begin(), whole.end(), stream.Bytes().begin()));
        std::vector<std::uint8_t> pieces;
        std::uint8_t buffer[777];
        while (std::size_t n = stream.Read(buffer, sizeof buffer))
            pieces.insert(pieces.end(), buffer, buffer + n);
        Check(pieces == whole);
    }
}

// What a held element becomes when written and read again: empty streams and storages left
// without children are not written.
TXlsStorageList Written(const TXlsStorageList& list) {
    TXlsStorageList out;
    for (const TXlsStorage& item : list) {
        if (!item.bytes.empty())
            out.push_back({item.name, item.bytes, {}});
        else if (!item.children.empty())
            out.push_back({item.name, {}, Written(item.children)});
    }
    return out;
}

bool Same(const TXlsStorageList& a, const TXlsStorageList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].bytes != b[i].bytes ||
            !Same(a[i].children, b[i].children))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TXlsStorageList held;
    std::vector<std::uint8_t> workbook;
    try {
        auto storage =
            TOle2Storage::OpenReadMemory(std::span<const std::uint8_t>(data, size), "fuzz.xls");
        ReadEverything(*storage);
        orq::xls::CopyElements(held, *storage, false);
        try {
            workbook = TOle2Stream(*storage, "Workbook").ReadAll();
        } catch (const orq::Error&) {
        }
    } catch (const orq::Error&) {
        return 0;
    }

    // Saved again, the file must read back as what was written. The writer may refuse names a
    // damaged file holds (duplicates, over-long names); that is a failure with a message.
    std::vector<std::uint8_t> file;
    try {
        auto target = TOle2Storage::CreateInMemory(file);
        for (const TXlsStorage& item : held)
            orq::xls::WriteElement(item, *target);
        TOle2Stream(*target, "Workbook").Write(workbook.data(), workbook.size());
        target->Close();
    } catch (const orq::Error&) {
        return 0;
    }
    auto reread = TOle2Storage::OpenReadMemory(file);
    TXlsStorageList back;
    orq::xls::CopyElements(back, *reread, false);
    Check(Same(back, Written(held)));
    Check(TOle2Stream(*reread, "Workbook").ReadAll() == workbook);
    return 0;
}
