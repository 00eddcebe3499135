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

TEST(ViewerFontTest, ReadsTheFieldsAtTheirOffsets) {
    const QFont font =
        FontFromRecord(EncodeBase64(Record(-17, 700, 1, "Courier New")), FontRole::Regular);
    EXPECT_EQ(font.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(font.pixelSize(), 17);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());

    const QFont plain = FontFromRecord(EncodeBase64(Record(12, 0, 0, "Arial")), FontRole::Fixed);
    EXPECT_EQ(plain.pixelSize(), 12);
    EXPECT_EQ(plain.weight(), QFont::Normal);
    EXPECT_FALSE(plain.italic());
}

TEST(ViewerFontTest, WritesTheFieldsAtTheirOffsets) {
    QFont font(QStringLiteral("Lucida Console"));
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    font.setItalic(true);
    EXPECT_EQ(DecodeBase64Text(RecordFromFont(font)), Record(-15, 600, 1, "Lucida Console"));
}

TEST(ViewerFontTest, RoundTrip) {
    struct Case {
        const char* face;
        int pixels;
        QFont::Weight weight;
        bool italic;
    };
    const Case cases[] = {
        {"DejaVu Sans Mono", 13, QFont::Normal, false},
        {"Caf\xe9 Serif", 22, QFont::Bold, true},
        {"L", 1, QFont::Thin, false},
        {"Exactly thirty-one characters!!", 40, QFont::Black, true},
    };
    for (const Case& c : cases) {
        QFont font(QString::fromLatin1(c.face));
        font.setPixelSize(c.pixels);
        font.setWeight(c.weight);
        font.setItalic(c.italic);
        const std::string value = RecordFromFont(font);
        EXPECT_EQ(DecodeBase64Text(value).size(), kFontRecordSize) << c.face;
        const QFont back = FontFromRecord(value, FontRole::Regular);
        EXPECT_EQ(back.family(), QString::fromLatin1(c.face));
        EXPECT_EQ(back.pixelSize(), c.pixels) << c.face;
        EXPECT_EQ(back.weight(), c.weight) << c.face;
        EXPECT_EQ(back.italic(), c.italic) << c.face;
    }
}

TEST(ViewerFontTest, LongFaceNameIsCutTo31Characters) {
    QFont font(QStringLiteral("A face name that is much longer than the field"));
    font.setPixelSize(10);
    EXPECT_EQ(FontFromRecord(RecordFromFont(font), FontRole::Fixed).family(),
              QStringLiteral("A face name that is much longer"));
}

TEST(ViewerFontTest, EmptyOrUndecodableGivesTheSystemFont) {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const std::string values[] = {
        "",
        "not base64!",
        EncodeBase64(std::string(59, 'a')),     // one byte short
        EncodeBase64(std::string(61, 'a')),     // one byte long
        EncodeBase64(Record(-12, 400, 0, "")),  // no face name
    };
    for (const std::string& value : values) {
        EXPECT_EQ(FontFromRecord(value, FontRole::Fixed), fixed) << value;
        EXPECT_EQ(FontFromRecord(value, FontRole::Regular), general) << value;
    }
}

}  // namespace
}  // namespace tarvox
