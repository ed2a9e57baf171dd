// CSV fields: quoted only where needed, line breaks inside a field made LF.
#include <gtest/gtest.h>

#include <string>

#include "base/csv.h"

namespace orq {
namespace {

TEST(Csv, FieldsAreQuotedWhereNeeded) {
    struct Case {
        const char* field;
        const char* written;
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"Smith, John", "\"Smith, John\""},
        {"5'10\" tall", "\"5'10\"\" tall\""},
        {"two\nlines", "\"two\nlines\""},
        {"No\rShow", "\"No\nShow\""},
        {"a\r\nb\r\n", "\"a\nb\n\""},
        {"\r\r\n", "\"\n\n\""},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendCsvField(out, c.field);
        EXPECT_EQ(out, c.written) << c.field;
    }
}

TEST(Csv, RecordsAreJoinedByCommasAndEndWithLf) {
    std::string out;
    AppendCsvRecord(out, {"RSID", "Rctr, name", ""});
    AppendCsvRecord(out, {});
    EXPECT_EQ(out, "RSID,\"Rctr, name\",\n\n");
}

} // namespace
} // namespace orq
