#include "controls/UC_Bar.h"

#include "controls/AccessibleEvents.h"

#include "controls/ControlFonts.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace {
using platform::SystemColor;
} // namespace

UC_Bar::UC_Bar(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_LateDraw.setSingleShot(true);
    connect(&m_LateDraw, &QTimer::timeout, this, [this] { Redraw(); });
    m_Canvas.SetFont(ControlFont(nullptr, 9, false));
}

void UC_Bar::SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor) {
    m_Canvas.SetFont(ControlFont(this, pSize, pBold, false, pName));
    m_TextColor = pForeColor;
    if (m_Initialised) Redraw();
}

void UC_Bar::SetTextToDisp(const QString& pT) {
    if (pT == m_Text) return;
    m_Text = pT;
    if (m_Initialised) Redraw();
    TellValue(this);
    TellDescription(this);
}

void UC_Bar::Init() {
    m_Max = 1000;
    const int px = Px();
    m_BarLength = ToTwips(width()) - 4 * px;
    m_Canvas.SetBackColor(SystemColor(platform::kColorButtonFace));
    m_Canvas.Resize(width(), height());
    // The looks cover everything inside the control's one-pixel margin.
    const int w = std::max(1, width() - 2), half = std::max(1, height() - 2);
    const Color shadow = SystemColor(platform::kColorButtonShadow);
    Surface filled(w, half), empty(w, half);
    PaintBackground(filled, 5, shadow, SystemColor(platform::kColor3DHighlight), shadow);
    filled.Line(w - 1, 0, w - 1, half - 1, ShiftColor(shadow, -80, -80, -80));
    PaintBackground(empty, 2, ShiftColor(shadow, 20, 20, 20), ShiftColor(shadow, -40, -40, -40));
    m_Looks.Resize(w, half * 2);
    m_Looks.CopyFrom(0, 0, empty, 0, 0, w, half);
    m_Looks.CopyFrom(0, half, filled, 0, 0, w, half);
    m_Initialised = true;
    DrawFill(0);
}

void UC_Bar::SetLocked(int32_t pValue) {
    m_Locked = pValue;
    if (pValue != 0) EndHold();
}

void UC_Bar::SetIdle(int32_t pValue) {
    m_Idle = pValue;
    if (pValue != 0) EndHold();
}

// A hold cut short by the owner: its release would be ignored, and SetValue
// would then be ignored for good.
void UC_Bar::EndHold() {
    if (m_Clicked != -1) return;
    m_Clicked = 0;
    emit MouseUD(false);
}

void UC_Bar::SetValue(int32_t pValue) {
    if (m_Clicked == -1) return;
    if (pValue > m_Max) pValue = m_Max;
    if (pValue < 0) pValue = 0;
    // A reader hears whole percents: values come many times a millisecond during a run.
    const bool percentMoved =
        m_Max > 0 && int64_t(pValue) * 100 / m_Max != int64_t(m_Value) * 100 / m_Max;
    m_Value = pValue;
    if (percentMoved) TellValue(this);
    const int px = Px();
    const int32_t x =
        m_Max > 0 ? int32_t(std::nearbyint(double(m_BarLength) * pValue / m_Max + 2 * px)) : 2 * px;
    const int32_t end = pValue == 0 ? 0 : x;
    if (!m_Initialised) return;
    m_FillEnd = end <= 0 ? 0 : std::clamp(end, 2 * px, ToTwips(m_Looks.Width()) + 2 * px);
    // Progress arrives many times per pixel: a fill that ends on the pixel drawn is not drawn
    // again, and the bar is not repainted.
    if (FillPixels(end) == m_DrawnPixels) {
        m_LateDraw.stop();
        return;
    }
    if (m_DrawIntervalMs > 0 && m_LastDraw.isValid() && m_LastDraw.elapsed() < m_DrawIntervalMs) {
        if (!m_LateDraw.isActive()) m_LateDraw.start(int(m_DrawIntervalMs - m_LastDraw.elapsed()));
        return;
    }
    DrawFill(end);
}

int UC_Bar::FillPixels(int32_t pX) const {
    if (pX <= 0) return 0;
    const int px = Px();
    pX = std::clamp(pX, 2 * px, ToTwips(m_Looks.Width()) + 2 * px);
    return std::max(0, std::min(m_Looks.Width(), pX / px - 1));
}

void UC_Bar::DrawFill(int32_t pX) {
    if (!m_Initialised) return;
    const int px = Px();
    const bool none = pX <= 0;
    const int piece = FillPixels(pX);
    m_DrawnPixels = piece;
    m_LastDraw.start();
    m_LateDraw.stop();
    pX = std::clamp(pX, 2 * px, ToTwips(m_Looks.Width()) + 2 * px);
    m_FillEnd = none ? 0 : pX;
    m_Canvas.Clear();
    const int half = m_Looks.Height() / 2;
    m_Canvas.CopyFrom(1, 1, m_Looks, 0, 0, m_Looks.Width(), half);
    if (piece > 0) m_Canvas.CopyFrom(1, 1, m_Looks, m_Looks.Width() - piece, half, piece, half);
    m_Canvas.DrawEdge(0, 0, width(), height(), true);
    DrawText();
    update();
}

void UC_Bar::DrawText() {
    if (m_Text.isEmpty()) return;
    const int px = Px();
    const int tw = m_Canvas.TextWidth(m_Text) * px;
    const int th = m_Canvas.TextHeight(QStringLiteral("I")) * px;
    const int x = std::max(2 * px, (ToTwips(width()) - 2 * px - tw) / 2);
    const int y = std::max(2 * px, (ToTwips(height()) - 2 * px - th) / 2);
    m_Canvas.Print(x / px, y / px, m_Text, m_TextColor);
}

// Draws the fill to pixel x and takes the value there.
void UC_Bar::FollowPointer(int pX) {
    const int px = Px();
    const int32_t xt = ToTwips(pX);
    DrawFill(xt);
    const double v =
        m_BarLength > 0 ? std::nearbyint(double(xt - 2 * px) / m_BarLength * m_Max) : 0;
    m_Value = int32_t(std::clamp<double>(v, 0, std::max(0, m_Max)));
}

void UC_Bar::mousePressEvent(QMouseEvent* pEvent) {
    if (m_Locked != 0) return;
    if (pEvent->button() == Qt::LeftButton) {
        if (m_Idle != 0) return;
        m_LastX = pEvent->position().toPoint().x();
        FollowPointer(m_LastX);
        m_Clicked = -1;
        emit MouseUD(true);
    } else if (pEvent->button() == Qt::RightButton) {
        emit RightClicked(true);
    }
}

void UC_Bar::mouseMoveEvent(QMouseEvent* pEvent) {
    if (!TakesDrags() || m_Clicked != -1 || !(pEvent->buttons() & Qt::LeftButton)) return;
    const int x = pEvent->position().toPoint().x();
    if (x == m_LastX) return;
    m_LastX = x;
    FollowPointer(x);
    emit Scrolled();
}

void UC_Bar::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (m_Locked != 0) return;
    if (pEvent->button() == Qt::LeftButton) {
        if (m_Idle != 0 || m_Clicked != -1) return;
        FollowPointer(pEvent->position().toPoint().x());
        m_Clicked = 0;
        emit MouseUD(false);
    } else {
        emit RightClicked(false);
    }
}

void UC_Bar::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, SystemColor(platform::kColorButtonFace));
}

void UC_Bar::resizeEvent(QResizeEvent*) {
    if (!m_Initialised) return;
    const int32_t max = m_Max, value = m_Value;
    Init();
    m_Max = max;
    SetValue(value);
}
