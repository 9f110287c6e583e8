// The preview strip: columns reduced from the envelope's buckets, grey where a trim cuts,
// the marks on the columns of their frames, a reading in hand drawn as far as it goes, the
// point text under the pointer and a message in place of the picture.

#include "ControlsTestSupport.h"

#include "controls/UC_WaveStrip.h"

#include <cmath>

namespace {

// 2 channels, 1000 frames in 100 buckets: the left channel rises from silence to full
// scale, the right is at half scale throughout.
WaveEnvelope Ramp(int64_t pKnown = 100) {
    WaveEnvelope e;
    e.Frames = 1000;
    e.SampleRate = 100; // 10 s
    e.Channels = 2;
    e.BucketFrames = 10;
    e.BucketsDone = pKnown;
    for (int64_t b = 0; b < pKnown; ++b) {
        const float level = float(b) / 99.0f;
        e.Low.insert(e.Low.end(), {-level, -0.5f});
        e.High.insert(e.High.end(), {level, 0.5f});
    }
    return e;
}

struct WaveStripTest : ::testing::Test {
    WaveStripTest() { strip.resize(210, 64); }
    QApplication& app = TestApp();
    UC_WaveStrip strip;
};

} // namespace

TEST_F(WaveStripTest, MarksAndShadingFollowTheirFrames) {
    strip.SetEnvelope(Ramp());
    WaveMarks marks;
    marks.Trims = true;
    marks.Start = 200;
    marks.FirstSound = 300;
    marks.LastSound = 700;
    marks.End = 800;
    strip.SetMarks(marks);
    const Surface& c = strip.Canvas();
    const int width = c.Width() - 4; // the wave area: 2 px frame on each side
    EXPECT_EQ(strip.ColumnOf(0), 0);
    EXPECT_EQ(strip.ColumnOf(500), width / 2);
    EXPECT_EQ(strip.ColumnOf(1000), width);
    EXPECT_LE(strip.FrameAt(strip.ColumnOf(200)), 200);
    // Cut-away on grey (top row of the wave area, away from the lines), margins on a band,
    // the kept sound on the window colour.
    const int top = c.Height() - 3 - 2; // bottom row of the area: the right channel's edge
    auto at = [&](int64_t pFrame) { return c.Pixel(2 + strip.ColumnOf(pFrame) + 1, top); };
    EXPECT_EQ(at(100), MakeColor(208, 208, 208));
    EXPECT_EQ(at(250), MakeColor(255, 240, 200));
    EXPECT_EQ(at(500), platform::ResolveColor(platform::SystemColor(platform::kColorWindow)));
    EXPECT_EQ(at(900), MakeColor(208, 208, 208));
    // The cut points in red, the first sound in orange, down the whole area.
    EXPECT_EQ(c.Pixel(2 + strip.ColumnOf(200), top), MakeColor(210, 0, 0));
    EXPECT_EQ(c.Pixel(2 + strip.ColumnOf(300), top), MakeColor(230, 140, 0));
}

TEST_F(WaveStripTest, AReadingInHandIsDrawnAsFarAsItGoes) {
    strip.SetEnvelope(Ramp(50));
    const Surface& c = strip.Canvas();
    const int area = c.Width() - 4;
    auto waveRows = [&](int pColumn) {
        int n = 0;
        for (int y = 0; y < c.Height(); ++y)
            if (c.Pixel(2 + pColumn, y) == MakeColor(24, 64, 150)) ++n;
        return n;
    };
    EXPECT_GT(waveRows(area / 2 - 3), waveRows(2)); // louder to the right
    EXPECT_EQ(waveRows(area / 2 + 3), 0);           // not read yet
    const std::string unread = strip.PointText(2 + area * 3 / 4).toStdString();
    EXPECT_EQ(unread.rfind("000'07.", 0), 0u) << unread;
    EXPECT_EQ(unread.find("dB"), std::string::npos) << unread; // no level yet
    strip.SetEnvelope(Ramp());
    EXPECT_GT(waveRows(area / 2 + 3), 0);
}

TEST_F(WaveStripTest, PointTextClicksAndMessages) {
    strip.SetEnvelope(Ramp());
    strip.SetText(QStringLiteral("trim 1.00 s / 2.00 s"));
    const int area = strip.Canvas().Width() - 4;
    // The right channel's half scale is the level at the very start: -6.0 dB.
    EXPECT_EQ(strip.PointText(2).toStdString(), "000'00.000  -6.0 dB");

    EXPECT_TRUE(strip.PointText(1).isEmpty());
    MoveFree(strip, QPoint(2 + area / 2, 30));
    EXPECT_EQ(strip.toolTip(), strip.PointText(2 + area / 2));

    const int64_t draws = strip.DrawCount();
    Press(strip, QPoint(50, 30));
    Release(strip, QPoint(50, 30));
    EXPECT_EQ(strip.DrawCount(), draws); // a click changes nothing

    strip.ShowMessage(QStringLiteral("not a WAV file it can edit (A-law)"));
    EXPECT_EQ(strip.Envelope().Frames, 0);
    EXPECT_TRUE(strip.Text().isEmpty());
    EXPECT_TRUE(strip.PointText(50).isEmpty());
}
