// The viewer's fonts as the "fixfont" and "regfont" settings keep them: a
// 60-byte logical-font record, base64-encoded. Of the record only the height
// (int32 at offset 0, negative: the character height in pixels), the weight
// (int32 at 16, 100 to 900, 0 for the default), the italic flag (byte 20) and
// the face name (32 bytes at 28, NUL-terminated, ISO-8859-1) are used; the
// other bytes are written as zeros.
#pragma once

#include <QFont>

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::size_t kFontRecordSize = 60;

// Which system font stands in for an empty or undecodable setting.
enum class FontRole { Fixed, Regular };

// The font of a setting's value. An empty value, one that does not decode to
// exactly 60 bytes, or a record with an empty face name gives the system's
// fixed-pitch (Fixed) or general (Regular) font.
QFont FontFromRecord(std::string_view base64_record, FontRole role);

// The setting's value for `font`: the 60-byte record, base64-encoded. A face
// name longer than 31 characters is cut to 31.
std::string RecordFromFont(const QFont& font);

}  // namespace tarvox
