#include "ui/viewer_font.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>
#include <cstdint>

#include "config/font_record.h"
#include "ui/qt_text.h"

namespace tarvox {

namespace {

QFont SystemFont(FontRole role) {
    return QFontDatabase::systemFont(role == FontRole::Fixed ? QFontDatabase::FixedFont
                                                             : QFontDatabase::GeneralFont);
}

}  // namespace

QFont FontFromRecord(std::string_view base64_record, FontRole role) {
    QFont font = SystemFont(role);
    const std::optional<FontRecord> record = ParseFontRecord(base64_record);
    if (!record) {
        return font;
    }
    font.setFamily(ToQString(record->face));
    // Negative: the character height; positive: the cell height. Both are
    // taken as the pixel size; zero keeps the default size.
    if (record->height != 0) {
        font.setPixelSize(record->height < 0 ? -record->height : record->height);
    }
    font.setWeight(record->weight <= 0
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::clamp(record->weight, 100, 900)));
    font.setItalic(record->italic);
    return font;
}

std::string RecordFromFont(const QFont& font) {
    FontRecord record;
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    record.height = -pixels;
    record.weight = static_cast<std::int32_t>(font.weight());
    record.italic = font.italic();
    record.face = FromQString(font.family());
    return BuildFontRecord(record);
}

}  // namespace tarvox
