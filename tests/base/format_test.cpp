// Formatting of fixed messages, the failure type and the full-stop rule of the error display.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/error.h"
#include "base/format.h"

namespace orq {
namespace {

TEST(Format, FieldsAsPrintfWritesThem) {
    const std::string name = "list.xls";
    const std::uint16_t id = 0x1AB;
    const std::int32_t negative = -1;
    const std::size_t big = 4'000'000'000u;
    EXPECT_EQ(Format("The file \"%s\" is invalid", name), "The file \"list.xls\" is invalid");
    EXPECT_EQ(Format("The file \"%s\" is invalid", name.c_str()),
              "The file \"list.xls\" is invalid");
    EXPECT_EQ(Format("Record with ID 0x%X is invalid", id), "Record with ID 0x1AB is invalid");
    EXPECT_EQ(Format("%x|%04x|%.8x", id, id, id), "1ab|01ab|000001ab");
    EXPECT_EQ(Format("Invalid Row (%d)", -5), "Invalid Row (-5)");
    EXPECT_EQ(Format("%d of %d", big, 7), "4000000000 of 7"); // no narrowing
    EXPECT_EQ(Format("%X", negative), "FFFFFFFF");            // its own width
    EXPECT_EQ(Format("%u", std::int8_t{-1}), "255");
    EXPECT_EQ(Format("%c%c", 'O', 75), "OK");
    EXPECT_EQ(Format("%.2f %g", 3.14159, 0.5), "3.14 0.5");
    EXPECT_EQ(Format("%-4s|%4s|%.2s", "ab", "cd", "efgh"), "ab  |  cd|ef");
    EXPECT_EQ(Format("100%% of %s", "rows"), "100% of rows");
    EXPECT_EQ(Format("%s%%", "50"), "50%");
    EXPECT_EQ(Format("%s", std::string(200, 'x')), std::string(200, 'x')); // beyond the buffer
    const char* none = nullptr;
    EXPECT_EQ(Format("[%s]", none), "[(null)]");
}

TEST(Format, AMessageWithoutFieldsStandsAsItIs) {
    EXPECT_EQ(Format("100% sure"), "100% sure");
    EXPECT_EQ(Format(std::string("%s %d")), "%s %d");
}

TEST(Fail, ThrowsTheFormattedMessage) {
    try {
        Fail("Sheet number (%d) must be between %d and %d", 9, 0, 2);
        FAIL() << "no failure";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Sheet number (9) must be between 0 and 2");
    }
    try {
        Fail(std::string("a runtime text with %s in it"));
        FAIL() << "no failure";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "a runtime text with %s in it");
    }
}

TEST(DisplayText, FullStopAfterALetterOrDigitOnly) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"The file \"a.xls\" is invalid", "The file \"a.xls\" is invalid."},
        {"Invalid Row (7)", "Invalid Row (7)"}, // ')' sorts before '.'
        {"Done.", "Done."},
        {"Error 42", "Error 42."},
        {"Is it?", "Is it?."}, // '?' sorts after '.'
        {"", ""},
        {"ends in a space ", "ends in a space "},
        {"caf\xC3\xA9", "caf\xC3\xA9."}, // a byte above 0x7F sorts after '.'
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayText(c.message), c.shown) << c.message;
}

} // namespace
} // namespace orq
