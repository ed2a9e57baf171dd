#pragma once

// Zip archives built in memory for the .xlsx reader tests, and the parts of a minimal workbook.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <zip.h>

namespace orq::xlsx::testing {

using Bytes = std::vector<std::uint8_t>;
using Entries = std::vector<std::pair<std::string, std::string>>;

// An archive of the entries, in order, deflated (or stored).
inline Bytes Zip(const Entries& entries, bool deflate = true) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("zip_open_from_source");
    for (const auto& [name, data] : entries) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, 0);
        if (index < 0) throw std::runtime_error("zip_file_add");
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("zip_close");
    Bytes out;
    zip_source_open(target);
    zip_source_seek(target, 0, SEEK_END);
    out.resize(static_cast<std::size_t>(zip_source_tell(target)));
    zip_source_seek(target, 0, SEEK_SET);
    zip_source_read(target, out.data(), out.size());
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return out;
}

inline const char* kRootRels =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

// A workbook whose sheets are listed in `sheets` (name, relationship id) and whose relationships
// map rId<N> to worksheets/sheet<N>.xml, plus the shared strings.
inline std::string Workbook(const std::vector<std::pair<std::string, std::string>>& sheets) {
    std::string xml =
        R"(<?xml version="1.0" encoding="UTF-8"?>)"
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
        R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)";
    int id = 1;
    for (const auto& [name, rel] : sheets)
        xml += "<sheet name=\"" + name + "\" sheetId=\"" + std::to_string(id++) + "\" r:id=\"" +
               rel + "\"/>";
    return xml + "</sheets></workbook>";
}

inline std::string WorkbookRels(int sheets) {
    std::string xml =
        R"(<?xml version="1.0" encoding="UTF-8"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    for (int i = 1; i <= sheets; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "worksheet\" Target=\"worksheets/sheet" +
               std::to_string(i) + ".xml\"/>";
    xml +=
        R"(<Relationship Id="rIdS" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)";
    return xml + "</Relationships>";
}

inline std::string SheetXml(const std::string& rows) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>)"
           R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
           R"(<sheetData>)" +
           rows + "</sheetData></worksheet>";
}

inline std::string SharedStrings(const std::string& items) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>)"
           R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
           items + "</sst>";
}

// A one-sheet workbook of the given rows and shared-string items.
inline Bytes OneSheet(const std::string& rows, const std::string& strings = "",
                      bool deflate = true) {
    return Zip({{"_rels/.rels", kRootRels},
                {"xl/workbook.xml", Workbook({{"Sheet1", "rId1"}})},
                {"xl/_rels/workbook.xml.rels", WorkbookRels(1)},
                {"xl/sharedStrings.xml", SharedStrings(strings)},
                {"xl/worksheets/sheet1.xml", SheetXml(rows)}},
               deflate);
}

} // namespace orq::xlsx::testing
