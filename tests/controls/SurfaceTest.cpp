#include "ControlsTestSupport.h"

#include "platform/gui/Surface.h"

#include <gtest/gtest.h>

namespace {

using platform::Surface;

class SurfaceTest : public ControlTest {};

// Straight one-pixel lines are set directly; they must match what the
// painter draws for the same line in every raster mode.
TEST_F(SurfaceTest, StraightLinesMatchThePainter) {
    const int modes[] = {platform::kRasterCopyPen, platform::kRasterMaskPen,
                         platform::kRasterXorPen, platform::kRasterMergePen,
                         platform::kRasterInvert};
    const QLine lines[] = {{2, 3, 17, 3}, {17, 5, 2, 5},  {4, 1, 4, 12},
                           {6, 12, 6, 0}, {-5, 7, 40, 7}, {9, -3, 9, 30}};
    for (int mode : modes) {
        for (const QLine& l : lines) {
            Surface direct(20, 14), painted(20, 14);
            for (Surface* s : {&direct, &painted}) {
                s->SetBackColor(0x336699);
                s->Clear();
                s->FillBox(0, 0, 10, 14, 0xC0F0A0);
                s->SetDrawMode(mode);
            }
            direct.Line(l.x1(), l.y1(), l.x2(), l.y2(), 0x5A0FF0);
            painted.Polyline({l.p1(), l.p2()}, 0x5A0FF0);
            EXPECT_EQ(direct.Image(), painted.Image())
                << "mode " << mode << " line " << l.x1() << "," << l.y1() << "-" << l.x2() << ","
                << l.y2();
        }
    }
}

TEST_F(SurfaceTest, ALineOfOnePointSetsThatPixel) {
    Surface s(5, 5);
    s.SetBackColor(0);
    s.Clear();
    s.Line(2, 3, 2, 3, 0xFFFFFF);
    EXPECT_EQ(s.Pixel(2, 3), 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(2, 2), 0u);
    s.Line(9, 9, 9, 9, 0xFFFFFF); // outside: nothing
}

TEST_F(SurfaceTest, CopiesCombineWithTheDestination) {
    Surface src(4, 4), dst(4, 4);
    src.SetBackColor(0x0F0F0F);
    src.Clear();
    dst.SetBackColor(0xFF00FF);
    dst.Clear();
    dst.CopyFrom(0, 0, src, 0, 0, 2, 2, platform::CopyMode::And);
    EXPECT_EQ(dst.Pixel(1, 1), 0x0F000Fu);
    EXPECT_EQ(dst.Pixel(3, 3), 0xFF00FFu);
    dst.CopyFrom(0, 0, src, 0, 0, 2, 2, platform::CopyMode::Xor);
    EXPECT_EQ(dst.Pixel(1, 1), 0x000F00u);
    dst.CopyFrom(2, 2, src, 0, 0, 4, 4);
    EXPECT_EQ(dst.Pixel(3, 3), 0x0F0F0Fu);
}

} // namespace
