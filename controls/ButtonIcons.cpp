#include "controls/ButtonIcons.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <functional>

using platform::Color;
using platform::Surface;

namespace {

constexpr Color kGrey = 0x505050;
constexpr Color kBlue = 0xD07020;
constexpr Color kGreen = 0x30B030;
constexpr Color kRed = 0x2020D0;
constexpr Color kOrange = 0x1090E0;

// Draws one icon's shapes into the image (in colour) and the mask (black).
class IconPen {
  public:
    IconPen(QPainter& pImage, QPainter& pMask, int pIcon) : m_Image(pImage), m_Mask(pMask) {
        m_Image.save();
        m_Mask.save();
        m_Image.translate(pIcon * kIconSize, 0);
        m_Mask.translate(pIcon * kIconSize, kIconSize);
    }
    ~IconPen() {
        m_Image.restore();
        m_Mask.restore();
    }
    void Poly(std::initializer_list<QPoint> pPoints, Color pC) {
        const QPolygon poly{QList<QPoint>(pPoints)};
        Fill(pC, [&](QPainter& pPainter) { pPainter.drawPolygon(poly); });
    }
    void Rect(int x, int y, int w, int h, Color pC) {
        Fill(pC, [&](QPainter& pPainter) { pPainter.drawRect(x, y, w - 1, h - 1); });
    }
    void Disc(int cx, int cy, int r, Color pC) {
        Fill(pC, [&](QPainter& pPainter) { pPainter.drawEllipse(QPoint(cx, cy), r, r); });
    }
    void Ring(int cx, int cy, int r, Color pC) {
        Stroke(pC, 2, [&](QPainter& pPainter) { pPainter.drawEllipse(QPoint(cx, cy), r, r); });
    }
    void Stroke(Color pC, int pWidth, const std::function<void(QPainter&)>& pDraw) {
        for (QPainter* p : {&m_Image, &m_Mask}) {
            QPen pen(p == &m_Image ? platform::ToQColor(pC) : QColor(Qt::black));
            pen.setWidth(pWidth);
            p->setPen(pen);
            p->setBrush(Qt::NoBrush);
            pDraw(*p);
        }
    }

  private:
    void Fill(Color pC, const std::function<void(QPainter&)>& pDraw) {
        for (QPainter* p : {&m_Image, &m_Mask}) {
            const QColor q = p == &m_Image ? platform::ToQColor(pC) : QColor(Qt::black);
            p->setPen(q);
            p->setBrush(q);
            pDraw(*p);
        }
    }
    QPainter& m_Image;
    QPainter& m_Mask;
};

void ToStart(IconPen& pPainter, Color pC) {
    pPainter.Rect(3, 4, 2, 10, pC);
    pPainter.Poly({{14, 4}, {14, 13}, {6, 9}}, pC);
}
void Play(IconPen& pPainter, Color pC) {
    pPainter.Poly({{5, 3}, {5, 14}, {14, 9}}, pC);
}
void Stop(IconPen& pPainter, Color pC) {
    pPainter.Rect(4, 4, 10, 10, pC);
}
void ToEnd(IconPen& pPainter, Color pC) {
    pPainter.Poly({{3, 4}, {3, 13}, {11, 9}}, pC);
    pPainter.Rect(13, 4, 2, 10, pC);
}
void Back(IconPen& pPainter, Color pC) {
    pPainter.Poly({{9, 4}, {9, 13}, {2, 9}}, pC);
    pPainter.Poly({{16, 4}, {16, 13}, {9, 9}}, pC);
}
void Forward(IconPen& pPainter, Color pC) {
    pPainter.Poly({{1, 4}, {1, 13}, {8, 9}}, pC);
    pPainter.Poly({{8, 4}, {8, 13}, {15, 9}}, pC);
}
void Eject(IconPen& pPainter, Color pC) {
    pPainter.Poly({{9, 3}, {15, 10}, {3, 10}}, pC);
    pPainter.Rect(3, 12, 13, 3, pC);
}
void Pause(IconPen& pPainter, Color pC) {
    pPainter.Rect(4, 4, 4, 10, pC);
    pPainter.Rect(10, 4, 4, 10, pC);
}
void Record(IconPen& pPainter, Color pC) {
    pPainter.Disc(9, 9, 5, pC);
}
void Speaker(IconPen& pPainter, Color pC) {
    pPainter.Rect(2, 7, 4, 5, pC);
    pPainter.Poly({{6, 7}, {11, 3}, {11, 15}, {6, 12}}, pC);
}

void DrawIcon(IconPen& pPainter, int pIcon) {
    switch (pIcon) {
    case 0:
        ToStart(pPainter, kGrey);
        break;
    case 1:
        Play(pPainter, kGrey);
        break;
    case 2:
        Stop(pPainter, kGrey);
        break;
    case 3:
        ToEnd(pPainter, kGrey);
        break;
    case 4: // zoom in
        pPainter.Ring(7, 7, 5, kGrey);
        pPainter.Rect(5, 6, 5, 2, kGrey);
        pPainter.Rect(6, 5, 2, 5, kGrey);
        pPainter.Poly({{11, 12}, {12, 11}, {16, 15}, {15, 16}}, kGrey);
        break;
    case 5: // zoom out
        pPainter.Ring(7, 7, 5, kGrey);
        pPainter.Rect(5, 6, 5, 2, kGrey);
        pPainter.Poly({{11, 12}, {12, 11}, {16, 15}, {15, 16}}, kGrey);
        break;
    case 6: // select all: brackets around a band
        pPainter.Rect(2, 3, 2, 12, kGrey);
        pPainter.Rect(2, 3, 4, 2, kGrey);
        pPainter.Rect(2, 13, 4, 2, kGrey);
        pPainter.Rect(14, 3, 2, 12, kGrey);
        pPainter.Rect(12, 3, 4, 2, kGrey);
        pPainter.Rect(12, 13, 4, 2, kGrey);
        pPainter.Rect(6, 8, 6, 2, kGrey);
        break;
    case 7: // fit: a double arrow
        pPainter.Rect(4, 8, 10, 2, kGrey);
        pPainter.Poly({{1, 9}, {5, 5}, {5, 13}}, kGrey);
        pPainter.Poly({{17, 9}, {13, 5}, {13, 13}}, kGrey);
        break;
    case 8:
        ToStart(pPainter, kBlue);
        break;
    case 9:
        Play(pPainter, kGreen);
        break;
    case 10:
        Stop(pPainter, kRed);
        break;
    case 11:
        ToEnd(pPainter, kBlue);
        break;
    case 12:
        Pause(pPainter, kGrey);
        break;
    case 13:
        Record(pPainter, kRed);
        break;
    case 14: // loop
        pPainter.Ring(9, 9, 5, kGrey);
        pPainter.Poly({{12, 2}, {16, 5}, {12, 7}}, kGrey);
        break;
    case 15:
        Back(pPainter, kGrey);
        break;
    case 16:
        Forward(pPainter, kGrey);
        break;
    case 17:
        Eject(pPainter, kGrey);
        break;
    case 18:
        Back(pPainter, kBlue);
        break;
    case 19:
        Forward(pPainter, kBlue);
        break;
    case 20:
        Eject(pPainter, kGreen);
        break;
    case 21: // volume
        Speaker(pPainter, kGrey);
        pPainter.Stroke(kGrey, 1, [](QPainter& pQ) { pQ.drawArc(9, 5, 6, 8, -60 * 16, 120 * 16); });
        break;
    case 22: // mute
        Speaker(pPainter, kGrey);
        pPainter.Poly({{12, 6}, {13, 6}, {17, 12}, {16, 12}}, kGrey);
        pPainter.Poly({{16, 6}, {17, 6}, {13, 12}, {12, 12}}, kGrey);
        break;
    case 23:
        Record(pPainter, 0x1010FF);
        break;
    case 24:
        Pause(pPainter, kOrange);
        break;
    case 25: // list
        for (int row = 0; row < 4; ++row) {
            pPainter.Rect(2, 3 + row * 3, 2, 2, kGrey);
            pPainter.Rect(6, 3 + row * 3, 10, 2, kGrey);
        }
        break;
    default:
        break;
    }
}

} // namespace

Surface MakeButtonIcons() {
    QImage image(kIconSize * kIconCount, kIconSize * 2, QImage::Format_RGB32);
    image.fill(Qt::black);
    QImage masks(kIconSize * kIconCount, kIconSize, QImage::Format_RGB32);
    masks.fill(Qt::white);
    {
        QPainter img(&image);
        QPainter m(&masks);
        m.translate(0, -kIconSize); // IconPen puts masks one row down
        for (int i = 0; i < kIconCount; ++i) {
            IconPen pen(img, m, i);
            DrawIcon(pen, i);
        }
        m.end();
        img.drawImage(0, kIconSize, masks);
    }
    Surface s(image.width(), image.height());
    s.Image() = image;
    return s;
}

bool IconKeepsColours(int pIcon) {
    switch (pIcon) {
    case 8:
    case 9:
    case 10:
    case 11:
    case 13:
    case 18:
    case 19:
    case 20:
    case 23:
    case 24:
        return true;
    default:
        return false;
    }
}

void TintButtonIcons(Surface& pStrip, Color pFace) {
    const QColor f = platform::ToQColor(pFace);
    const double fr = f.red() / 210.0, fg = f.green() / 210.0, fb = f.blue() / 210.0;
    QImage& img = pStrip.Image();
    for (int icon = 0; icon < kIconCount; ++icon) {
        if (IconKeepsColours(icon)) continue;
        for (int y = 0; y < kIconSize && y < img.height(); ++y)
            for (int x = icon * kIconSize; x < (icon + 1) * kIconSize && x < img.width(); ++x) {
                const QColor c(img.pixel(x, y));
                if (c.red() == 0 && c.green() == 0 && c.blue() == 0) continue;
                auto scale = [](int pValue, double pK) {
                    return std::clamp(int(std::nearbyint(pValue * pK)), 0, 255);
                };
                img.setPixel(x, y,
                             qRgb(scale(c.red(), fr), scale(c.green(), fg), scale(c.blue(), fb)));
            }
    }
}
