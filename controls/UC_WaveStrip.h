#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

// The envelope of a sound file: the smallest and largest value of each channel per bucket of
// frames, as fractions of full scale (-1 to 1). Buckets [0, BucketsDone) are known.
struct WaveEnvelope {
    int64_t Frames = 0;
    int32_t SampleRate = 0;
    int32_t Channels = 1;
    int64_t BucketFrames = 1;
    int64_t BucketsDone = 0;
    std::vector<float> Low; // bucket * Channels + channel
    std::vector<float> High;
};

// Where a job cuts the file: the kept frames [Start, End) and the sound found inside the
// margins [FirstSound, LastSound]; Trims false draws no marks.
struct WaveMarks {
    bool Trims = false;
    int64_t Start = 0;
    int64_t End = 0;
    int64_t FirstSound = -1; // -1: none
    int64_t LastSound = -1;
};

// A strip that shows one file's envelope (both channels), shades what a trim cuts away,
// marks the cut points and the margins, and prints a line of text above. Pointing at it
// tells the time and level under the pointer; a click tells the frame under it (to seek a
// play); a play cursor may stand on it. Lengths are pixels.
class UC_WaveStrip : public QWidget {
    Q_OBJECT

  public:
    explicit UC_WaveStrip(QWidget* pParent = nullptr);

    void SetEnvelope(WaveEnvelope pEnvelope);
    void SetMarks(const WaveMarks& pMarks);
    void SetText(const QString& pText);
    // A message in place of the picture ("cannot read: ..."); the envelope goes.
    void ShowMessage(const QString& pMessage);
    void Clear() { ShowMessage(QString()); }
    // The frame playing now, drawn as a line; -1: none.
    void SetPlayCursor(int64_t pFrame);
    int64_t PlayCursor() const { return m_PlayCursor; }
    // What plays ("playing start of take1"), told to a screen reader ahead of the strip's
    // line while the play lasts; empty when nothing plays.
    void SetPlayNote(const QString& pNote);

    const WaveEnvelope& Envelope() const { return m_Envelope; }
    const WaveMarks& Marks() const { return m_Marks; }
    QString Text() const { return m_Text; }
    QString Message() const { return m_Message; }
    // What pointing at pixel column pX tells: "00'01.250  -6.0 dB".
    QString PointText(int pX) const;
    // The pixel column frame pFrame falls in, and the first frame of a column.
    int ColumnOf(int64_t pFrame) const;
    int64_t FrameAt(int pX) const;
    const Surface& Canvas() const { return m_Canvas; }
    // How many times the picture was drawn (for the tests and the timing tool).
    int64_t DrawCount() const { return m_DrawCount; }

  signals:
    // A left click on the wave at frame pFrame.
    void FrameClicked(int64_t pFrame);

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;

  private:
    QRect WaveArea() const;
    void DescribeShown();
    // Every column's smallest and largest value per channel, from the buckets.
    void ReduceColumns();
    void Draw();
    void DrawShading(const QRect& pArea);
    void DrawChannels(const QRect& pArea);
    void DrawMarks(const QRect& pArea);
    void DrawPlayCursor(const QRect& pArea);
    int XOf(int64_t pFrame, const QRect& pArea) const;
    bool Cut(int pColumn) const;

    WaveEnvelope m_Envelope;
    WaveMarks m_Marks;
    QString m_Text;
    QString m_Message;
    std::vector<float> m_ColumnLow; // column * Channels + channel; NaN: not known yet
    std::vector<float> m_ColumnHigh;
    int m_Columns = 0;
    int64_t m_DrawCount = 0;
    int64_t m_PlayCursor = -1;
    QString m_PlayNote;
    Surface m_Canvas;
};
