#include "xlsx/xlsx_import.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <expat.h>

#include "base/error.h"
#include "base/utf.h"
#include "xlsx/xml_scanner.h"
#include "xlsx/zip_archive.h"

namespace orq::xlsx {
namespace {

constexpr const char* kMsgTextTooLong = "Text of more than 1 MB in one cell";

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// An element's name without its namespace prefix ("x:c" is "c").
std::string_view LocalName(std::string_view view) {
    const auto colon = view.rfind(':');
    return colon == std::string_view::npos ? view : view.substr(colon + 1);
}

// The value of the attribute of that (local) name, or nullptr.
const std::string_view* Attribute(std::span<const TXmlAttribute> attributes,
                                  std::string_view name) {
    for (const TXmlAttribute& attribute : attributes)
        if (LocalName(attribute.Name) == name) return &attribute.Value;
    return nullptr;
}

// One XML part read as a stream of events, by expat or by the scanner: the subclass sees
// elements and their text. Document type and entity declarations stop the read before anything
// is expanded; so do elements nested too deeply and overlong attributes. With expat, a failure
// inside a handler stops the parser and is raised once expat has returned (no exception passes
// through expat's frames).
class TXmlPart : public TXmlEvents {
public:
    void Read(const TZipArchive& zip, const std::string& part, TXmlReader reader) {
        if (reader == TXmlReader::Scanner) {
            TXmlScanner scanner(*this, kMaxXmlDepth, kMaxAttributeLength);
            zip.Read(part, [&](std::span<const std::uint8_t> chunk) {
                const char* reason =
                    scanner.Feed({reinterpret_cast<const char*>(chunk.data()), chunk.size()});
                if (reason) zip.Invalid(reason);
            });
            if (const char* reason = scanner.Finish()) zip.Invalid(reason);
            return;
        }
        XML_Parser parser = XML_ParserCreate("UTF-8");
        if (!parser) throw std::bad_alloc();
        struct Free {
            XML_Parser parser;
            ~Free() { XML_ParserFree(parser); }
        } free{parser};
        parser_ = parser;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &TXmlPart::OnStart, &TXmlPart::OnEnd);
        XML_SetCharacterDataHandler(parser, &TXmlPart::OnText);
        XML_SetStartDoctypeDeclHandler(parser, &TXmlPart::OnDoctype);
        XML_SetEntityDeclHandler(parser, &TXmlPart::OnEntity);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

        zip.Read(part, [&](std::span<const std::uint8_t> chunk) {
            if (XML_Parse(parser, reinterpret_cast<const char*>(chunk.data()),
                          static_cast<int>(chunk.size()), XML_FALSE) != XML_STATUS_OK)
                Stopped(zip);
        });
        if (XML_Parse(parser, nullptr, 0, XML_TRUE) != XML_STATUS_OK) Stopped(zip);
    }

private:
    [[noreturn]] void Stopped(const TZipArchive& zip) {
        if (failure_) std::rethrow_exception(failure_);
        if (reason_) zip.Invalid(reason_);
        zip.Invalid("damaged XML");
    }

    void Refuse(const char* reason) {
        if (!reason_ && !failure_) reason_ = reason;
        XML_StopParser(parser_, XML_FALSE);
    }

    template <typename F> void Guard(F&& handler) {
        if (reason_ || failure_) return;
        try {
            handler();
        } catch (...) {
            failure_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    static void XMLCALL OnStart(void* data, const char* name, const char** attributes) {
        auto* self = static_cast<TXmlPart*>(data);
        if (++self->depth_ > kMaxXmlDepth) return self->Refuse("XML nested too deeply");
        self->attributes_.clear();
        for (const char** a = attributes; *a; a += 2) {
            const std::string_view value(a[1]);
            if (value.size() > kMaxAttributeLength) return self->Refuse("XML attribute too long");
            self->attributes_.push_back({a[0], value});
        }
        self->Guard([&] { self->Start(LocalName(name), self->attributes_); });
    }
    static void XMLCALL OnEnd(void* data, const char* name) {
        auto* self = static_cast<TXmlPart*>(data);
        --self->depth_;
        self->Guard([&] { self->End(LocalName(name)); });
    }
    static void XMLCALL OnText(void* data, const char* text, int length) {
        auto* self = static_cast<TXmlPart*>(data);
        self->Guard([&] { self->Text({text, static_cast<std::size_t>(length)}); });
    }
    static void XMLCALL OnDoctype(void* data, const char*, const char*, const char*, int) {
        static_cast<TXmlPart*>(data)->Refuse("XML document type declaration");
    }
    static void XMLCALL OnEntity(void* data, const char*, int, const char*, int, const char*,
                                 const char*, const char*, const char*) {
        static_cast<TXmlPart*>(data)->Refuse("XML entity declaration");
    }

    XML_Parser parser_ = nullptr;
    std::vector<TXmlAttribute> attributes_;
    int depth_ = 0;
    const char* reason_ = nullptr;
    std::exception_ptr failure_;
};

// The text of the elements a part is told to collect (the runs of a string joined), up to
// kMaxTextLength.
class TJoinedText {
public:
    void Reset() {
        text_.clear();
        on_ = false;
    }
    void Resume() { on_ = true; }
    void Stop() { on_ = false; }
    void Append(std::string_view piece) {
        if (!on_) return;
        if (text_.size() + piece.size() > kMaxTextLength) Fail(kMsgTextTooLong);
        text_.append(piece);
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
    bool on_ = false;
};

// A part's folder ("xl/" of "xl/workbook.xml") and a relationship's target resolved against it.
std::string FolderOf(const std::string& part) {
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string Resolve(const std::string& folder, const std::string& target) {
    std::string path = target.starts_with('/') ? target.substr(1) : folder + target;
    // Steps of ".." and "." in the path.
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const auto slash = std::min(path.find('/', at), path.size());
        const std::string piece = path.substr(at, slash - at);
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        at = slash + 1;
    }
    std::string out;
    for (const std::string& piece : parts)
        out += (out.empty() ? "" : "/") + piece;
    return out;
}

std::string RelsOf(const std::string& part) {
    const auto slash = part.rfind('/');
    const std::size_t file = slash == std::string::npos ? 0 : slash + 1;
    return part.substr(0, file) + "_rels/" + part.substr(file) + ".rels";
}

// A relationships part: id to target, and the target of each type's first relationship (by
// the type's last path step: "officeDocument", "sharedStrings").
class TRelationships : public TXmlPart {
public:
    std::unordered_map<std::string, std::string> Targets;
    std::unordered_map<std::string, std::string> ByType;

protected:
    void Start(std::string_view name, std::span<const TXmlAttribute> attributes) override {
        if (name != "Relationship") return;
        const auto* id = Attribute(attributes, "Id");
        const auto* target = Attribute(attributes, "Target");
        const auto* type = Attribute(attributes, "Type");
        const auto* mode = Attribute(attributes, "TargetMode");
        if (!target || (mode && *mode == "External")) return;
        if (id) Targets.emplace(*id, *target);
        if (type) {
            std::string_view kind = *type;
            kind = kind.substr(kind.rfind('/') + 1);
            ByType.emplace(std::string(kind), *target);
        }
    }
    void End(std::string_view) override {}
    void Text(std::string_view) override {}
};

// The workbook part: the relationship id of its first sheet.
class TWorkbookPart : public TXmlPart {
public:
    std::string FirstSheet;
    bool Found = false;

protected:
    void Start(std::string_view name, std::span<const TXmlAttribute> attributes) override {
        if (Found || name != "sheet") return;
        Found = true;
        if (const auto* id = Attribute(attributes, "id")) FirstSheet = *id;
    }
    void End(std::string_view) override {}
    void Text(std::string_view) override {}
};

// The shared strings: each entry's text runs joined, phonetic runs left out.
class TSharedStrings : public TXmlPart {
public:
    TSharedStrings(TGridSheet& sheet, const TZipArchive& zip) : sheet_(sheet), zip_(zip) {}
    std::vector<TGridSheet::TText> Strings;

protected:
    void Start(std::string_view name, std::span<const TXmlAttribute>) override {
        if (name == "si") {
            inEntry_ = true;
            text_.Reset();
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inEntry_ && phonetic_ == 0) {
            text_.Resume();
        }
    }
    void End(std::string_view name) override {
        if (name == "t") {
            text_.Stop();
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "si" && inEntry_) {
            inEntry_ = false;
            if (!IsUtf8(AsBytes(text_.Text()))) zip_.Invalid("damaged XML");
            sheet_.Account(sizeof(TGridSheet::TText));
            Strings.push_back(sheet_.Intern(text_.Text()));
        }
    }
    void Text(std::string_view text) override { text_.Append(text); }

private:
    TGridSheet& sheet_;
    const TZipArchive& zip_;
    TJoinedText text_;
    bool inEntry_ = false;
    int phonetic_ = 0;
};

// A cell reference ("AB12"): its 1-based column and row; false when it is none.
bool ParseReference(std::string_view ref, int& column, int& row) {
    std::size_t i = 0;
    long long c = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
        c = c * 26 + (ref[i] - 'A' + 1);
        if (c > kGridMaxColumn) return false;
    }
    if (i == 0 || i == ref.size()) return false;
    long long r = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9') return false;
        r = r * 10 + (ref[i] - '0');
        if (r > kGridMaxRow) return false;
    }
    column = static_cast<int>(c);
    row = static_cast<int>(r);
    return row >= 1;
}

bool ParseRowNumber(std::string_view text, int& row) {
    long long r = 0;
    if (text.empty()) return false;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        r = r * 10 + (ch - '0');
        if (r > kGridMaxRow) return false;
    }
    row = static_cast<int>(r);
    return row >= 1;
}

// A cell's type attribute: shared string, number, Boolean; the others (inline string, formula
// text, error, date as text) are text.
enum class Type : std::uint8_t { Shared, Number, Boolean, Text };

Type TypeOf(std::string_view type) {
    if (type == "s") return Type::Shared;
    if (type == "n") return Type::Number;
    if (type == "b") return Type::Boolean;
    return Type::Text;
}

// A worksheet part: its rows and cells into the grid.
class TSheetPart : public TXmlPart {
public:
    TSheetPart(TGridSheet& sheet, const std::vector<TGridSheet::TText>& strings,
               const TZipArchive& zip)
        : sheet_(sheet), strings_(strings), zip_(zip) {}

protected:
    void Start(std::string_view name, std::span<const TXmlAttribute> attributes) override {
        if (inCell_) {
            if (name == "v") {
                text_.Reset();
                text_.Resume();
                hasValue_ = true;
            } else if (name == "is") {
                inInline_ = true;
                text_.Reset();
                hasValue_ = true;
            } else if (name == "rPh") {
                ++phonetic_;
            } else if (name == "t" && inInline_ && phonetic_ == 0) {
                text_.Resume();
            }
            return;
        }
        if (name == "c") {
            const auto* ref = Attribute(attributes, "r");
            int row = row_;
            if (ref) {
                if (!ParseReference(*ref, column_, row)) zip_.Invalid("bad cell reference");
                if (row_ == 0) row_ = row;
                if (row != row_) zip_.Invalid("cell outside its row");
            } else {
                ++column_;
                if (row_ == 0) row_ = 1;
            }
            const auto* type = Attribute(attributes, "t");
            type_ = TypeOf(type ? *type : std::string_view("n"));
            inCell_ = true;
            hasValue_ = false;
            inInline_ = false;
            phonetic_ = 0;
        } else if (name == "row") {
            const auto* number = Attribute(attributes, "r");
            int row = row_ + 1;
            if (number && !ParseRowNumber(*number, row)) zip_.Invalid("bad row number");
            row_ = row;
            column_ = 0;
            sheet_.NoteRow(row_);
        }
    }

    void End(std::string_view name) override {
        if (!inCell_) return;
        if (name == "v" || name == "t") {
            text_.Stop();
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "is") {
            inInline_ = false;
        } else if (name == "c") {
            inCell_ = false;
            if (hasValue_) Store();
        }
    }

    void Text(std::string_view text) override { text_.Append(text); }

private:
    void Store() {
        const std::string& value = text_.Text();
        if (type_ == Type::Shared) {
            std::size_t index = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), index);
            if (error != std::errc() || end != value.data() + value.size() ||
                index >= strings_.size())
                zip_.Invalid("bad shared string index");
            sheet_.AddText(row_, column_, strings_[index]);
        } else if (type_ == Type::Number) {
            if (value.empty()) return;
            double number = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (error == std::errc() && end == value.data() + value.size())
                sheet_.AddNumber(row_, column_, number);
            else if (IsUtf8(AsBytes(value)))
                sheet_.AddText(row_, column_, value);
            else
                zip_.Invalid("damaged XML");
        } else if (type_ == Type::Boolean) {
            if (value == "1" || value == "true")
                sheet_.AddBoolean(row_, column_, true);
            else if (value == "0" || value == "false")
                sheet_.AddBoolean(row_, column_, false);
            else if (IsUtf8(AsBytes(value)))
                sheet_.AddText(row_, column_, value);
            else
                zip_.Invalid("damaged XML");
        } else if (!value.empty()) {
            if (!IsUtf8(AsBytes(value))) zip_.Invalid("damaged XML");
            // Text of a formula ("str"), an inline string, an error ("#N/A"), a date as text.
            sheet_.AddText(row_, column_, value);
        }
    }

    TGridSheet& sheet_;
    const std::vector<TGridSheet::TText>& strings_;
    const TZipArchive& zip_;
    TJoinedText text_;
    Type type_ = Type::Number;
    int row_ = 0;
    int column_ = 0;
    int phonetic_ = 0;
    bool inCell_ = false;
    bool inInline_ = false;
    bool hasValue_ = false;
};

} // namespace

TXlsxImport::TXlsxImport(TXmlReader reader) : reader_(reader) {}

void TXlsxImport::Parse(std::span<const std::uint8_t> bytes, const std::string& fileName,
                        TGridSheet& sheet) {
    const TZipArchive zip(bytes, fileName);

    std::string workbook = "xl/workbook.xml";
    if (zip.Has("_rels/.rels")) {
        TRelationships root;
        root.Read(zip, "_rels/.rels", TXmlReader::Expat);
        if (auto it = root.ByType.find("officeDocument"); it != root.ByType.end())
            workbook = Resolve("", it->second);
    }
    if (!zip.Has(workbook)) zip.Invalid("no workbook in the archive");

    TWorkbookPart book;
    book.Read(zip, workbook, TXmlReader::Expat);
    if (!book.Found) zip.Invalid("no sheet in the workbook");

    const std::string folder = FolderOf(workbook);
    TRelationships links;
    if (zip.Has(RelsOf(workbook))) links.Read(zip, RelsOf(workbook), TXmlReader::Expat);
    const auto target = links.Targets.find(book.FirstSheet);
    if (target == links.Targets.end()) zip.Invalid("no part for the first sheet");
    const std::string sheetPart = Resolve(folder, target->second);
    if (!zip.Has(sheetPart)) zip.Invalid("no part for the first sheet");

    std::string stringsPart;
    if (auto it = links.ByType.find("sharedStrings"); it != links.ByType.end())
        stringsPart = Resolve(folder, it->second);
    // A cell takes some 30 to 40 bytes of a sheet's XML; the texts less than their part.
    sheet.Reserve(zip.Size(sheetPart) / 40, zip.Size(stringsPart));

    TSharedStrings strings(sheet, zip);
    if (!stringsPart.empty() && zip.Has(stringsPart)) strings.Read(zip, stringsPart, reader_);

    TSheetPart cells(sheet, strings.Strings, zip);
    cells.Read(zip, sheetPart, reader_);
}

} // namespace orq::xlsx
