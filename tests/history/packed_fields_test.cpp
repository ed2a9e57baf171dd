// A version's fields packed in one blob: every field comes back as it went in, whatever its
// length, and bytes that are not one whole set of fields are refused rather than read past.

#include <gtest/gtest.h>

#include "history/packed_fields.h"
#include "history_fixture.h"

namespace orq::testing {
namespace {

using history::PackFields;
using history::UnpackFields;

TEST(PackedFields, EveryFieldComesBackWhateverItsLength) {
    // Lengths around the one-, two- and three-byte length marks.
    for (const std::size_t length : {0u, 1u, 127u, 128u, 300u, 16383u, 16384u, 70000u}) {
        TAppt appt = MakeAppt("1A2B", "GARCÍA, JOSÉ", -3);
        appt.Col27 = std::string(length, 'x');
        appt.Dispo = std::string(length / 2, '\0') + "end";
        appt.EST = 255;
        appt.QT = 1;
        appt.Terminated = length % 2 == 1;
        std::string packed = "prefix";
        PackFields(appt, packed);
        TAppt back;
        ASSERT_TRUE(UnpackFields(std::string_view(packed).substr(6), back)) << length;
        EXPECT_EQ(Joined(back), Joined(appt)) << length;
    }
}

TEST(PackedFields, BytesThatAreNotOneWholeSetAreRefused) {
    TAppt appt = MakeAppt("1A2B", "SMITH, ANN", -3);
    appt.Col27 = std::string(200, 'y'); // a two-byte length
    std::string packed;
    PackFields(appt, packed);
    TAppt back;
    for (std::size_t size = 0; size < packed.size(); ++size)
        EXPECT_FALSE(UnpackFields(std::string_view(packed).substr(0, size), back)) << size;
    EXPECT_FALSE(UnpackFields(packed + "z", back));
    std::string badFlag = packed;
    badFlag.back() = 2;
    EXPECT_FALSE(UnpackFields(badFlag, back));
    // A length running past the end, and one that never ends.
    EXPECT_FALSE(UnpackFields(std::string("\x7F") + "abc", back));
    EXPECT_FALSE(UnpackFields(std::string(12, '\xFF'), back));
}

} // namespace
} // namespace orq::testing
