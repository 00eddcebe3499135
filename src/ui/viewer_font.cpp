#include "ui/viewer_font.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codec/base64.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

constexpr std::size_t kHeightOffset = 0;
constexpr std::size_t kWeightOffset = 16;
constexpr std::size_t kItalicOffset = 20;
constexpr std::size_t kFaceOffset = 28;
constexpr std::size_t kFaceSize = 32;

// Little-endian, as the record is stored on the platform it comes from.
std::int32_t ReadInt32(const std::string& record, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(record[offset + i]))
                 << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

void WriteInt32(std::string& record, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

QFont SystemFont(FontRole role) {
    return QFontDatabase::systemFont(role == FontRole::Fixed ? QFontDatabase::FixedFont
                                                             : QFontDatabase::GeneralFont);
}

}  // namespace

QFont FontFromRecord(std::string_view base64_record, FontRole role) {
    if (base64_record.empty()) {
        return SystemFont(role);
    }
    const std::string record = DecodeBase64Text(base64_record);
    if (record.size() != kFontRecordSize) {
        return SystemFont(role);
    }
    const std::string_view face_field(record.data() + kFaceOffset, kFaceSize);
    const std::string_view face = face_field.substr(0, std::min(face_field.find('\0'), kFaceSize));
    if (face.empty()) {
        return SystemFont(role);
    }
    QFont font = SystemFont(role);
    font.setFamily(ToQString(face));
    const std::int32_t height = ReadInt32(record, kHeightOffset);
    // Negative: the character height; positive: the cell height. Both are
    // taken as the pixel size; zero keeps the default size.
    if (height != 0) {
        font.setPixelSize(height < 0 ? -height : height);
    }
    const std::int32_t weight = ReadInt32(record, kWeightOffset);
    font.setWeight(weight <= 0 ? QFont::Normal
                               : static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setItalic(record[kItalicOffset] != 0);
    return font;
}

std::string RecordFromFont(const QFont& font) {
    std::string record(kFontRecordSize, '\0');
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    WriteInt32(record, kHeightOffset, -pixels);
    WriteInt32(record, kWeightOffset, static_cast<std::int32_t>(font.weight()));
    record[kItalicOffset] = font.italic() ? 1 : 0;
    const std::string face = FromQString(font.family()).substr(0, kFaceSize - 1);
    std::memcpy(record.data() + kFaceOffset, face.data(), face.size());
    return EncodeBase64(record);
}

}  // namespace tarvox
