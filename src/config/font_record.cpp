#include "config/font_record.h"

#include <algorithm>
#include <cstring>

#include "codec/base64.h"
#include "codec/stored_text.h"
#include "config/settings_text.h"

namespace tarvox {

namespace {

constexpr std::size_t kHeightOffset = 0;
constexpr std::size_t kWeightOffset = 16;
constexpr std::size_t kItalicOffset = 20;
constexpr std::size_t kFaceOffset = 28;
constexpr std::size_t kFaceSize = 32;

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

}  // namespace

std::optional<FontRecord> ParseFontRecord(std::string_view base64_record) {
    if (base64_record.empty()) {
        return std::nullopt;
    }
    const std::string record = DecodeBase64Text(base64_record);
    if (record.size() != kFontRecordSize) {
        return std::nullopt;
    }
    const std::string_view face_field(record.data() + kFaceOffset, kFaceSize);
    const std::string_view face = face_field.substr(0, std::min(face_field.find('\0'), kFaceSize));
    if (face.empty()) {
        return std::nullopt;
    }
    FontRecord font;
    font.height = ReadInt32(record, kHeightOffset);
    font.weight = ReadInt32(record, kWeightOffset);
    font.italic = record[kItalicOffset] != 0;
    font.face = FromStoredText(face);
    return font;
}

std::string BuildFontRecord(const FontRecord& font) {
    std::string record(kFontRecordSize, '\0');
    WriteInt32(record, kHeightOffset, font.height);
    WriteInt32(record, kWeightOffset, font.weight);
    record[kItalicOffset] = font.italic ? 1 : 0;
    const std::string face = ToStoredText(StoredPrefix(font.face, kFaceSize - 1));
    std::memcpy(record.data() + kFaceOffset, face.data(), face.size());
    return EncodeBase64(record);
}

}  // namespace tarvox
