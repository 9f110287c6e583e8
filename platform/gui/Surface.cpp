#include "platform/gui/Surface.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace platform {

namespace {

QPainter::CompositionMode CompositionFor(int pRasterMode) {
    switch (pRasterMode) {
    case kRasterInvert:
        return QPainter::RasterOp_NotDestination;
    case kRasterXorPen:
        return QPainter::RasterOp_SourceXorDestination;
    case kRasterMaskPen:
        return QPainter::RasterOp_SourceAndDestination;
    case kRasterMergePen:
        return QPainter::RasterOp_SourceOrDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

QPainter::CompositionMode CompositionFor(CopyMode pMode) {
    switch (pMode) {
    case CopyMode::And:
        return QPainter::RasterOp_SourceAndDestination;
    case CopyMode::Xor:
        return QPainter::RasterOp_SourceXorDestination;
    case CopyMode::Or:
        return QPainter::RasterOp_SourceOrDestination;
    case CopyMode::Copy:
        break;
    }
    return QPainter::CompositionMode_Source;
}

QPen PenOf(Color pC, int pWidth) {
    QPen pen(ToQColor(pC));
    pen.setWidth(std::max(1, pWidth));
    pen.setCapStyle(pWidth > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

Surface::Surface(int pWidth, int pHeight) {
    Resize(pWidth, pHeight);
}

void Surface::Resize(int pWidth, int pHeight) {
    m_Image = QImage(std::max(1, pWidth), std::max(1, pHeight), QImage::Format_RGB32);
    m_Metrics.reset();
    Clear();
}

void Surface::Clear() {
    if (!m_Image.isNull()) m_Image.fill(ToQColor(m_Back));
}

// Combines a pen pixel with a destination pixel for the raster mode.
static QRgb Combine(int pRasterMode, QRgb pPen, QRgb pDst) {
    switch (pRasterMode) {
    case kRasterInvert:
        return ~pDst | 0xFF000000u;
    case kRasterXorPen:
        return (pPen ^ pDst) | 0xFF000000u;
    case kRasterMaskPen:
        return (pPen & pDst) | 0xFF000000u;
    case kRasterMergePen:
        return pPen | pDst;
    default:
        return pPen;
    }
}

bool Surface::StraightLine(int pX1, int pY1, int pX2, int pY2, Color pC) {
    if (pX1 != pX2 && pY1 != pY2) return false;
    const QImage::Format f = m_Image.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32) return false;
    const QRgb pen = ToQColor(pC).rgb();
    const int w = m_Image.width(), h = m_Image.height();
    if (pY1 == pY2) {
        if (pY1 < 0 || pY1 >= h) return true;
        const int from = std::max(0, std::min(pX1, pX2)), to = std::min(w - 1, std::max(pX1, pX2));
        auto* row = reinterpret_cast<QRgb*>(m_Image.scanLine(pY1));
        for (int x = from; x <= to; ++x)
            row[x] = Combine(m_DrawMode, pen, row[x]);
    } else {
        if (pX1 < 0 || pX1 >= w) return true;
        const int from = std::max(0, std::min(pY1, pY2)), to = std::min(h - 1, std::max(pY1, pY2));
        for (int y = from; y <= to; ++y) {
            auto* row = reinterpret_cast<QRgb*>(m_Image.scanLine(y));
            row[pX1] = Combine(m_DrawMode, pen, row[pX1]);
        }
    }
    return true;
}

void Surface::Line(int pX1, int pY1, int pX2, int pY2, Color pC, int pPenWidth) {
    if (m_Image.isNull()) return;
    // Most lines of the controls are one-pixel rows or columns: set them directly.
    if (pPenWidth <= 1 && StraightLine(pX1, pY1, pX2, pY2, pC)) return;
    QPainter p(&m_Image);
    p.setCompositionMode(CompositionFor(m_DrawMode));
    p.setPen(PenOf(pC, pPenWidth));
    if (pX1 == pX2 && pY1 == pY2)
        p.drawPoint(pX1, pY1);
    else
        p.drawLine(pX1, pY1, pX2, pY2);
}

void Surface::Lines(const std::vector<QLine>& pLines, const std::vector<Color>& pColours,
                    int pPenWidth) {
    if (m_Image.isNull() || pLines.empty()) return;
    QPainter p(&m_Image);
    p.setCompositionMode(CompositionFor(m_DrawMode));
    for (size_t i = 0; i < pLines.size() && i < pColours.size(); ++i) {
        p.setPen(PenOf(pColours[i], pPenWidth));
        const QLine& l = pLines[i];
        if (l.p1() == l.p2())
            p.drawPoint(l.p1());
        else
            p.drawLine(l);
    }
}

void Surface::Polyline(const std::vector<QPoint>& pPoints, Color pC, int pPenWidth) {
    if (m_Image.isNull() || pPoints.empty()) return;
    QPainter p(&m_Image);
    p.setCompositionMode(CompositionFor(m_DrawMode));
    p.setPen(PenOf(pC, pPenWidth));
    p.drawPolyline(pPoints.data(), int(pPoints.size()));
}

void Surface::FillBox(int pX, int pY, int pW, int pH, Color pC) {
    if (m_Image.isNull() || pW <= 0 || pH <= 0) return;
    QPainter p(&m_Image);
    p.setCompositionMode(CompositionFor(m_DrawMode));
    p.fillRect(pX, pY, pW, pH, ToQColor(pC));
}

void Surface::Box(int pX, int pY, int pW, int pH, Color pC) {
    if (pW <= 0 || pH <= 0) return;
    Line(pX, pY, pX + pW - 1, pY, pC);
    Line(pX, pY + pH - 1, pX + pW - 1, pY + pH - 1, pC);
    Line(pX, pY, pX, pY + pH - 1, pC);
    Line(pX + pW - 1, pY, pX + pW - 1, pY + pH - 1, pC);
}

void Surface::Circle(int pCx, int pCy, int pRadius, Color pC, bool pFilled) {
    if (m_Image.isNull() || pRadius <= 0) return;
    QPainter p(&m_Image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(PenOf(pC, 1));
    if (pFilled) p.setBrush(ToQColor(pC));
    p.drawEllipse(QPoint(pCx, pCy), pRadius, pRadius);
}

void Surface::SetPixel(int pX, int pY, Color pC) {
    if (m_Image.valid(pX, pY)) m_Image.setPixel(pX, pY, ToQColor(pC).rgb());
}

Color Surface::Pixel(int pX, int pY) const {
    if (!m_Image.valid(pX, pY)) return 0;
    return FromQColor(QColor(m_Image.pixel(pX, pY)));
}

// Metrics for the image's resolution; a surface without an image measures at
// the screen's.
const QFontMetrics& Surface::Metrics() const {
    if (!m_Metrics)
        m_Metrics.emplace(m_Image.isNull() ? QFontMetrics(m_Font) : QFontMetrics(m_Font, &m_Image));
    return *m_Metrics;
}

int Surface::TextWidth(const QString& pText) const {
    return Metrics().horizontalAdvance(pText);
}

int Surface::TextHeight(const QString& pText) const {
    const QFontMetrics& fm = Metrics();
    return fm.height() * int(std::max<qsizetype>(1, pText.count(QLatin1Char('\n')) + 1));
}

void Surface::Print(int pX, int pY, const QString& pText, Color pC) {
    if (m_Image.isNull() || pText.isEmpty()) return;
    QPainter p(&m_Image);
    p.setFont(m_Font);
    p.setPen(ToQColor(pC));
    p.drawText(pX, pY + Metrics().ascent(), pText);
}

void Surface::CopyFrom(int pDx, int pDy, const Surface& pSrc, int pSx, int pSy, int pW, int pH,
                       CopyMode pMode) {
    CopyFrom(pDx, pDy, pSrc.m_Image, pSx, pSy, pW, pH, pMode);
}

void Surface::CopyFrom(int pDx, int pDy, const QImage& pSrc, int pSx, int pSy, int pW, int pH,
                       CopyMode pMode) {
    if (m_Image.isNull() || pSrc.isNull() || pW <= 0 || pH <= 0) return;
    QPainter p(&m_Image);
    p.setCompositionMode(CompositionFor(pMode));
    p.drawImage(QPoint(pDx, pDy), pSrc, QRect(pSx, pSy, pW, pH));
}

void Surface::StretchFrom(int pDx, int pDy, int pDw, int pDh, const Surface& pSrc, int pSx, int pSy,
                          int pSw, int pSh) {
    if (m_Image.isNull() || pSrc.IsNull() || pDw <= 0 || pDh <= 0 || pSw <= 0 || pSh <= 0) return;
    QPainter p(&m_Image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(pDx, pDy, pDw, pDh), pSrc.m_Image, QRect(pSx, pSy, pSw, pSh));
}

void Surface::DrawEdge(int pLeft, int pTop, int pRight, int pBottom, bool pSunken) {
    if (pRight - pLeft < 2 || pBottom - pTop < 2) return;
    const Color light = SystemColor(kColor3DLight);
    const Color highlight = SystemColor(kColor3DHighlight);
    const Color shadow = SystemColor(kColorButtonShadow);
    const Color dark = SystemColor(kColor3DDarkShadow);
    // Outer and inner rings: top-left colour, bottom-right colour.
    const Color outerTL = pSunken ? shadow : highlight;
    const Color outerBR = pSunken ? highlight : dark;
    const Color innerTL = pSunken ? dark : light;
    const Color innerBR = pSunken ? light : shadow;
    const int saved = m_DrawMode;
    m_DrawMode = kRasterCopyPen;
    for (int ring = 0; ring < 2; ++ring) {
        const int l = pLeft + ring, t = pTop + ring, r = pRight - 1 - ring, b = pBottom - 1 - ring;
        if (r < l || b < t) break;
        const Color tl = ring == 0 ? outerTL : innerTL;
        const Color br = ring == 0 ? outerBR : innerBR;
        Line(l, t, r - 1, t, tl);
        Line(l, t, l, b - 1, tl);
        Line(l, b, r, b, br);
        Line(r, t, r, b, br);
    }
    m_DrawMode = saved;
}

} // namespace platform
