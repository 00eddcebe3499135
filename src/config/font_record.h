// The viewer's fonts as the "fixfont" and "regfont" settings keep them: a
// 60-byte logical-font record, base64-encoded. Of the record only the height
// (int32 at offset 0, negative: the character height in pixels), the weight
// (int32 at 16, 100 to 900, 0 for the default), the italic flag (byte 20) and
// the face name (32 bytes at 28, NUL-terminated, stored text: ISO-8859-1 when
// it fits, else UTF-8) are used; the
// other bytes are written as zeros. Integers are little-endian, as the record
// is stored on the platform it comes from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::size_t kFontRecordSize = 60;

struct FontRecord {
    std::int32_t height = 0;  // negative: character height; positive: cell height
    std::int32_t weight = 0;
    bool italic = false;
    std::string face;  // UTF-8

    bool operator==(const FontRecord&) const = default;
};

// The record of a setting's value; nothing for an empty value, one that does
// not decode to exactly 60 bytes, or a record with an empty face name (the
// system's font stands in then).
std::optional<FontRecord> ParseFontRecord(std::string_view base64_record);

// The setting's value for `font`. A face name whose stored form is longer than
// 31 bytes is cut to 31 (whole characters), so that the field keeps its
// terminating NUL.
std::string BuildFontRecord(const FontRecord& font);

}  // namespace tarvox
