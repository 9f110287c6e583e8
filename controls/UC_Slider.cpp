#include "controls/UC_Slider.h"

#include "controls/MouseButtons.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kArrowBoxTwips = 270;
constexpr int kRepeatMs = 200;
// Glyph cells: 6 x 10 for the horizontal arrows, 10 x 6 for the vertical ones.
constexpr int kGlyphLong = 10;
constexpr int kGlyphShort = 6;
constexpr Color kGlyphReleased = 0x404040;
constexpr Color kGlyphPressed = 0x101010;
// How far a disabled slider is washed towards the button face.
constexpr double kDisabledFade = 0.6;

// Builds the glyph source: four glyphs side by side (arrow 0 pressed, arrow 1
// pressed, arrow 0 released, arrow 1 released) with their masks in the row below.
Surface MakeGlyphSource(bool pVertical) {
    const int gw = pVertical ? kGlyphLong : kGlyphShort;
    const int gh = pVertical ? kGlyphShort : kGlyphLong;
    Surface s(gw * 4, gh * 2);
    s.SetBackColor(0);
    s.Clear();
    s.FillBox(0, gh, gw * 4, gh, 0xFFFFFF); // masks: white keeps the background
    for (int g = 0; g < 4; ++g) {
        const bool pressed = g < 2;
        const bool increasing = (g % 2) == 1;
        const int shift = pressed ? 1 : 0;
        const Color colour = pressed ? kGlyphPressed : kGlyphReleased;
        // A triangle four pixels deep pointing to its end of the slider.
        for (int col = 0; col < 4; ++col) {
            const int along = (increasing ? 4 - col : 1 + col) + shift;
            for (int a = 4 - col; a <= 5 + col; ++a) {
                const int across = a + shift;
                const int x = pVertical ? across : along;
                const int y = pVertical ? along : across;
                s.SetPixel(g * gw + x, y, colour);
                s.SetPixel(g * gw + x, gh + y, 0);
            }
        }
    }
    return s;
}

} // namespace

UC_Slider::UC_Slider(QWidget* pParent) : QWidget(pParent) {
    m_Timer.setObjectName(QStringLiteral("TimerCheck"));
    m_Timer.setInterval(kRepeatMs);
    connect(&m_Timer, &QTimer::timeout, this, &UC_Slider::TimerCheck_Timer);
    m_Glyphs[0] = MakeGlyphSource(false);
    m_Glyphs[1] = MakeGlyphSource(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void UC_Slider::SetNoArrow(bool pValue) {
    m_NoArrow = pValue;
    if (pValue) m_Disabletrim = -1;
}

// ---- layout -------------------------------------------------------------------

void UC_Slider::Layout() {
    const int px = Px();
    const int along = ToTwips(m_IsVertical ? height() : width());
    const int across = m_IsVertical ? width() : height();
    int trackStart = 0;
    int trackBoxLen = along;
    if (!m_NoArrow) {
        trackBoxLen = std::max(15, along - 2 * kArrowBoxTwips - px);
        trackStart = kArrowBoxTwips + px;
        const int arrowPx = ToPx(kArrowBoxTwips);
        const int arrow1 = ToPx(trackStart + trackBoxLen);
        m_ArrowBox[0] = m_IsVertical ? QRect(0, 0, across, arrowPx) : QRect(0, 0, arrowPx, across);
        m_ArrowBox[1] =
            m_IsVertical ? QRect(0, arrow1, across, arrowPx) : QRect(arrow1, 0, arrowPx, across);
    } else {
        m_ArrowBox[0] = m_ArrowBox[1] = QRect();
    }
    const int start = ToPx(trackStart), len = std::max(1, ToPx(trackBoxLen));
    m_TrackBox = m_IsVertical ? QRect(0, start, across, len) : QRect(start, 0, len, across);
    m_TrackLength = std::max(15, trackBoxLen - 4 * px);
}

void UC_Slider::Init() {
    Layout();
    const Color shadow = platform::SystemColor(platform::kColorButtonShadow);
    const Color face = platform::SystemColor(platform::kColorButtonFace);
    m_ThumbColors[0] = ShiftColor(shadow, 0, 0, 0, 1.2);
    m_ThumbColors[1] = ShiftColor(face, 0, 0, 0, 1.1);
    m_ThumbColors[2] = ShiftColor(shadow, 0, 0, 0, 0.9);
    PaintArrowBoxes();
    if (m_Disabletrim != -1) {
        DrawArrow(0, false);
        DrawArrow(1, false);
    }
    m_Initialised = true;
    Init2();
}

// Arrow boxes and thumb share one face: raised, or shaded across the bar.
void UC_Slider::PaintThumbFace(Surface& pPic) const {
    if (m_NoGrad)
        PaintBackground(pPic, 1);
    else
        PaintBackground(pPic, m_IsVertical ? 6 : 5, m_ThumbColors[0], m_ThumbColors[1],
                        m_ThumbColors[2]);
}

void UC_Slider::PaintArrowBoxes() {
    const Color dark = platform::SystemColor(platform::kColor3DDarkShadow);
    for (int i = 0; i < 2; ++i) {
        Surface& pic = m_ArrowPic[i];
        if (m_ArrowBox[i].isEmpty()) {
            pic = Surface();
            continue;
        }
        pic.Resize(m_ArrowBox[i].width(), m_ArrowBox[i].height());
        PaintThumbFace(pic);
        pic.Line(0, pic.Height() - 1, pic.Width() - 1, pic.Height() - 1, dark);
        pic.Line(pic.Width() - 1, 0, pic.Width() - 1, pic.Height() - 1, dark);
    }
}

void UC_Slider::Init2() {
    m_TrackLength =
        std::max(15, ToTwips(m_IsVertical ? m_TrackBox.height() : m_TrackBox.width()) - 4 * Px());
    m_Travel = m_TrackLength - m_PointerSize;
    PaintThumbPicture();
    Compose();
}

void UC_Slider::PaintThumbPicture() {
    const int px = Px();
    const int len = std::max(1, m_PointerSize / px);
    const int thick = std::max(1, (m_IsVertical ? m_TrackBox.width() : m_TrackBox.height()) - 4);
    m_ThumbPic.Resize(m_IsVertical ? thick : len, m_IsVertical ? len : thick);
    PaintThumbFace(m_ThumbPic);
    auto grip = [&](int pAt, Color pC) {
        if (m_IsVertical)
            m_ThumbPic.Line(0, pAt, thick - 1, pAt, pC);
        else
            m_ThumbPic.Line(pAt, 0, pAt, thick - 1, pC);
    };
    const Color shadow = platform::SystemColor(platform::kColorButtonShadow);
    if (m_CenterLined == -1)
        grip(m_PointerSize / (2 * px) - 1, shadow);
    else if (!m_NoGrad) {
        grip(4, shadow);
        grip(len - 6, shadow);
    }
    if (!m_NoGrad) grip(len - 1, platform::SystemColor(platform::kColor3DDarkShadow));
}

void UC_Slider::DrawArrow(int pI, bool pPressed) {
    Surface& pic = m_ArrowPic[pI];
    if (pic.IsNull()) return;
    const Surface& src = m_Glyphs[m_IsVertical ? 1 : 0];
    const int gw = m_IsVertical ? kGlyphLong : kGlyphShort;
    const int gh = m_IsVertical ? kGlyphShort : kGlyphLong;
    const int x = pic.Width() / 2 - gw / 2;
    const int y = pic.Height() / 2 - gh / 2;
    const int glyph = (pPressed ? 0 : 2) + pI;
    // Repaint the box first so that the previous glyph goes.
    if (m_NoGrad)
        PaintBackground(pic, 1);
    else
        PaintBackground(pic, m_IsVertical ? 6 : 5, m_ThumbColors[0], m_ThumbColors[1],
                        m_ThumbColors[2]);
    const Color dark = platform::SystemColor(platform::kColor3DDarkShadow);
    pic.Line(0, pic.Height() - 1, pic.Width() - 1, pic.Height() - 1, dark);
    pic.Line(pic.Width() - 1, 0, pic.Width() - 1, pic.Height() - 1, dark);
    pic.CopyFrom(x, y, src, glyph * gw, gh, gw, gh, platform::CopyMode::And);
    pic.CopyFrom(x, y, src, glyph * gw, 0, gw, gh, platform::CopyMode::Xor);
}

// ---- value and thumb ------------------------------------------------------------

int32_t UC_Slider::MapValueToPosition(int32_t pValue) const {
    const int64_t range = int64_t(m_Max) - m_Min;
    if (range == 0 || m_Travel <= 0) return 0;
    // A value left outside a narrowed range still maps onto the track.
    const double p =
        std::nearbyint(double(m_Travel) / double(range) * double(int64_t(pValue) - m_Min));
    return int32_t(std::clamp(p, 0.0, double(m_Travel)));
}

void UC_Slider::SetValue(int32_t pValue) {
    if (int64_t(m_Max) - m_Min == 0) return;
    if (pValue > m_Max) pValue = m_Max;
    if (pValue < m_Min) pValue = m_Min;
    m_Value = pValue;
    DrawThumbAt(float(MapValueToPosition(pValue)));
}

void UC_Slider::SetPointerSizeTwips(int32_t pTwips) {
    m_PointerSize = pTwips;
    m_Travel = m_TrackLength - m_PointerSize;
}

void UC_Slider::SetPointerSize(float pRate) {
    if (pRate >= 1) pRate = 0.95f;
    const int px = Px();
    m_PointerSize = std::max(8 * px, int32_t(std::nearbyint(double(m_TrackLength) * pRate)));
    Init2();
}

void UC_Slider::Draw(int32_t pPos) {
    const int64_t range = int64_t(m_Max) - m_Min;
    // Without travel every position stands for the start of the range.
    const double raw = m_Travel > 0 ? double(range) / m_Travel * pPos + m_Min : double(m_Min);
    const double v = std::nearbyint(raw);
    if (m_Travel <= 0) {
        m_Value = m_Min;
        pPos = 0;
    } else if (v > m_Max) {
        m_Value = m_Max;
        pPos = m_Travel;
    } else if (v < m_Min) {
        m_Value = m_Min;
        pPos = 0;
    } else {
        m_Value = int32_t(v);
    }
    DrawThumbAt(float(pPos));
}

void UC_Slider::DrawThumbAt(float pPos) {
    m_ThumbPos = pPos;
    Compose();
}

void UC_Slider::Compose() {
    if (!m_Initialised) return;
    m_Canvas.SetBackColor(platform::SystemColor(platform::kColorButtonFace));
    m_Canvas.Resize(width(), height());
    for (int i = 0; i < 2; ++i)
        if (!m_ArrowPic[i].IsNull())
            m_Canvas.CopyFrom(m_ArrowBox[i].x(), m_ArrowBox[i].y(), m_ArrowPic[i], 0, 0,
                              m_ArrowPic[i].Width(), m_ArrowPic[i].Height());
    const QRect inner = m_TrackBox.adjusted(2, 2, -2, -2);
    m_Canvas.FillBox(inner.x(), inner.y(), inner.width(), inner.height(),
                     ShiftColor(DefaultColor(1), 0, 0, 0, 0.92));
    const int at = int(std::nearbyint(m_ThumbPos / Px()));
    if (m_IsVertical)
        m_Canvas.CopyFrom(inner.x(), inner.y() + at, m_ThumbPic, 0, 0, m_ThumbPic.Width(),
                          std::min(m_ThumbPic.Height(), std::max(0, inner.height() - at)));
    else
        m_Canvas.CopyFrom(inner.x() + at, inner.y(), m_ThumbPic, 0, 0,
                          std::min(m_ThumbPic.Width(), std::max(0, inner.width() - at)),
                          m_ThumbPic.Height());
    m_Canvas.DrawEdge(m_TrackBox.left(), m_TrackBox.top(), m_TrackBox.right() + 1,
                      m_TrackBox.bottom() + 1, true);
    if (hasFocus())
        DrawFocusMark(m_Canvas, inner.adjusted(1, 1, -1, -1),
                      platform::SystemColor(platform::kColorButtonText));
    if (!isEnabled())
        FadeSurface(m_Canvas, platform::SystemColor(platform::kColorButtonFace), kDisabledFade);
    update();
}

// ---- mouse ----------------------------------------------------------------------

UC_Slider::Part UC_Slider::PartAt(QPoint pPos) const {
    if (m_ArrowBox[0].contains(pPos)) return Part::Arrow0;
    if (m_ArrowBox[1].contains(pPos)) return Part::Arrow1;
    return Part::Track;
}

int32_t UC_Slider::TrackCoordinate(QPoint pPos) const {
    const int inside = m_IsVertical ? pPos.y() - m_TrackBox.y() - 2 : pPos.x() - m_TrackBox.x() - 2;
    return ToTwips(inside);
}

void UC_Slider::TrackPress(QMouseEvent* pEvent) {
    const int16_t button = MouseButtonCode(pEvent->button());
    if (button == kMouseLeft) {
        const int32_t c = TrackCoordinate(pEvent->position().toPoint());
        const float t = m_ThumbPos;
        m_GrabOffset = (t < c && c < t + m_PointerSize) ? c - t : m_PointerSize / 2.0f;
        m_LastC = c;
        Draw(int32_t(std::nearbyint(c - m_GrabOffset)));
    }
    m_Clicked = -1;
    emit MouseUD(true, button);
    if (button == kMouseLeft) emit Scrolled(1);
}

void UC_Slider::ArrowPress(int pI) {
    m_ArrowPressed[pI] = true;
    m_ArrowPressed[1 - pI] = false;
    DrawArrow(pI, true);
    m_Clicked = -1;
    Compose();
    TimerCheck_Timer();
    m_Timer.start();
}

void UC_Slider::TimerCheck_Timer() {
    if (m_ArrowPressed[0])
        SetValue(m_Value - m_SmallChange);
    else if (m_ArrowPressed[1])
        SetValue(m_Value + m_SmallChange);
    emit Scrolled(1);
}

void UC_Slider::mousePressEvent(QMouseEvent* pEvent) {
    if (m_RefuseInput == -1 || !m_Initialised) return;
    m_PressedPart = PartAt(pEvent->position().toPoint());
    if (m_PressedPart == Part::Track) {
        TrackPress(pEvent);
        return;
    }
    if (m_Disabletrim == -1 || pEvent->button() != Qt::LeftButton) return;
    ArrowPress(m_PressedPart == Part::Arrow0 ? 0 : 1);
}

void UC_Slider::mouseMoveEvent(QMouseEvent* pEvent) {
    if (m_RefuseInput == -1 || m_PressedPart != Part::Track) return;
    if (!(pEvent->buttons() & Qt::LeftButton)) return;
    const int32_t c = TrackCoordinate(pEvent->position().toPoint());
    if (c == m_LastC) return;
    m_LastC = c;
    Draw(int32_t(std::nearbyint(c - m_GrabOffset)));
    emit Scrolled(MouseButtonState(pEvent->buttons()));
}

void UC_Slider::mouseReleaseEvent(QMouseEvent* pEvent) {
    const Part part = m_PressedPart;
    if (pEvent->buttons() == Qt::NoButton) m_PressedPart = Part::None;
    if (m_RefuseInput == -1) return;
    const int16_t button = MouseButtonCode(pEvent->button());
    if (part == Part::Track) {
        m_Clicked = 0;
        emit MouseUD(false, button);
        if (button == kMouseLeft) emit Scrolled(1);
        return;
    }
    if (part == Part::None || m_Disabletrim == -1) return;
    if (button == kMouseLeft) {
        const int i = part == Part::Arrow0 ? 0 : 1;
        m_ArrowPressed[i] = false;
        DrawArrow(i, false);
        m_Timer.stop();
        m_Clicked = 0;
        Compose();
    }
    emit MouseUD(false, button);
}

void UC_Slider::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (m_RefuseInput == -1 || !m_Initialised) return;
    m_PressedPart = PartAt(pEvent->position().toPoint());
    if (m_PressedPart == Part::Track) {
        emit DblClicked();
        emit Scrolled(1);
        return;
    }
    if (m_Disabletrim == -1 || pEvent->button() != Qt::LeftButton) return;
    ArrowPress(m_PressedPart == Part::Arrow0 ? 0 : 1);
}

// ---- keys -----------------------------------------------------------------------

int32_t UC_Slider::PageStep() const {
    if (m_LargeChange > 0) return m_LargeChange;
    const int64_t tenth = (int64_t(m_Max) - m_Min) / 10;
    return int32_t(std::max<int64_t>({std::abs(tenth), int64_t(m_SmallChange), 1}));
}

std::optional<int32_t> UC_Slider::KeyTarget(int pKey) const {
    // Down and Page Down move along the value's growth on a vertical slider, against it on a
    // horizontal one, as on the platform's own sliders.
    const int32_t downward = m_IsVertical ? 1 : -1;
    const int64_t v = m_Value;
    int64_t target;
    switch (pKey) {
    case Qt::Key_Left:
        target = v - m_SmallChange;
        break;
    case Qt::Key_Right:
        target = v + m_SmallChange;
        break;
    case Qt::Key_Up:
        target = v - int64_t(downward) * m_SmallChange;
        break;
    case Qt::Key_Down:
        target = v + int64_t(downward) * m_SmallChange;
        break;
    case Qt::Key_PageUp:
        target = v - int64_t(downward) * PageStep();
        break;
    case Qt::Key_PageDown:
        target = v + int64_t(downward) * PageStep();
        break;
    case Qt::Key_Home:
        target = m_Min;
        break;
    case Qt::Key_End:
        target = m_Max;
        break;
    default:
        return std::nullopt;
    }
    return int32_t(std::clamp<int64_t>(target, std::min(m_Min, m_Max), std::max(m_Min, m_Max)));
}

void UC_Slider::keyPressEvent(QKeyEvent* pEvent) {
    const std::optional<int32_t> target = KeyTarget(pEvent->key());
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    if (!target || (mods != Qt::NoModifier && mods != Qt::KeypadModifier)) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    if (m_RefuseInput == -1 || !m_Initialised || m_Clicked == -1) return;
    const int32_t before = m_Value;
    SetValue(*target);
    if (m_Value != before) emit Scrolled(kMouseLeft);
}

void UC_Slider::focusInEvent(QFocusEvent*) {
    Compose();
}

void UC_Slider::focusOutEvent(QFocusEvent*) {
    Compose();
}

void UC_Slider::DropHold() {
    m_Timer.stop();
    for (int i = 0; i < 2; ++i)
        if (m_ArrowPressed[i]) {
            m_ArrowPressed[i] = false;
            DrawArrow(i, false);
        }
    m_PressedPart = Part::None;
    m_Clicked = 0;
}

// A slider disabled while held would never see the release: the hold ends here.
void UC_Slider::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange) {
        if (!isEnabled()) DropHold();
        Compose();
    }
    QWidget::changeEvent(pEvent);
}

// ---- painting -------------------------------------------------------------------

void UC_Slider::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, platform::SystemColor(platform::kColorButtonFace));
}

void UC_Slider::resizeEvent(QResizeEvent*) {
    if (!m_Initialised) return;
    Init();
    if (int64_t(m_Max) - m_Min != 0) DrawThumbAt(float(MapValueToPosition(m_Value)));
}
