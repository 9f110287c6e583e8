#include "platform/gui/Surface.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace platform {

namespace {

QPainter::CompositionMode CompositionFor(int rasterMode) {
    switch (rasterMode) {
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

QPainter::CompositionMode CompositionFor(CopyMode mode) {
    switch (mode) {
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

QPen PenOf(Color c, int width) {
    QPen pen(ToQColor(c));
    pen.setWidth(std::max(1, width));
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

Surface::Surface(int width, int height) {
    Resize(width, height);
}

void Surface::Resize(int width, int height) {
    image_ = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    Clear();
}

void Surface::Clear() {
    if (!image_.isNull()) image_.fill(ToQColor(back_));
}

// Combines a pen pixel with a destination pixel for the raster mode.
static QRgb Combine(int rasterMode, QRgb pen, QRgb dst) {
    switch (rasterMode) {
    case kRasterInvert:
        return ~dst | 0xFF000000u;
    case kRasterXorPen:
        return (pen ^ dst) | 0xFF000000u;
    case kRasterMaskPen:
        return (pen & dst) | 0xFF000000u;
    case kRasterMergePen:
        return pen | dst;
    default:
        return pen;
    }
}

bool Surface::StraightLine(int x1, int y1, int x2, int y2, Color c) {
    if (x1 != x2 && y1 != y2) return false;
    const QImage::Format f = image_.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32) return false;
    const QRgb pen = ToQColor(c).rgb();
    const int w = image_.width(), h = image_.height();
    if (y1 == y2) {
        if (y1 < 0 || y1 >= h) return true;
        const int from = std::max(0, std::min(x1, x2)), to = std::min(w - 1, std::max(x1, x2));
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y1));
        for (int x = from; x <= to; ++x)
            row[x] = Combine(drawMode_, pen, row[x]);
    } else {
        if (x1 < 0 || x1 >= w) return true;
        const int from = std::max(0, std::min(y1, y2)), to = std::min(h - 1, std::max(y1, y2));
        for (int y = from; y <= to; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
            row[x1] = Combine(drawMode_, pen, row[x1]);
        }
    }
    return true;
}

void Surface::Line(int x1, int y1, int x2, int y2, Color c, int penWidth) {
    if (image_.isNull()) return;
    // Most lines of the controls are one-pixel rows or columns: set them directly.
    if (penWidth <= 1 && StraightLine(x1, y1, x2, y2, c)) return;
    QPainter p(&image_);
    p.setCompositionMode(CompositionFor(drawMode_));
    p.setPen(PenOf(c, penWidth));
    if (x1 == x2 && y1 == y2)
        p.drawPoint(x1, y1);
    else
        p.drawLine(x1, y1, x2, y2);
}

void Surface::Lines(const std::vector<QLine>& lines, const std::vector<Color>& colours,
                    int penWidth) {
    if (image_.isNull() || lines.empty()) return;
    QPainter p(&image_);
    p.setCompositionMode(CompositionFor(drawMode_));
    for (size_t i = 0; i < lines.size() && i < colours.size(); ++i) {
        p.setPen(PenOf(colours[i], penWidth));
        const QLine& l = lines[i];
        if (l.p1() == l.p2())
            p.drawPoint(l.p1());
        else
            p.drawLine(l);
    }
}

void Surface::Polyline(const std::vector<QPoint>& points, Color c, int penWidth) {
    if (image_.isNull() || points.empty()) return;
    QPainter p(&image_);
    p.setCompositionMode(CompositionFor(drawMode_));
    p.setPen(PenOf(c, penWidth));
    p.drawPolyline(points.data(), int(points.size()));
}

void Surface::FillBox(int x, int y, int w, int h, Color c) {
    if (image_.isNull() || w <= 0 || h <= 0) return;
    QPainter p(&image_);
    p.setCompositionMode(CompositionFor(drawMode_));
    p.fillRect(x, y, w, h, ToQColor(c));
}

void Surface::Box(int x, int y, int w, int h, Color c) {
    if (w <= 0 || h <= 0) return;
    Line(x, y, x + w - 1, y, c);
    Line(x, y + h - 1, x + w - 1, y + h - 1, c);
    Line(x, y, x, y + h - 1, c);
    Line(x + w - 1, y, x + w - 1, y + h - 1, c);
}

void Surface::Circle(int cx, int cy, int radius, Color c, bool filled) {
    if (image_.isNull() || radius <= 0) return;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(PenOf(c, 1));
    if (filled) p.setBrush(ToQColor(c));
    p.drawEllipse(QPoint(cx, cy), radius, radius);
}

void Surface::SetPixel(int x, int y, Color c) {
    if (image_.valid(x, y)) image_.setPixel(x, y, ToQColor(c).rgb());
}

Color Surface::Pixel(int x, int y) const {
    if (!image_.valid(x, y)) return 0;
    return FromQColor(QColor(image_.pixel(x, y)));
}

// Metrics for the image's resolution; a surface without an image measures at
// the screen's.
static QFontMetrics MetricsOf(const QFont& font, const QImage& image) {
    return image.isNull() ? QFontMetrics(font) : QFontMetrics(font, &image);
}

int Surface::TextWidth(const QString& text) const {
    return MetricsOf(font_, image_).horizontalAdvance(text);
}

int Surface::TextHeight(const QString& text) const {
    const QFontMetrics fm = MetricsOf(font_, image_);
    return fm.height() * int(std::max<qsizetype>(1, text.count(QLatin1Char('\n')) + 1));
}

void Surface::Print(int x, int y, const QString& text, Color c) {
    if (image_.isNull() || text.isEmpty()) return;
    QPainter p(&image_);
    p.setFont(font_);
    p.setPen(ToQColor(c));
    const QFontMetrics fm(font_, &image_);
    p.drawText(x, y + fm.ascent(), text);
}

void Surface::CopyFrom(int dx, int dy, const Surface& src, int sx, int sy, int w, int h,
                       CopyMode mode) {
    CopyFrom(dx, dy, src.image_, sx, sy, w, h, mode);
}

void Surface::CopyFrom(int dx, int dy, const QImage& src, int sx, int sy, int w, int h,
                       CopyMode mode) {
    if (image_.isNull() || src.isNull() || w <= 0 || h <= 0) return;
    QPainter p(&image_);
    p.setCompositionMode(CompositionFor(mode));
    p.drawImage(QPoint(dx, dy), src, QRect(sx, sy, w, h));
}

void Surface::StretchFrom(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                          int sw, int sh) {
    if (image_.isNull() || src.IsNull() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(dx, dy, dw, dh), src.image_, QRect(sx, sy, sw, sh));
}

void Surface::DrawEdge(int left, int top, int right, int bottom, bool sunken) {
    if (right - left < 2 || bottom - top < 2) return;
    const Color light = SystemColor(kColor3DLight);
    const Color highlight = SystemColor(kColor3DHighlight);
    const Color shadow = SystemColor(kColorButtonShadow);
    const Color dark = SystemColor(kColor3DDarkShadow);
    // Outer and inner rings: top-left colour, bottom-right colour.
    const Color outerTL = sunken ? shadow : highlight;
    const Color outerBR = sunken ? highlight : dark;
    const Color innerTL = sunken ? dark : light;
    const Color innerBR = sunken ? light : shadow;
    const int saved = drawMode_;
    drawMode_ = kRasterCopyPen;
    for (int ring = 0; ring < 2; ++ring) {
        const int l = left + ring, t = top + ring, r = right - 1 - ring, b = bottom - 1 - ring;
        if (r < l || b < t) break;
        const Color tl = ring == 0 ? outerTL : innerTL;
        const Color br = ring == 0 ? outerBR : innerBR;
        Line(l, t, r - 1, t, tl);
        Line(l, t, l, b - 1, tl);
        Line(l, b, r, b, br);
        Line(r, t, r, b, br);
    }
    drawMode_ = saved;
}

} // namespace platform
