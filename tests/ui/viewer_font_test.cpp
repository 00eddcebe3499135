// The 60-byte font record of "fixfont" and "regfont": its fields at their
// offsets, the round trip through QFont, and the system fonts for values that
// are empty or do not decode to a record.
#include "ui/viewer_font.h"

#include <QFontDatabase>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "codec/base64.h"

namespace tarvox {
namespace {

// A record with the height at 0, the weight at 16, italic at 20 and the face
// name at 28, little-endian.
std::string Record(std::int32_t height, std::int32_t weight, char italic, const char* face) {
    std::string record(kFontRecordSize, '\0');
    for (int i = 0; i < 4; ++i) {
        record[i] = static_cast<char>((static_cast<std::uint32_t>(height) >> (8 * i)) & 0xFF);
        record[16 + i] = static_cast<char>((static_cast<std::uint32_t>(weight) >> (8 * i)) & 0xFF);
    }
    record[20] = italic;
    std::memcpy(record.data() + 28, face, std::strlen(face));
    return record;
}

TEST(ViewerFontTest, ReadsAndWritesTheFieldsAtTheirOffsets) {
    const QFont font =
        FontFromRecord(EncodeBase64(Record(-17, 700, 1, "Courier New")), FontRole::Regular);
    EXPECT_EQ(font.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(font.pixelSize(), 17);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(FontFromRecord(EncodeBase64(Record(12, 0, 0, "Arial")), FontRole::Fixed).weight(),
              QFont::Normal);

    QFont written(QStringLiteral("Lucida Console"));
    written.setPixelSize(15);
    written.setWeight(QFont::DemiBold);
    written.setItalic(true);
    EXPECT_EQ(DecodeBase64Text(RecordFromFont(written)), Record(-15, 600, 1, "Lucida Console"));
}

TEST(ViewerFontTest, RoundTripCutsTheFaceNameTo31Characters) {
    const struct {
        const char* face;
        const char* back;
        QFont::Weight weight;
    } cases[] = {
        {"Caf\xe9 Serif", "Caf\xe9 Serif", QFont::Bold},
        {"L", "L", QFont::Thin},
        {"A face name that is much longer than the field", "A face name that is much longer",
         QFont::Black},
    };
    for (const auto& c : cases) {
        QFont font(QString::fromLatin1(c.face));
        font.setPixelSize(22);
        font.setWeight(c.weight);
        const QFont back = FontFromRecord(RecordFromFont(font), FontRole::Regular);
        EXPECT_EQ(back.family(), QString::fromLatin1(c.back));
        EXPECT_EQ(back.pixelSize(), 22) << c.face;
        EXPECT_EQ(back.weight(), c.weight) << c.face;
    }
}

TEST(ViewerFontTest, EmptyOrUndecodableGivesTheSystemFont) {
    const std::string values[] = {
        "",
        "not base64!",
        EncodeBase64(std::string(59, 'a')),     // one byte short
        EncodeBase64(std::string(61, 'a')),     // one byte long
        EncodeBase64(Record(-12, 400, 0, "")),  // no face name
    };
    for (const std::string& value : values) {
        EXPECT_EQ(FontFromRecord(value, FontRole::Fixed),
                  QFontDatabase::systemFont(QFontDatabase::FixedFont))
            << value;
        EXPECT_EQ(FontFromRecord(value, FontRole::Regular),
                  QFontDatabase::systemFont(QFontDatabase::GeneralFont))
            << value;
    }
}

}  // namespace
}  // namespace tarvox
