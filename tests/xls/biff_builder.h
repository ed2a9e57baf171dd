#pragma once

// BIFF8 record streams built record by record for the reader tests, and their wrapping into a
// compound file's "Workbook" stream.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "xls/cfb.h"
#include "xls/records.h"
#include "xls/tavro_import.h"

namespace orq::xls::testing {

using Bytes = std::vector<std::uint8_t>;

// Little-endian field bytes.
inline void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void PutF64(Bytes& out, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Put32(out, static_cast<std::uint32_t>(bits));
    Put32(out, static_cast<std::uint32_t>(bits >> 32));
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// An 8-bit string: character count (1 or 2 bytes), option byte 0, the characters.
inline Bytes Str8(const std::string& text, int lengthBytes = 2) {
    Bytes out;
    if (lengthBytes == 1)
        out.push_back(static_cast<std::uint8_t>(text.size()));
    else
        Put16(out, static_cast<std::uint16_t>(text.size()));
    out.push_back(0x00);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}
// A 16-bit string.
inline Bytes Str16(const std::u16string& text, int lengthBytes = 2) {
    Bytes out;
    if (lengthBytes == 1)
        out.push_back(static_cast<std::uint8_t>(text.size()));
    else
        Put16(out, static_cast<std::uint16_t>(text.size()));
    out.push_back(0x01);
    for (char16_t c : text)
        Put16(out, c);
    return out;
}

// A record stream under construction.
class Biff {
public:
    Biff& Record(std::uint16_t id, const Bytes& data) {
        Put16(bytes, id);
        Put16(bytes, static_cast<std::uint16_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Biff& Raw(const Bytes& data) {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Biff& Bof(std::uint16_t type, std::uint16_t version = kBiff8Version) {
        Bytes data;
        Put16(data, version);
        Put16(data, type);
        Put16(data, 0x1338);
        Put16(data, 0x07CD);
        Put32(data, 0x000000C1);
        Put32(data, 0x00000306);
        return Record(rid::kBof, data);
    }
    Biff& Eof() { return Record(rid::kEof, {}); }
    Biff& BoundSheet(const Bytes& name, std::uint8_t type = 0) {
        Bytes data;
        Put32(data, 0);
        data.push_back(0);
        data.push_back(type);
        data.insert(data.end(), name.begin(), name.end());
        return Record(rid::kBoundSheet, data);
    }
    Biff& BoundSheet(const std::string& name, std::uint8_t type = 0) {
        return BoundSheet(Str8(name, 1), type);
    }
    Biff& Window1(std::uint16_t activeTab) {
        Bytes data;
        for (int v : {360, 240, 14940, 9150, 0x38})
            Put16(data, static_cast<std::uint16_t>(v));
        Put16(data, activeTab);
        Put16(data, 0);
        Put16(data, 1);
        Put16(data, 600);
        return Record(rid::kWindow1, data);
    }
    Biff& Window2(std::uint16_t flags = 0x06B6) {
        Bytes data;
        Put16(data, flags);
        data.resize(18, 0);
        return Record(rid::kWindow2, data);
    }
    // An SST record whose strings are given as their stored bytes.
    Biff& Sst(const std::vector<Bytes>& strings) {
        Bytes data;
        Put32(data, static_cast<std::uint32_t>(strings.size()));
        Put32(data, static_cast<std::uint32_t>(strings.size()));
        for (const Bytes& s : strings)
            data.insert(data.end(), s.begin(), s.end());
        return Record(rid::kSst, data);
    }
    static Bytes Cell(std::uint16_t row, std::uint16_t column, std::uint16_t xf = 15) {
        Bytes data;
        Put16(data, row);
        Put16(data, column);
        Put16(data, xf);
        return data;
    }
    Biff& Number(std::uint16_t row, std::uint16_t column, double value) {
        Bytes data = Cell(row, column);
        PutF64(data, value);
        return Record(rid::kNumber, data);
    }
    Biff& Rk(std::uint16_t row, std::uint16_t column, std::uint32_t rk) {
        Bytes data = Cell(row, column);
        Put32(data, rk);
        return Record(rid::kRk, data);
    }
    Biff& LabelSst(std::uint16_t row, std::uint16_t column, std::uint32_t index) {
        Bytes data = Cell(row, column);
        Put32(data, index);
        return Record(rid::kLabelSst, data);
    }
    Biff& Label(std::uint16_t row, std::uint16_t column, const Bytes& text,
                std::uint16_t id = rid::kLabel) {
        return Record(id, Cat({Cell(row, column), text}));
    }
    Biff& BoolErr(std::uint16_t row, std::uint16_t column, std::uint8_t value,
                  std::uint8_t isError) {
        Bytes data = Cell(row, column);
        data.push_back(value);
        data.push_back(isError);
        return Record(rid::kBoolErr, data);
    }
    Biff& Blank(std::uint16_t row, std::uint16_t column) {
        return Record(rid::kBlank, Cell(row, column));
    }
    // A FORMULA whose 8 result bytes are given; tokens: one ptgInt 1.
    Biff& Formula(std::uint16_t row, std::uint16_t column, const Bytes& result) {
        Bytes data = Cell(row, column);
        data.insert(data.end(), result.begin(), result.end());
        Put16(data, 0);       // option flags
        Put32(data, 0);       // chn
        Put16(data, 3);       // token count
        data.push_back(0x1E); // ptgInt
        Put16(data, 1);
        return Record(rid::kFormula, data);
    }
    // Result bytes of a non-number formula result: type, 0, value, 0, 0, 0, 0xFFFF.
    static Bytes Special(std::uint8_t type, std::uint8_t value = 0) {
        return Bytes{type, 0, value, 0, 0, 0, 0xFF, 0xFF};
    }
    static Bytes NumberResult(double value) {
        Bytes data;
        PutF64(data, value);
        return data;
    }
    Biff& String(const Bytes& text) { return Record(rid::kString, text); }
    Biff& Row(std::uint16_t row, std::uint16_t firstColumn = 0, std::uint16_t pastLast = 0) {
        Bytes data;
        Put16(data, row);
        Put16(data, firstColumn);
        Put16(data, pastLast);
        Put16(data, 255);
        Put16(data, 0);
        Put16(data, 0);
        Put16(data, 0x0100);
        Put16(data, 15);
        return Record(rid::kRow, data);
    }

    Bytes bytes;
};

// A globals substream with one BOUNDSHEET per name (and the given SST strings, if any).
inline Biff Globals(const std::vector<std::string>& names, const std::vector<Bytes>& sst = {},
                    int activeTab = 0) {
    Biff b;
    b.Bof(kBofGlobals).Window1(static_cast<std::uint16_t>(activeTab));
    for (const std::string& name : names)
        b.BoundSheet(name);
    if (!sst.empty()) b.Sst(sst);
    b.Eof();
    return b;
}

// A worksheet substream around the given records.
inline Bytes Sheet(const Biff& body) {
    return Cat({Biff().Bof(kBofWorksheet).bytes, body.bytes, Biff().Eof().bytes});
}

// A workbook of one worksheet named "Sheet1".
inline Bytes OneSheetBook(const Biff& body, const std::vector<Bytes>& sst = {}) {
    return Cat({Globals({"Sheet1"}, sst).bytes, Sheet(body)});
}

// A compound file holding `workbook` as its stream `name`.
inline Bytes CompoundFile(const Bytes& workbook, const std::string& name = "Workbook") {
    Bytes file;
    {
        auto storage = TOle2Storage::CreateInMemory(file);
        {
            TOle2Stream stream(*storage, name);
            stream.Write(workbook.data(), workbook.size());
        }
        storage->Close();
    }
    return file;
}

// An import component holding the workbook read from `workbook` (a record stream).
inline std::unique_ptr<TTavroImport> OpenWorkbook(const Bytes& workbook) {
    auto import = TTavroImport::WithOwnAdapter();
    import->OpenMemory(CompoundFile(workbook));
    return import;
}

inline TXLSFile& FileOf(TTavroImport& import) {
    return static_cast<TXLSFile&>(*import.File());
}

// The message of the failure the action raises.
template <typename F> std::string FailureOf(F&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no failure)";
}

} // namespace orq::xls::testing
