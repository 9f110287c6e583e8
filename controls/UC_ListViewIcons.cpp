// The list's icon strip: ten 16 x 16 icons side by side, images in the top row
// and their masks below (a mask is black where the icon covers the row).
#include "controls/UC_ListView.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kIconCount = 10;
constexpr int kIconSize = 16;

void Page(QPainter& p, const QColor& fill) {
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10.5, 0.5);
    page.lineTo(13.5, 3.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.setPen(QColor(96, 96, 96));
    p.setBrush(fill);
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 0.5), QPointF(10.5, 3.5));
    p.drawLine(QPointF(10.5, 3.5), QPointF(13.5, 3.5));
}

void Wave(QPainter& p) {
    Page(p, QColor(255, 255, 255));
    // A waveform as vertical strokes around the page's middle.
    const int heights[] = {1, 3, 5, 2, 6, 4, 2};
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 70, 200));
    for (int i = 0; i < 7; ++i)
        p.drawLine(4 + i, 9 - heights[i], 4 + i, 9 + heights[i] - 1);
}

void Folder(QPainter& p) {
    p.setPen(QColor(150, 110, 20));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(0.5, 4.5, 15, 10));
    p.drawRect(QRectF(0.5, 2.5, 6, 2));
}

void Note(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 120));
    p.drawEllipse(QRectF(2, 10, 5, 4));
    p.drawEllipse(QRectF(9, 8, 5, 4));
    p.setPen(QPen(QColor(40, 40, 120), 1.5));
    p.drawLine(QPointF(6.5, 12), QPointF(6.5, 2));
    p.drawLine(QPointF(13.5, 10), QPointF(13.5, 1));
    p.drawLine(QPointF(6.5, 2), QPointF(13.5, 1));
}

void Check(QPainter& p) {
    p.setPen(QPen(QColor(20, 150, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 12), QPointF(14, 3)}));
}

void Cross(QPainter& p) {
    p.setPen(QPen(QColor(210, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 3), QPointF(13, 13));
    p.drawLine(QPointF(13, 3), QPointF(3, 13));
}

void Star(QPainter& p) {
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 3.0 : 7.5;
        const double a = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
    }
    p.setPen(QColor(170, 120, 0));
    p.setBrush(QColor(255, 210, 40));
    p.drawPolygon(star);
}

void Arrow(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 100, 210));
    p.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(8, 6), QPointF(8, 2), QPointF(15, 8),
                             QPointF(8, 14), QPointF(8, 10), QPointF(1, 10)}));
}

void Speaker(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(4, 6), QPointF(8, 2), QPointF(8, 14),
                             QPointF(4, 10), QPointF(1, 10)}));
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 4, 6, 8), -60 * 16, 120 * 16);
    p.drawArc(QRectF(6, 1, 9, 14), -60 * 16, 120 * 16);
}

void Info(QPainter& p) {
    p.setPen(QColor(20, 60, 160));
    p.setBrush(QColor(60, 120, 230));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 3, 2, 2));
    p.drawRect(QRectF(7, 6.5, 2, 6.5));
}

} // namespace

void UC_ListView::PaintIcons() {
    using Painter = void (*)(QPainter&);
    const Painter painters[kIconCount] = {[](QPainter& p) { Page(p, QColor(250, 250, 250)); },
                                          Wave,
                                          Folder,
                                          Note,
                                          Check,
                                          Cross,
                                          Star,
                                          Arrow,
                                          Speaker,
                                          Info};
    icons_.Resize(kIconCount * kIconSize, 2 * kIconSize);
    QImage& strip = icons_.Image();
    for (int n = 0; n < kIconCount; ++n) {
        QImage icon(kIconSize, kIconSize, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        {
            QPainter p(&icon);
            p.setRenderHint(QPainter::Antialiasing);
            painters[n](p);
        }
        // Mask white and image black leave the row untouched (AND, then XOR).
        for (int y = 0; y < kIconSize; ++y) {
            for (int x = 0; x < kIconSize; ++x) {
                const QRgb px = icon.pixel(x, y);
                const bool covered = qAlpha(px) >= 128;
                const QColor shown = QColor::fromRgb(px);
                strip.setPixel(n * kIconSize + x, y,
                               covered ? qRgb(shown.red(), shown.green(), shown.blue())
                                       : qRgb(0, 0, 0));
                strip.setPixel(n * kIconSize + x, kIconSize + y,
                               covered ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            }
        }
    }
}
