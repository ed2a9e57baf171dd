// The XML scanner of the large parts: its events as expat would give them, whatever the pieces
// the document comes in, and the documents it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xlsx/xml_scanner.h"

namespace orq::xlsx {
namespace {

// The events as one line of text: "<name a=1>", "'text'", "</name>".
class TRecorder : public TXmlEvents {
public:
    std::string Log;
    void Start(std::string_view name, std::span<const TXmlAttribute> attributes) override {
        Log += "<" + std::string(name);
        for (const TXmlAttribute& attribute : attributes)
            Log += " " + std::string(attribute.Name) + "=" + std::string(attribute.Value);
        Log += ">";
    }
    void End(std::string_view name) override { Log += "</" + std::string(name) + ">"; }
    void Text(std::string_view text) override {
        // Pieces of one text run are joined, as a reader of the events joins them.
        if (!Log.empty() && Log.back() == '\'') {
            Log.pop_back();
            Log += std::string(text) + "'";
        } else {
            Log += "'" + std::string(text) + "'";
        }
    }
};

// The events of a document fed in pieces of `piece` bytes, or the reason it was refused.
std::string Events(const std::string& xml, std::size_t piece) {
    TRecorder recorder;
    TXmlScanner scanner(recorder, 8, 32);
    for (std::size_t at = 0; at < xml.size(); at += piece)
        if (const char* reason = scanner.Feed(std::string_view(xml).substr(at, piece)))
            return reason;
    if (const char* reason = scanner.Finish()) return reason;
    return recorder.Log;
}

TEST(XmlScanner, EventsWhateverThePieces) {
    struct Case {
        std::string xml;
        std::string events;
    };
    const std::vector<Case> cases = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding='utf-8'?>\n<x:a x:r=\"1\" t = 'q\"'>"
         "<b/>text</x:a>\n",
         "<a x:r=1 t=q\"><b></b>'text'</a>"},
        {"<a>&lt;&gt;&amp;&quot;&apos; &#65;&#x42;&#x20AC;&#0000000067;</a>",
         "<a>'<>&\"' AB\xE2\x82\xAC"
         "C'</a>"},
        {"<a>line\r\nend\rx<![CDATA[<raw> &amp;\r\n]]></a>", "<a>'line\nend\nx<raw> &amp;\n'</a>"},
        {"<a v=\"one&#9;two\r\nthree\tfour\"/>", "<a v=one\ttwo three four></a>"},
        {"<!-- head --><?pi data?><a><!-- inside --></a><!-- tail -->", "<a></a>"},
        {"<a>\xC3\xA9\xE5\xBC\xA0</a >", "<a>'\xC3\xA9\xE5\xBC\xA0'</a>"},
    };
    for (const Case& c : cases)
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, c.xml.size()})
            EXPECT_EQ(Events(c.xml, piece), c.events) << c.xml << " in pieces of " << piece;
}

TEST(XmlScanner, RefusedDocuments) {
    struct Case {
        std::string xml;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "XML document type declaration"},
        {"<a>&e;</a>", "damaged XML"},  // no entity but the five
        {"<a>&amp</a>", "damaged XML"}, // a reference without its end
        {"<a>&#0;</a>", "damaged XML"}, // no such character
        {"<a>&#xD800;</a>", "damaged XML"},
        {"<a>&#x110000;</a>", "damaged XML"},
        {"<a>&#X41;</a>", "damaged XML"},
        {"<a></b>", "damaged XML"},
        {"<a>", "damaged XML"},
        {"<a/><b/>", "damaged XML"}, // two roots
        {"text<a/>", "damaged XML"},
        {"<a b=\"1\" b=\"2\"/>", "damaged XML"},
        {"<a b=1/>", "damaged XML"},
        {"<a b=\"<\"/>", "damaged XML"},
        {"<a><!-- a -- b --></a>", "damaged XML"},
        {"<a/><?xml version=\"1.0\"?>", "damaged XML"},
        {"", "damaged XML"},
        {std::string("\xFF\xFE<\0a\0/\0>\0", 10), "XML not in UTF-8"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", "XML not in UTF-8"},
        {"<a><b><c><d><e><f><g><h><i/></h></g></f></e></d></c></b></a>", "XML nested too deeply"},
        {"<a v=\"" + std::string(33, 'x') + "\"/>", "XML attribute too long"},
        {"<a>" + std::string(kMaxXmlToken + 1, 'x'), "XML token too long"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Events(c.xml, c.xml.size() + 1), c.reason) << c.xml.substr(0, 80);
        if (c.xml.size() < 200) {
            EXPECT_EQ(Events(c.xml, 1), c.reason) << c.xml;
        }
    }
}

} // namespace
} // namespace orq::xlsx
