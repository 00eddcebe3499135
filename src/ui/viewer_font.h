// The viewer's fonts and the "fixfont" and "regfont" settings that keep them
// (config/font_record.h holds the record).
#pragma once

#include <QFont>

#include <string>
#include <string_view>

namespace tarvox {

// Which system font stands in for an empty or undecodable setting.
enum class FontRole { Fixed, Regular };

// The font of a setting's value; the system's fixed-pitch (Fixed) or general
// (Regular) font when the value holds no usable record.
QFont FontFromRecord(std::string_view base64_record, FontRole role);

// The setting's value for `font`.
std::string RecordFromFont(const QFont& font);

}  // namespace tarvox
