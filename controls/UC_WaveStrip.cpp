#include "controls/UC_WaveStrip.h"

#include "controls/AccessibleEvents.h"

#include "controls/ControlFonts.h"
#include "services/core/DurationText.h"

#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

using platform::SystemColor;

constexpr float kUnknown = std::numeric_limits<float>::quiet_NaN();

// The time of a frame as the file list shows a length.
QString TimeText(int64_t pFrame, int32_t pRate) {
    const int64_t ms = pRate > 0 ? pFrame * 1000 / pRate : 0;
    return QString::fromStdString(DurationText(int32_t(std::min<int64_t>(ms, INT32_MAX))));
}

Color WaveColor(bool pCut) {
    return pCut ? MakeColor(150, 150, 150) : MakeColor(24, 64, 150);
}

} // namespace

UC_WaveStrip::UC_WaveStrip(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_Canvas.SetFont(ControlFont(nullptr, 9, false));
    m_Canvas.SetBackColor(SystemColor(platform::kColorButtonFace));
}

void UC_WaveStrip::SetEnvelope(WaveEnvelope pEnvelope) {
    m_Envelope = std::move(pEnvelope);
    m_Message.clear();
    DescribeShown();
    ReduceColumns();
    Draw();
}

void UC_WaveStrip::SetMarks(const WaveMarks& pMarks) {
    m_Marks = pMarks;
    Draw();
}

void UC_WaveStrip::SetPlayCursor(int64_t pFrame) {
    if (pFrame == m_PlayCursor) return;
    const int64_t before = m_PlayCursor;
    m_PlayCursor = pFrame;
    // Drawn again only when the line comes, goes or moves to another column.
    if (before < 0 || pFrame < 0 || ColumnOf(before) != ColumnOf(pFrame)) Draw();
}

void UC_WaveStrip::SetText(const QString& pText) {
    if (pText == m_Text) return;
    m_Text = pText;
    DescribeShown();
    Draw();
}

void UC_WaveStrip::SetPlayNote(const QString& pNote) {
    m_PlayNote = pNote;
    DescribeShown();
}

// A reader hears what the strip shows now: its message, else its line, after what plays.
void UC_WaveStrip::DescribeShown() {
    QString shown = m_Message.isEmpty() ? m_Text : m_Message;
    if (!m_PlayNote.isEmpty()) shown = m_PlayNote + QStringLiteral(". ") + shown;
    if (shown == accessibleDescription()) return;
    setAccessibleDescription(shown);
    TellDescription(this);
}

void UC_WaveStrip::ShowMessage(const QString& pMessage) {
    m_Envelope = WaveEnvelope{};
    m_Marks = WaveMarks{};
    m_Message = pMessage;
    m_Text.clear();
    DescribeShown();
    ReduceColumns();
    Draw();
}

QRect UC_WaveStrip::WaveArea() const {
    const int textHeight = m_Canvas.TextHeight(QStringLiteral("Ag")) + 2;
    return QRect(2, textHeight + 2, std::max(1, width() - 4),
                 std::max(1, height() - textHeight - 4));
}

int UC_WaveStrip::ColumnOf(int64_t pFrame) const {
    const int columns = WaveArea().width();
    if (m_Envelope.Frames <= 0) return 0;
    const int64_t frame = std::clamp<int64_t>(pFrame, 0, m_Envelope.Frames);
    return int(std::min<int64_t>(columns, frame * columns / m_Envelope.Frames));
}

int64_t UC_WaveStrip::FrameAt(int pX) const {
    const int columns = WaveArea().width();
    return int64_t(std::clamp(pX, 0, columns)) * m_Envelope.Frames / columns;
}

void UC_WaveStrip::ReduceColumns() {
    const WaveEnvelope& e = m_Envelope;
    m_Columns = WaveArea().width();
    const size_t cells = size_t(m_Columns) * size_t(e.Channels);
    m_ColumnLow.assign(cells, kUnknown);
    m_ColumnHigh.assign(cells, kUnknown);
    if (e.Frames <= 0 || e.BucketFrames <= 0) return;
    for (int x = 0; x < m_Columns; ++x) {
        const int64_t first = FrameAt(x) / e.BucketFrames;
        const int64_t last =
            std::max(first + 1, (FrameAt(x + 1) + e.BucketFrames - 1) / e.BucketFrames);
        if (last > e.BucketsDone) break; // columns left to right, as the buckets come
        for (int c = 0; c < e.Channels; ++c) {
            float low = 1.0f, high = -1.0f;
            for (int64_t b = first; b < last; ++b) {
                low = std::min(low, e.Low[size_t(b * e.Channels + c)]);
                high = std::max(high, e.High[size_t(b * e.Channels + c)]);
            }
            m_ColumnLow[size_t(x * e.Channels + c)] = low;
            m_ColumnHigh[size_t(x * e.Channels + c)] = high;
        }
    }
}

int UC_WaveStrip::XOf(int64_t pFrame, const QRect& pArea) const {
    return pArea.left() + ColumnOf(pFrame);
}

bool UC_WaveStrip::Cut(int pColumn) const {
    if (!m_Marks.Trims) return false;
    // A column is kept when any of its frames is.
    return FrameAt(pColumn + 1) <= m_Marks.Start || FrameAt(pColumn) >= m_Marks.End;
}

void UC_WaveStrip::Draw() {
    if (width() <= 0 || height() <= 0) return;
    ++m_DrawCount;
    if (m_Canvas.Width() != width() || m_Canvas.Height() != height())
        m_Canvas.Resize(width(), height());
    m_Canvas.Clear();
    const QRect area = WaveArea();
    m_Canvas.FillBox(area.x(), area.y(), area.width(), area.height(),
                     SystemColor(platform::kColorWindow));
    if (!m_Message.isEmpty()) {
        const QString fitted = FitText(m_Message, m_Canvas, ToTwips(area.width() - 8), false);
        m_Canvas.Print(area.x() + 4, area.y() + (area.height() - m_Canvas.TextHeight(fitted)) / 2,
                       fitted, SystemColor(platform::kColorWindowText));
    } else if (m_Envelope.Frames > 0) {
        DrawShading(area);
        DrawChannels(area);
        DrawMarks(area);
        DrawPlayCursor(area);
    }
    m_Canvas.DrawEdge(area.left() - 2, area.top() - 2, area.right() + 3, area.bottom() + 3, true);
    const QString line = FitText(m_Text, m_Canvas, ToTwips(width() - 6), false);
    m_Canvas.Print(3, 1, line, SystemColor(platform::kColorButtonText));
    update();
}

// Cut-away frames on grey, the margins kept around the sound on a light band.
void UC_WaveStrip::DrawShading(const QRect& pArea) {
    if (!m_Marks.Trims) return;
    const Color cut = MakeColor(208, 208, 208), margin = MakeColor(255, 240, 200);
    for (int x = 0; x < m_Columns; ++x) {
        const int64_t from = FrameAt(x), to = FrameAt(x + 1);
        Color c = SystemColor(platform::kColorWindow);
        if (Cut(x))
            c = cut;
        else if (m_Marks.FirstSound < 0 || to <= m_Marks.FirstSound || from > m_Marks.LastSound)
            c = margin;
        else
            continue;
        m_Canvas.Line(pArea.left() + x, pArea.top(), pArea.left() + x, pArea.bottom(), c);
    }
}

// Each channel in its own band, one vertical line per column from its smallest to its
// largest value.
void UC_WaveStrip::DrawChannels(const QRect& pArea) {
    const int channels = std::max(1, m_Envelope.Channels);
    const int band = pArea.height() / channels;
    for (int c = 0; c < channels; ++c) {
        const int top = pArea.top() + c * band;
        const double half = (band - 1) / 2.0;
        const int middle = top + int(std::lround(half));
        m_Canvas.Line(pArea.left(), middle, pArea.right(), middle, MakeColor(190, 200, 220));
        for (int x = 0; x < m_Columns; ++x) {
            const float low = m_ColumnLow[size_t(x * channels + c)];
            const float high = m_ColumnHigh[size_t(x * channels + c)];
            if (std::isnan(low) || high < low) continue;
            const int y1 = middle - int(std::lround(double(high) * half));
            const int y2 = middle - int(std::lround(double(low) * half));
            m_Canvas.Line(pArea.left() + x, y1, pArea.left() + x, y2, WaveColor(Cut(x)));
        }
    }
}

// The cut points in red, the first and last sound in orange.
void UC_WaveStrip::DrawMarks(const QRect& pArea) {
    if (!m_Marks.Trims) return;
    auto mark = [&](int64_t pFrame, Color pC) {
        const int x = std::min(XOf(pFrame, pArea), pArea.right());
        m_Canvas.Line(x, pArea.top(), x, pArea.bottom(), pC);
    };
    if (m_Marks.FirstSound >= 0) {
        mark(m_Marks.FirstSound, MakeColor(230, 140, 0));
        mark(m_Marks.LastSound, MakeColor(230, 140, 0));
    }
    mark(m_Marks.Start, MakeColor(210, 0, 0));
    mark(m_Marks.End, MakeColor(210, 0, 0));
}

void UC_WaveStrip::DrawPlayCursor(const QRect& pArea) {
    if (m_PlayCursor < 0 || m_Envelope.Frames <= 0) return;
    const int x = std::min(XOf(m_PlayCursor, pArea), pArea.right());
    m_Canvas.Line(x, pArea.top(), x, pArea.bottom(), MakeColor(0, 90, 220));
    m_Canvas.Line(x + 1, pArea.top(), x + 1, pArea.bottom(), MakeColor(0, 90, 220));
}

QString UC_WaveStrip::PointText(int pX) const {
    const QRect area = WaveArea();
    const int x = pX - area.left();
    if (m_Envelope.Frames <= 0 || x < 0 || x >= m_Columns) return QString();
    float level = -1.0f;
    for (int c = 0; c < m_Envelope.Channels; ++c) {
        const float low = m_ColumnLow[size_t(x * m_Envelope.Channels + c)];
        const float high = m_ColumnHigh[size_t(x * m_Envelope.Channels + c)];
        if (!std::isnan(low)) level = std::max({level, std::fabs(low), std::fabs(high)});
    }
    QString text = TimeText(FrameAt(x), m_Envelope.SampleRate);
    if (level < 0.0f) return text;
    if (level <= 0.0f) return text + QStringLiteral("  silence");
    return text + QStringLiteral("  %1 dB").arg(20.0 * std::log10(double(level)), 0, 'f', 1);
}

void UC_WaveStrip::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, SystemColor(platform::kColorButtonFace));
}

void UC_WaveStrip::resizeEvent(QResizeEvent*) {
    ReduceColumns();
    Draw();
}

// The strip only shows: a click plays nothing and changes nothing.
void UC_WaveStrip::mousePressEvent(QMouseEvent* pEvent) {
    pEvent->accept();
    if (pEvent->button() == Qt::LeftButton && m_Message.isEmpty() && m_Envelope.Frames > 0)
        emit FrameClicked(FrameAt(int(pEvent->position().x()) - WaveArea().left()));
}

void UC_WaveStrip::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    pEvent->accept();
}

void UC_WaveStrip::mouseMoveEvent(QMouseEvent* pEvent) {
    const QPoint at = pEvent->position().toPoint();
    const QString text = PointText(at.x());
    setToolTip(text);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(pEvent->globalPosition().toPoint(), text, this);
}
