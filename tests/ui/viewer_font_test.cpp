// The viewer's fonts through their setting and back.
#include "ui/viewer_font.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(ViewerFontTest, RoundTripKeepsFaceSizeWeightAndItalic) {
    const struct {
        const char* face;
        QFont::Weight weight;
        bool italic;
    } cases[] = {
        {"Café Serif", QFont::Bold, true},
        {"L", QFont::Thin, false},
        {"Lucida Console", QFont::Black, true},
    };
    for (const auto& c : cases) {
        QFont font(QString::fromUtf8(c.face));
        font.setPixelSize(22);
        font.setWeight(c.weight);
        font.setItalic(c.italic);
        const QFont back = FontFromRecord(RecordFromFont(font), FontRole::Regular);
        EXPECT_EQ(back.family(), QString::fromUtf8(c.face));
        EXPECT_EQ(back.pixelSize(), 22) << c.face;
        EXPECT_EQ(back.weight(), c.weight) << c.face;
        EXPECT_EQ(back.italic(), c.italic) << c.face;
    }
}

}  // namespace
}  // namespace tarvox
