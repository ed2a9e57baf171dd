#include "xlsx/xml_scanner.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "base/utf.h"

namespace orq::xlsx {
namespace {

constexpr const char* kDamaged = "damaged XML";
constexpr const char* kDoctype = "XML document type declaration";
constexpr const char* kNotUtf8 = "XML not in UTF-8";
constexpr const char* kTooDeep = "XML nested too deeply";
constexpr const char* kLongAttribute = "XML attribute too long";
constexpr const char* kLongToken = "XML token too long";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool EndsName(char c) {
    return IsSpace(c) || c == '/' || c == '>' || c == '=' || c == '<';
}

bool AllSpace(std::string_view text) {
    for (char c : text)
        if (!IsSpace(c)) return false;
    return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Characters that end a run of plain text or of a plain attribute value, or make it need decoding.
enum : std::uint8_t { kMarkup = 1, kNeedsDecoding = 2, kQuote = 4 };
constexpr std::array<std::uint8_t, 256> MakeClasses() {
    std::array<std::uint8_t, 256> classes{};
    classes['<'] = kMarkup;
    classes['&'] = kNeedsDecoding;
    classes['\r'] = kNeedsDecoding;
    classes['\t'] = kNeedsDecoding; // in attribute values only
    classes['\n'] = kNeedsDecoding; // in attribute values only
    classes['"'] = kQuote;
    classes['\''] = kQuote;
    return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

std::uint8_t ClassOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}

std::string_view LocalPart(std::string_view name) {
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

} // namespace

const char* TXmlScanner::Feed(std::string_view piece) {
    if (refused_) return refused_;
    buffer_.append(piece);
    return Scan(false);
}

const char* TXmlScanner::Finish() {
    if (refused_) return refused_;
    if (const char* reason = Scan(true)) return reason;
    if (!rootSeen_ || depth_ != 0) refused_ = kDamaged;
    return refused_;
}

const char* TXmlScanner::Scan(bool last) {
    std::size_t at = 0;
    const std::size_t size = buffer_.size();
    if (consumed_ == 0) {
        // The start of the document: a UTF-8 byte-order mark is skipped, UTF-16 is not read.
        if (size < 3 && !last) return nullptr;
        if (buffer_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            at = 3;
        } else if (buffer_.compare(0, 2, "\xFE\xFF") == 0 ||
                   buffer_.compare(0, 2, "\xFF\xFE") == 0 ||
                   (size >= 2 && (buffer_[0] == '\0' || buffer_[1] == '\0'))) {
            return refused_ = kNotUtf8;
        }
    }
    while (at < size) {
        if (buffer_[at] != '<') {
            // Text: most is a few characters (a cell's value), scanned here; a long run is left
            // to memchr.
            std::size_t end = at;
            bool plain = true;
            for (const std::size_t stop = std::min(size, at + 32); end < stop; ++end) {
                const std::uint8_t c = ClassOf(buffer_[end]);
                if (c & kMarkup) break;
                if ((c & kNeedsDecoding) && buffer_[end] != '\t' && buffer_[end] != '\n')
                    plain = false;
            }
            if (end < size && buffer_[end] != '<') {
                const void* next = std::memchr(buffer_.data() + end, '<', size - end);
                if (!next && !last) break;
                end =
                    next ? static_cast<std::size_t>(static_cast<const char*>(next) - buffer_.data())
                         : size;
                plain = false; // looked at again when delivered
            } else if (end == size && !last) {
                break;
            }
            const std::string_view text(buffer_.data() + at, end - at);
            if (depth_ == 0) {
                if (!AllSpace(text)) return refused_ = kDamaged;
            } else if (plain) {
                events_.Text(text);
            } else {
                Deliver(text);
                if (refused_) return refused_;
            }
            at = end;
            continue;
        }
        const std::size_t start = at;
        const Step step = Markup(at, last);
        if (step == Step::Refused) return refused_;
        if (step == Step::Incomplete) {
            if (last) return refused_ = kDamaged;
            at = start;
            break;
        }
    }
    if (size - at > kMaxXmlToken) return refused_ = kLongToken;
    consumed_ += at;
    buffer_.erase(0, at);
    return nullptr;
}

TXmlScanner::Step TXmlScanner::Markup(std::size_t& at, bool last) {
    (void)last;
    const std::string_view rest(buffer_.data() + at, buffer_.size() - at);
    auto closedBy = [&](std::string_view open, std::string_view close,
                        std::string_view& body) -> Step {
        const auto end = rest.find(close, open.size());
        if (end == std::string_view::npos) return Step::Incomplete;
        body = rest.substr(open.size(), end - open.size());
        at += end + close.size();
        return Step::Done;
    };
    std::string_view body;
    if (rest.size() < 2) return Step::Incomplete;
    if (rest[1] == '?') {
        const Step step = closedBy("<?", "?>", body);
        if (step != Step::Done) return step;
        if (body.size() >= 3 && body.substr(0, 3) == "xml" &&
            (body.size() == 3 || IsSpace(body[3]))) {
            if (consumed_ + (at - (body.size() + 4)) > 3 || rootSeen_) {
                refused_ = kDamaged; // a declaration only at the very start
                return Step::Refused;
            }
            if (!Declaration(body)) return Step::Refused;
        }
        return Step::Done;
    }
    if (rest[1] == '!') {
        if (rest.size() < 9) {
            // Enough to tell a comment, a CDATA section and a declaration apart.
            if (rest.size() >= 4 && rest.substr(0, 4) == "<!--")
                return closedBy("<!--", "-->", body);
            return Step::Incomplete;
        }
        if (rest.substr(0, 4) == "<!--") {
            const Step step = closedBy("<!--", "-->", body);
            if (step == Step::Done && body.find("--") != std::string_view::npos) {
                refused_ = kDamaged;
                return Step::Refused;
            }
            return step;
        }
        if (rest.substr(0, 9) == "<![CDATA[") {
            if (depth_ == 0) {
                refused_ = kDamaged;
                return Step::Refused;
            }
            const Step step = closedBy("<![CDATA[", "]]>", body);
            if (step != Step::Done) return step;
            // Line ends as in text; nothing else is decoded.
            if (body.find('\r') == std::string_view::npos) {
                events_.Text(body);
            } else {
                text_.clear();
                for (std::size_t i = 0; i < body.size(); ++i) {
                    if (body[i] == '\r') {
                        text_ += '\n';
                        if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
                    } else {
                        text_ += body[i];
                    }
                }
                events_.Text(text_);
            }
            return Step::Done;
        }
        refused_ = rest.substr(0, 9) == "<!DOCTYPE" ? kDoctype : kDamaged;
        return Step::Refused;
    }
    if (rest[1] == '/') return EndTag(at);
    return StartTag(at);
}

bool TXmlScanner::Declaration(std::string_view body) {
    const auto key = body.find("encoding");
    if (key == std::string_view::npos) return true;
    std::size_t i = key + 8;
    while (i < body.size() && IsSpace(body[i]))
        ++i;
    if (i >= body.size() || body[i] != '=') return refused_ = kDamaged, false;
    ++i;
    while (i < body.size() && IsSpace(body[i]))
        ++i;
    if (i >= body.size() || (body[i] != '"' && body[i] != '\'')) return refused_ = kDamaged, false;
    const char quote = body[i++];
    const auto end = body.find(quote, i);
    if (end == std::string_view::npos) return refused_ = kDamaged, false;
    const std::string_view name = body.substr(i, end - i);
    if (!EqualNoCase(name, "UTF-8") && !EqualNoCase(name, "US-ASCII")) {
        refused_ = kNotUtf8;
        return false;
    }
    return true;
}

TXmlScanner::Step TXmlScanner::EndTag(std::size_t& at) {
    const std::string_view rest(buffer_.data() + at, buffer_.size() - at);
    std::size_t i = 2;
    while (i < rest.size() && !EndsName(rest[i]))
        ++i;
    if (i == rest.size()) return Step::Incomplete;
    const std::string_view name = rest.substr(2, i - 2);
    while (i < rest.size() && IsSpace(rest[i]))
        ++i;
    if (i == rest.size()) return Step::Incomplete;
    if (rest[i] != '>' || depth_ == 0 || name != open_[depth_ - 1]) {
        refused_ = kDamaged;
        return Step::Refused;
    }
    at += i + 1;
    --depth_;
    events_.End(LocalPart(name));
    return Step::Done;
}

TXmlScanner::Step TXmlScanner::StartTag(std::size_t& at) {
    const std::string_view rest(buffer_.data() + at, buffer_.size() - at);
    std::size_t i = 1;
    while (i < rest.size() && !EndsName(rest[i]))
        ++i;
    if (i == rest.size()) return Step::Incomplete;
    const std::string_view name = rest.substr(1, i - 1);
    if (name.empty() || (rootSeen_ && depth_ == 0)) {
        refused_ = kDamaged;
        return Step::Refused;
    }
    attributes_.clear();
    decoded_.clear();
    decodedAt_.clear();
    bool empty = false;
    for (;;) {
        const std::size_t before = i;
        while (i < rest.size() && IsSpace(rest[i]))
            ++i;
        if (i == rest.size()) return Step::Incomplete;
        if (rest[i] == '>') {
            ++i;
            break;
        }
        if (rest[i] == '/') {
            if (i + 1 == rest.size()) return Step::Incomplete;
            if (rest[i + 1] != '>') {
                refused_ = kDamaged;
                return Step::Refused;
            }
            empty = true;
            i += 2;
            break;
        }
        // An attribute: name, "=", a quoted value; whitespace must come before it.
        const std::size_t nameStart = i;
        while (i < rest.size() && !EndsName(rest[i]))
            ++i;
        if (i == rest.size()) return Step::Incomplete;
        const std::string_view attribute = rest.substr(nameStart, i - nameStart);
        while (i < rest.size() && IsSpace(rest[i]))
            ++i;
        if (i == rest.size()) return Step::Incomplete;
        if (attribute.empty() || before == nameStart || rest[i] != '=') {
            refused_ = kDamaged;
            return Step::Refused;
        }
        ++i;
        while (i < rest.size() && IsSpace(rest[i]))
            ++i;
        if (i == rest.size()) return Step::Incomplete;
        const char quote = rest[i];
        if (quote != '"' && quote != '\'') {
            refused_ = kDamaged;
            return Step::Refused;
        }
        // The value, to the closing quote: no "<" in it; does it need decoding?
        std::size_t end = i + 1;
        bool plain = true;
        for (; end < rest.size(); ++end) {
            const char c = rest[end];
            const std::uint8_t kind = ClassOf(c);
            if (kind == 0) continue;
            if (c == quote) break;
            if (kind & kMarkup) {
                refused_ = kDamaged;
                return Step::Refused;
            }
            if (kind & kNeedsDecoding) plain = false;
        }
        if (end == rest.size()) return Step::Incomplete;
        std::string_view value = rest.substr(i + 1, end - i - 1);
        i = end + 1;
        for (const TXmlAttribute& other : attributes_)
            if (other.Name.size() == attribute.size() && other.Name[0] == attribute[0] &&
                other.Name == attribute) {
                refused_ = kDamaged; // an attribute given twice
                return Step::Refused;
            }
        std::pair<std::size_t, std::size_t> decodedAt{std::string::npos, 0};
        std::size_t length = value.size();
        if (!plain) {
            if (!Decode(value, text_, true)) {
                refused_ = kDamaged;
                return Step::Refused;
            }
            decodedAt = {decoded_.size(), text_.size()};
            decoded_.append(text_);
            length = text_.size();
        }
        if (length > maxAttributeLength_) {
            refused_ = kLongAttribute;
            return Step::Refused;
        }
        attributes_.push_back({attribute, value});
        decodedAt_.push_back(decodedAt);
    }
    // Decoded values point into their buffer once it has stopped growing.
    for (std::size_t k = 0; k < attributes_.size(); ++k)
        if (decodedAt_[k].first != std::string::npos)
            attributes_[k].Value =
                std::string_view(decoded_).substr(decodedAt_[k].first, decodedAt_[k].second);
    at += i;
    if (static_cast<int>(depth_) + 1 > maxDepth_) {
        refused_ = kTooDeep;
        return Step::Refused;
    }
    if (open_.size() <= depth_) open_.emplace_back();
    open_[depth_].assign(name);
    ++depth_;
    rootSeen_ = true;
    const std::string_view local = LocalPart(name);
    events_.Start(local, attributes_);
    if (empty) {
        --depth_;
        events_.End(local);
    }
    return Step::Done;
}

void TXmlScanner::Deliver(std::string_view raw) {
    if (raw.find_first_of("&\r") == std::string_view::npos) {
        events_.Text(raw);
        return;
    }
    if (!Decode(raw, text_, false)) {
        refused_ = kDamaged;
        return;
    }
    events_.Text(text_);
}

bool TXmlScanner::Decode(std::string_view raw, std::string& out, bool attribute) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r') {
            out += attribute ? ' ' : '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
            continue;
        }
        if (attribute && (c == '\t' || c == '\n')) {
            out += ' ';
            continue;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        const auto semicolon = raw.find(';', i + 1);
        if (semicolon == std::string_view::npos) return false;
        const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
        i = semicolon;
        if (entity == "lt") {
            out += '<';
        } else if (entity == "gt") {
            out += '>';
        } else if (entity == "amp") {
            out += '&';
        } else if (entity == "quot") {
            out += '"';
        } else if (entity == "apos") {
            out += '\'';
        } else if (entity.size() >= 2 && entity[0] == '#') {
            const bool hex = entity[1] == 'x';
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            if (digits.empty()) return false;
            char32_t code = 0;
            for (char d : digits) {
                int value = -1;
                if (d >= '0' && d <= '9') value = d - '0';
                if (hex && d >= 'a' && d <= 'f') value = d - 'a' + 10;
                if (hex && d >= 'A' && d <= 'F') value = d - 'A' + 10;
                if (value < 0) return false;
                code = code * (hex ? 16 : 10) + static_cast<char32_t>(value);
                if (code > 0x10FFFF) return false; // leading zeros may be many, the value not
            }
            // XML's characters: tab, line feed, carriage return, and from the space on, less
            // the surrogates and the two non-characters at the end of the first plane.
            const bool allowed =
                code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
            if (!allowed) return false;
            AppendUtf8(out, code);
        } else {
            return false; // no document type, so no other entity
        }
    }
    return true;
}

} // namespace orq::xlsx
