#pragma once

// A streaming reader of the XML that spreadsheet parts are made of, for the two large parts of a
// workbook (its sheet and its shared strings): elements with their attributes, character data,
// CDATA sections, comments and processing instructions, the five predefined entities and
// character references, line ends normalised as XML has them. It reads UTF-8 only and knows no
// document type: a DOCTYPE is refused unread, and so is every entity it does not know.
//
// expat reads the same XML at about 120 MB/s here, which for the 60 MB sheet of a real-size list
// is more than the whole time the open may take; this reader scans for the next markup
// character with memchr and copies text only when it holds a reference or a carriage return.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orq::xlsx {

// The longest piece of markup or text read in one: far beyond any a spreadsheet writer makes.
inline constexpr std::size_t kMaxXmlToken = std::size_t{4} << 20;

// An attribute of a start tag: its name with its prefix, its value decoded. Both stay valid
// until the handler returns.
struct TXmlAttribute {
    std::string_view Name;
    std::string_view Value;
};

class TXmlEvents {
public:
    virtual ~TXmlEvents() = default;
    // `name` without its prefix.
    virtual void Start(std::string_view name, std::span<const TXmlAttribute> attributes) = 0;
    virtual void End(std::string_view name) = 0;
    virtual void Text(std::string_view text) = 0;
};

class TXmlScanner {
public:
    TXmlScanner(TXmlEvents& events, int maxDepth, std::size_t maxAttributeLength)
        : events_(events), maxDepth_(maxDepth), maxAttributeLength_(maxAttributeLength) {}

    // Reads the next piece of the document; nullptr, or the reason the document is refused
    // ("damaged XML", "XML document type declaration", ...). After a refusal the scanner stays
    // refused.
    const char* Feed(std::string_view piece);
    // The end of the document.
    const char* Finish();

private:
    enum class Step { Done, Incomplete, Refused };
    const char* Scan(bool last);
    Step Markup(std::size_t& at, bool last);
    Step StartTag(std::size_t& at);
    Step EndTag(std::size_t& at);
    bool Declaration(std::string_view body);
    // Decodes references and line ends of `raw` into `out`; false for a bad reference.
    bool Decode(std::string_view raw, std::string& out, bool attribute);
    void Deliver(std::string_view raw);

    TXmlEvents& events_;
    const int maxDepth_;
    const std::size_t maxAttributeLength_;
    std::string buffer_;
    std::size_t consumed_ = 0; // bytes of the document before buffer_
    std::vector<std::string> open_;
    std::size_t depth_ = 0;
    bool rootSeen_ = false;
    const char* refused_ = nullptr;
    std::string text_;
    std::string decoded_;                                        // the values that needed decoding
    std::vector<std::pair<std::size_t, std::size_t>> decodedAt_; // offset (or npos), length
    std::vector<TXmlAttribute> attributes_;
};

} // namespace orq::xlsx
