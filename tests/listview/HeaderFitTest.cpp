// The header is tall enough for its captions: descenders ("g" of "Length")
// are drawn inside the cell frame, and the rows start below the header.

#include "ListViewSupport.h"

#include <QFontMetrics>

namespace {

// Whether a dark (caption text) pixel lies in rows [top, bottom) between x0 and x1;
// the header's own background is light.
bool CaptionInk(const QImage& image, int x0, int x1, int top, int bottom) {
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, image.width()); ++x)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

} // namespace

TEST(ListHeader, CaptionsFitInsideTheHeaderFrameWithTheirDescenders) {
    ListFixture f;
    UC_ListView& lv = *f.lv;
    const QFontMetrics fm(lv.PictureTab()->font());
    const int headerPx = lv.HeaderHeight() / Px();
    EXPECT_GE(lv.HeaderHeight(), UC_ListView::TabHeight);
    EXPECT_EQ(lv.PictureTab()->height(), headerPx);
    EXPECT_EQ(lv.PictureList()->y(), headerPx); // rows start below the header
    // The frame's two rings take the outer two pixels; a pressed caption sits one lower.
    for (bool pushed : {false, true})
        EXPECT_LE(UC_ListView::CaptionTop(pushed) + fm.ascent() + fm.descent(), headerPx - 2)
            << "pushed " << pushed;

    // The descender of the g is drawn, in the rows under the baseline.
    lv.SetTabName(0, QStringLiteral("Length"));
    lv.ReDrawTab(-1);
    const int baseline = UC_ListView::CaptionTop(false) + fm.ascent();
    const int gLeft = 6 + fm.horizontalAdvance(QStringLiteral("Len"));
    const int gRight = 6 + fm.horizontalAdvance(QStringLiteral("Leng"));
    // Its lower part, two rows under the baseline and down, is inside the frame and inked.
    const int descenderEnd = std::min(baseline + fm.descent(), headerPx - 2);
    EXPECT_TRUE(CaptionInk(lv.TabSurface().Image(), gLeft, gRight, baseline + 2, descenderEnd));
    // No descender in "Col1": nothing under its baseline.
    const int col1Left = 1200 / Px() + 6;
    EXPECT_FALSE(CaptionInk(lv.TabSurface().Image(), col1Left,
                            col1Left + fm.horizontalAdvance(QStringLiteral("Col1")), baseline + 1,
                            headerPx - 2));
}
