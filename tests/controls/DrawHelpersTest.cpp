#include "ControlsTestSupport.h"

#include "controls/DrawHelpers.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class DrawHelpersTest : public ControlTest {};

// A widget that shows its canvas the way the controls do.
class CanvasWidget : public QWidget {
  public:
    Surface Canvas;

  protected:
    void paintEvent(QPaintEvent*) override { ShowCanvas(this, Canvas, 0x123456); }
};

TEST_F(DrawHelpersTest, ColourArithmeticLimitsEachPart) {
    const ColorParts p = SplitColor(0x123456);
    EXPECT_EQ(p.Red, 0x56);
    EXPECT_EQ(p.Green, 0x34);
    EXPECT_EQ(p.Blue, 0x12);
    EXPECT_EQ(MakeColor(300, -5, 16), 0x1000FFu);

    EXPECT_EQ(ShiftColor(MakeColor(0, 208, 0), -70, -70, -70), MakeColor(0, 138, 0));
    EXPECT_EQ(ShiftColor(0x202020, -40, -40, -40), 0u);
    EXPECT_EQ(ShiftColor(0x808080, 0, 0, 0, 1.2), 0x9A9A9Au); // 153.6 -> 154
    EXPECT_EQ(ShiftColor(0x808080, 0, 0, 0, 0.9), 0x737373u); // 115.2 -> 115
    EXPECT_EQ(ShiftColor(0xF0F0F0, 0, 0, 0, 1.2), 0xFFFFFFu);
    // Half-way values round to even.
    EXPECT_EQ(ShiftColor(0x010101, 0, 0, 0, 2.5), 0x020202u);
}

TEST_F(DrawHelpersTest, SystemColoursResolveThroughThePalette) {
    const Color face = platform::SystemColor(platform::kColorButtonFace);
    EXPECT_EQ(face, 0x8000000Fu);
    EXPECT_EQ(platform::ResolveColor(face),
              platform::FromQColor(QApplication::palette().color(QPalette::Button)));
    const ColorParts p = SplitColor(face);
    EXPECT_EQ(MakeColor(p.Red, p.Green, p.Blue), platform::ResolveColor(face));
}

TEST_F(DrawHelpersTest, DefaultPaletteColoursAreNormalisedAndNeverZero) {
    ResetDefaultColors();
    EXPECT_EQ(DefaultColor(0), 0xFFFFFFu);
    const ColorParts face = SplitColor(DefaultColor(1));
    EXPECT_NEAR((face.Red + face.Green + face.Blue) / 3.0, 210, 2);
    const ColorParts shadow = SplitColor(DefaultColor(2));
    EXPECT_NEAR((shadow.Red + shadow.Green + shadow.Blue) / 3.0, 120, 2);

    // A black button shadow has no brightness to scale: a grey comes back.
    QPalette pal = QApplication::palette();
    const QPalette saved = pal;
    pal.setColor(QPalette::Dark, Qt::black);
    QApplication::setPalette(pal);
    ResetDefaultColors();
    EXPECT_EQ(DefaultColor(2), 0x787878u);
    QApplication::setPalette(saved);
    ResetDefaultColors();
    EXPECT_EQ(DefaultColor(7), 1u);
}

TEST_F(DrawHelpersTest, TextFittingKeepsStartOrEnd) {
    Surface s(10, 10);
    const QString text = "abcdefghijklmnop";
    const int full = s.TextWidth(text) * 15;
    EXPECT_EQ(FitText(text, s, full, false), text);
    EXPECT_EQ(FitText("W", s, 1, false), "W");
    const int fourChars = s.TextWidth("abcd") * 15;
    const QString start = FitText(text, s, fourChars, false);
    EXPECT_TRUE(text.startsWith(start));
    EXPECT_LE(s.TextWidth(start) * 15, fourChars);
    EXPECT_GT(s.TextWidth(text.left(start.size() + 1)) * 15, fourChars);
    const QString end = FitText(text, s, fourChars, true);
    EXPECT_TRUE(text.endsWith(end));
    EXPECT_FALSE(end.isEmpty());
    // Nothing fits: one character stays.
    EXPECT_EQ(FitText(text, s, 0, false), "a");
    EXPECT_EQ(FitText(text, s, 0, true), "p");
}

TEST_F(DrawHelpersTest, TextFittingNeverSplitsASurrogatePair) {
    Surface s(10, 10);
    const QString text = QString::fromUtf8("a\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5z");
    for (int w = 0; w < s.TextWidth(text) * 15; w += 15) {
        const QString start = FitText(text, s, w, false);
        EXPECT_FALSE(start.back().isHighSurrogate()) << w;
        const QString end = FitText(text, s, w, true);
        EXPECT_FALSE(end.front().isLowSurrogate()) << w;
    }
}

TEST_F(DrawHelpersTest, CaptionPlacements) {
    const QRect control(1000, 500, 800, 300);
    QPoint at;
    ASSERT_TRUE(CaptionPosition(2, control, 200, 180, 0, 0, at));
    EXPECT_EQ(at, QPoint(1830, 560));
    CaptionPosition(0, control, 200, 180, 0, 0, at);
    EXPECT_EQ(at, QPoint(710, 560));
    CaptionPosition(1, control, 200, 180, 0, 0, at);
    EXPECT_EQ(at, QPoint(1030, 290));
    CaptionPosition(3, control, 200, 180, 0, 0, at);
    EXPECT_EQ(at, QPoint(1300, 290));
    CaptionPosition(4, control, 200, 180, 0, 0, at);
    EXPECT_EQ(at, QPoint(1030, 830));
    CaptionPosition(5, control, 200, 180, 5, -5, at);
    EXPECT_EQ(at, QPoint(1605, 825));
    EXPECT_FALSE(CaptionPosition(6, control, 200, 180, 0, 0, at));
}

TEST_F(DrawHelpersTest, PrintCaptionWritesBesideTheControl) {
    QWidget parent;
    QWidget control(&parent);
    PlaceTwips(&control, 1500, 300, 600, 300);
    EXPECT_EQ(GeometryTwips(&control), QRect(1500, 300, 600, 300));
    Surface s(300, 60);
    s.SetBackColor(0xFFFFFF);
    s.Clear();
    s.SetForeColor(0);
    ASSERT_TRUE(PrintCaption(s, &control, "Start", 0));
    int leftInk = 0, rightInk = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x)
            if (s.Pixel(x, y) != 0xFFFFFFu) (x < 100 ? leftInk : rightInk)++;
    EXPECT_GT(leftInk, 0);
    EXPECT_EQ(rightInk, 0);
}

TEST_F(DrawHelpersTest, ColourSchemes) {
    Color fore = 1, back = 2;
    EXPECT_TRUE(ColorScheme(-1, fore, back));
    EXPECT_EQ(fore, 1u);
    EXPECT_TRUE(ColorScheme(0, fore, back));
    EXPECT_EQ(fore, 0x8000000Fu);
    EXPECT_EQ(back, 0u);
    EXPECT_TRUE(ColorScheme(6, fore, back));
    EXPECT_EQ(fore, 0xD0D0D0u);
    EXPECT_EQ(back, 0x303030u);
    EXPECT_FALSE(ColorScheme(7, fore, back));
    EXPECT_EQ(back, 0x303030u);
    Surface s(2, 2);
    SetColorScheme(s, 2, 0, 0);
    EXPECT_EQ(s.ForeColor(), 0x406057u);
    EXPECT_EQ(s.BackColor(), 0xA6CAC5u);
}

// Every pixel of a surface in one of the colours of the given style.
TEST_F(DrawHelpersTest, EveryStylePaintsTheWholeSurface) {
    constexpr Color kMarker = 0x00FF00FF; // magenta, never derived from greys
    for (int style = -1; style <= 15; ++style) {
        Surface s(37, 23);
        s.SetBackColor(kMarker);
        s.Clear();
        PaintBackground(s, style, 0xE0E0E0, 0xA0A0A0, 0x404040);
        int untouched = 0;
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x)
                untouched += s.Pixel(x, y) == kMarker;
        if (style == -1)
            EXPECT_EQ(untouched, 35 * 21) << "only the frame";
        else
            EXPECT_EQ(untouched, 0) << "style " << style;
    }
    Surface s(10, 10);
    s.SetBackColor(kMarker);
    s.Clear();
    PaintBackground(s, 16);
    PaintBackground(s, -3);
    EXPECT_EQ(s.Pixel(5, 5), kMarker);
    PaintBackground(s, -2, 0x111111, 0x222222, 0x333333);
    EXPECT_EQ(s.BackColor(), 0x222222u);
    EXPECT_EQ(s.Pixel(5, 5), kMarker);
}

TEST_F(DrawHelpersTest, ShadedStylesRunBetweenTheirColours) {
    Surface s(40, 21);
    PaintBackground(s, 5, 0x000000, 0xC8C8C8, 0x000000);
    EXPECT_EQ(s.Pixel(3, 0), 0x000000u) << "top edge c1";
    EXPECT_EQ(s.Pixel(3, 10), 0xC8C8C8u) << "middle c2";
    // Bottom edge: ramp step 5 = 0.33 c2 + 0.66 c3.
    EXPECT_EQ(s.Pixel(3, 20), 0x424242u);

    Surface v(21, 10);
    PaintBackground(v, 6, 0x000000, 0xC8C8C8, 0x000000);
    EXPECT_EQ(v.Pixel(0, 3), 0xC8C8C8u) << "left edge c2";
    EXPECT_EQ(v.Pixel(10, 3), 0x000000u) << "middle c1";
    EXPECT_EQ(v.Pixel(20, 3), 0x424242u);

    Surface d(10, 10);
    PaintBackground(d, 2, 0x000000, 0xFFFFFF);
    EXPECT_EQ(d.Pixel(0, 0), 0u);
    EXPECT_LT(SplitColor(d.Pixel(1, 1)).Red, SplitColor(d.Pixel(8, 8)).Red);

    Surface f(10, 10);
    PaintBackground(f, -1, 0x111111, 0x222222, 0x333333);
    EXPECT_EQ(f.Pixel(0, 5), 0x111111u);
    EXPECT_EQ(f.Pixel(9, 5), MakeColor(17, 17, 17)) << "ramp step 8 = 0.33 c3";
}

TEST_F(DrawHelpersTest, TextureFollowsTheTableAndFrame) {
    Surface s(30, 40);
    PaintBackground(s, 14, kDefaultColor, 0xC8C8C8, kDefaultColor);
    // Row 1 uses table entry 1 (0xD7D3D4): red 0xD4 / 275 + 0.25 times 200.
    EXPECT_EQ(SplitColor(s.Pixel(5, 1)).Red, int(std::nearbyint(200 * (0xD4 / 275.0 + 0.25))));
    EXPECT_EQ(s.Pixel(0, 10), 0xFFFFFFu);
    EXPECT_EQ(s.Pixel(29, 10), 0x606060u);
    std::set<Color> rows;
    for (int y = 2; y < 30; ++y)
        rows.insert(s.Pixel(10, y));
    EXPECT_GT(rows.size(), 5u) << "a texture, not a flat fill";
}

TEST_F(DrawHelpersTest, ColourSetFrameRings) {
    Surface s(30, 20);
    PaintColorSet(s, 0x000000, 0x686868, false, 2);
    EXPECT_EQ(s.Pixel(10, 0), 0x909090u) << "top in colour 2 lightened by 40";
    EXPECT_EQ(s.Pixel(10, 1), 0x909090u);
    EXPECT_EQ(s.Pixel(10, 19), 0u) << "bottom in colour 1 darkened";
    EXPECT_NE(s.Pixel(10, 2), 0x909090u);
}

TEST_F(DrawHelpersTest, CellFrameUsesWholePixels) {
    Surface s(20, 20);
    s.SetBackColor(0x00FF00FF);
    s.Clear();
    DrawCellFrame(s, 29, 29, 150, 150, true); // 1..11 in pixels
    EXPECT_EQ(s.Pixel(1, 5), platform::ResolveColor(platform::SystemColor(0x10)));
    EXPECT_EQ(s.Pixel(0, 5), 0x00FF00FFu);
    EXPECT_EQ(s.Pixel(11, 5), 0x00FF00FFu);
    EXPECT_NE(s.Pixel(10, 5), 0x00FF00FFu);
}

TEST_F(DrawHelpersTest, WidgetShowsItsCanvasOrTheFallbackBeforeTheFirstDraw) {
    CanvasWidget w;
    w.resize(8, 6);
    EXPECT_EQ(QColor(w.grab().toImage().pixel(4, 3)), QColor(0x56, 0x34, 0x12));

    w.Canvas.Resize(8, 6);
    w.Canvas.SetBackColor(0x00FF00);
    w.Canvas.Clear();
    w.Canvas.SetPixel(2, 2, 0x0000FF);
    const QImage shown = w.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(2, 2)), QColor(0xFF, 0, 0));
    EXPECT_EQ(QColor(shown.pixel(4, 3)), QColor(0, 0xFF, 0));
}

} // namespace

TEST(ColourArithmetic, ContrastRatioFollowsRelativeLuminance) {
    EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0x000000), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x808080, 0x808080), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x777777, 0xFFFFFF), 4.48, 0.01); // grey text just below 4.5
    // Green weighs most: pure green on black is far brighter than pure blue on black.
    EXPECT_GT(ContrastRatio(0x00FF00, 0x000000), 4 * ContrastRatio(0xFF0000, 0x000000));
}
