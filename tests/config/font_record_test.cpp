// The 60-byte font record of "fixfont" and "regfont": its fields, and values holding none.
#include "config/font_record.h"

#include <cstring>

#include <gtest/gtest.h>

#include "codec/base64.h"

namespace tarvox {
namespace {

// A record: the height at 0, the weight at 16, italic at 20, the face name at 28, little-endian.
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

TEST(FontRecordTest, FieldsSitAtTheirOffsetsBothWays) {
    const FontRecord font{-17, 700, true, "Courier New"};
    EXPECT_EQ(ParseFontRecord(EncodeBase64(Record(-17, 700, 1, "Courier New"))), font);
    EXPECT_EQ(DecodeBase64Text(BuildFontRecord(font)), Record(-17, 700, 1, "Courier New"));
    const FontRecord long_face{12, 0, false, "A face name that is much longer than the field"};
    EXPECT_EQ(DecodeBase64Text(BuildFontRecord(long_face)),
              Record(12, 0, 0, "A face name that is much longer"));
    // The face name is stored text: ISO-8859-1 when it fits, else UTF-8 cut whole characters at a time.
    EXPECT_EQ(ParseFontRecord(EncodeBase64(Record(12, 0, 0, "Caf\xE9"))), (FontRecord{12, 0, false, "Café"}));
    EXPECT_EQ(ParseFontRecord(BuildFontRecord({12, 0, false, "日本語 € — 日本語 € — 日本語"}))->face,
              "日本語 € — 日本語 €");
}

TEST(FontRecordTest, ValuesWithoutAUsableRecordGiveNothing) {
    const std::string values[] = {
        "",
        "not base64!",
        EncodeBase64(std::string(59, 'a')),     // one byte short
        EncodeBase64(std::string(61, 'a')),     // one byte long
        EncodeBase64(Record(-12, 400, 0, "")),  // no face name
    };
    for (const std::string& value : values) {
        EXPECT_EQ(ParseFontRecord(value), std::nullopt) << value;
    }
}

}  // namespace
}  // namespace tarvox
