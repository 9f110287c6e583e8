// The list's icon strip: eleven 16 x 16 icons side by side, images in the top row
// and their masks below (a mask is black where the icon covers the row).
#include "controls/UC_ListView.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kIconCount = 11;
constexpr int kIconSize = 16;

void Page(QPainter& pPainter, const QColor& pFill) {
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10.5, 0.5);
    page.lineTo(13.5, 3.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    pPainter.setPen(QColor(96, 96, 96));
    pPainter.setBrush(pFill);
    pPainter.drawPath(page);
    pPainter.drawLine(QPointF(10.5, 0.5), QPointF(10.5, 3.5));
    pPainter.drawLine(QPointF(10.5, 3.5), QPointF(13.5, 3.5));
}

void Wave(QPainter& pPainter) {
    Page(pPainter, QColor(255, 255, 255));
    // A waveform as vertical strokes around the page's middle.
    const int heights[] = {1, 3, 5, 2, 6, 4, 2};
    pPainter.setRenderHint(QPainter::Antialiasing, false);
    pPainter.setPen(QColor(0, 70, 200));
    for (int i = 0; i < 7; ++i)
        pPainter.drawLine(4 + i, 9 - heights[i], 4 + i, 9 + heights[i] - 1);
}

void Folder(QPainter& pPainter) {
    pPainter.setPen(QColor(150, 110, 20));
    pPainter.setBrush(QColor(240, 200, 80));
    pPainter.drawRect(QRectF(0.5, 4.5, 15, 10));
    pPainter.drawRect(QRectF(0.5, 2.5, 6, 2));
}

void Note(QPainter& pPainter) {
    pPainter.setPen(Qt::NoPen);
    pPainter.setBrush(QColor(40, 40, 120));
    pPainter.drawEllipse(QRectF(2, 10, 5, 4));
    pPainter.drawEllipse(QRectF(9, 8, 5, 4));
    pPainter.setPen(QPen(QColor(40, 40, 120), 1.5));
    pPainter.drawLine(QPointF(6.5, 12), QPointF(6.5, 2));
    pPainter.drawLine(QPointF(13.5, 10), QPointF(13.5, 1));
    pPainter.drawLine(QPointF(6.5, 2), QPointF(13.5, 1));
}

void Check(QPainter& pPainter) {
    pPainter.setPen(QPen(QColor(20, 150, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    pPainter.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 12), QPointF(14, 3)}));
}

void Cross(QPainter& pPainter) {
    pPainter.setPen(QPen(QColor(210, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
    pPainter.drawLine(QPointF(3, 3), QPointF(13, 13));
    pPainter.drawLine(QPointF(13, 3), QPointF(3, 13));
}

void Star(QPainter& pPainter) {
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 3.0 : 7.5;
        const double a = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
    }
    pPainter.setPen(QColor(170, 120, 0));
    pPainter.setBrush(QColor(255, 210, 40));
    pPainter.drawPolygon(star);
}

void Arrow(QPainter& pPainter) {
    pPainter.setPen(Qt::NoPen);
    pPainter.setBrush(QColor(30, 100, 210));
    pPainter.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(8, 6), QPointF(8, 2), QPointF(15, 8),
                                    QPointF(8, 14), QPointF(8, 10), QPointF(1, 10)}));
}

void Speaker(QPainter& pPainter) {
    pPainter.setPen(Qt::NoPen);
    pPainter.setBrush(QColor(60, 60, 60));
    pPainter.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(4, 6), QPointF(8, 2), QPointF(8, 14),
                                    QPointF(4, 10), QPointF(1, 10)}));
    pPainter.setPen(QPen(QColor(60, 60, 60), 1.2));
    pPainter.setBrush(Qt::NoBrush);
    pPainter.drawArc(QRectF(6, 4, 6, 8), -60 * 16, 120 * 16);
    pPainter.drawArc(QRectF(6, 1, 9, 14), -60 * 16, 120 * 16);
}

void Info(QPainter& pPainter) {
    pPainter.setPen(QColor(20, 60, 160));
    pPainter.setBrush(QColor(60, 120, 230));
    pPainter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    pPainter.setPen(Qt::NoPen);
    pPainter.setBrush(Qt::white);
    pPainter.drawEllipse(QRectF(7, 3, 2, 2));
    pPainter.drawRect(QRectF(7, 6.5, 2, 6.5));
}

// A grey circle with a bar across: left out.
void Skip(QPainter& pPainter) {
    pPainter.setPen(QPen(QColor(110, 110, 110), 1.5));
    pPainter.setBrush(QColor(225, 225, 225));
    pPainter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    pPainter.setPen(QPen(QColor(110, 110, 110), 2.5, Qt::SolidLine, Qt::FlatCap));
    pPainter.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
}

} // namespace

void UC_ListView::PaintIcons() {
    using Painter = void (*)(QPainter&);
    const Painter painters[kIconCount] = {
        [](QPainter& pPainter) { Page(pPainter, QColor(250, 250, 250)); },
        Wave,
        Folder,
        Note,
        Check,
        Cross,
        Star,
        Arrow,
        Speaker,
        Info,
        Skip};
    m_Icons.Resize(kIconCount * kIconSize, 2 * kIconSize);
    QImage& strip = m_Icons.Image();
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
