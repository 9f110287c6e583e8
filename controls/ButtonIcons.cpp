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
    IconPen(QPainter& image, QPainter& mask, int icon) : image_(image), mask_(mask) {
        image_.save();
        mask_.save();
        image_.translate(icon * kIconSize, 0);
        mask_.translate(icon * kIconSize, kIconSize);
    }
    ~IconPen() {
        image_.restore();
        mask_.restore();
    }
    void Poly(std::initializer_list<QPoint> pts, Color c) {
        const QPolygon poly{QList<QPoint>(pts)};
        Fill(c, [&](QPainter& p) { p.drawPolygon(poly); });
    }
    void Rect(int x, int y, int w, int h, Color c) {
        Fill(c, [&](QPainter& p) { p.drawRect(x, y, w - 1, h - 1); });
    }
    void Disc(int cx, int cy, int r, Color c) {
        Fill(c, [&](QPainter& p) { p.drawEllipse(QPoint(cx, cy), r, r); });
    }
    void Ring(int cx, int cy, int r, Color c) {
        Stroke(c, 2, [&](QPainter& p) { p.drawEllipse(QPoint(cx, cy), r, r); });
    }
    void Stroke(Color c, int width, const std::function<void(QPainter&)>& draw) {
        for (QPainter* p : {&image_, &mask_}) {
            QPen pen(p == &image_ ? platform::ToQColor(c) : QColor(Qt::black));
            pen.setWidth(width);
            p->setPen(pen);
            p->setBrush(Qt::NoBrush);
            draw(*p);
        }
    }

  private:
    void Fill(Color c, const std::function<void(QPainter&)>& draw) {
        for (QPainter* p : {&image_, &mask_}) {
            const QColor q = p == &image_ ? platform::ToQColor(c) : QColor(Qt::black);
            p->setPen(q);
            p->setBrush(q);
            draw(*p);
        }
    }
    QPainter& image_;
    QPainter& mask_;
};

void ToStart(IconPen& p, Color c) {
    p.Rect(3, 4, 2, 10, c);
    p.Poly({{14, 4}, {14, 13}, {6, 9}}, c);
}
void Play(IconPen& p, Color c) {
    p.Poly({{5, 3}, {5, 14}, {14, 9}}, c);
}
void Stop(IconPen& p, Color c) {
    p.Rect(4, 4, 10, 10, c);
}
void ToEnd(IconPen& p, Color c) {
    p.Poly({{3, 4}, {3, 13}, {11, 9}}, c);
    p.Rect(13, 4, 2, 10, c);
}
void Back(IconPen& p, Color c) {
    p.Poly({{9, 4}, {9, 13}, {2, 9}}, c);
    p.Poly({{16, 4}, {16, 13}, {9, 9}}, c);
}
void Forward(IconPen& p, Color c) {
    p.Poly({{1, 4}, {1, 13}, {8, 9}}, c);
    p.Poly({{8, 4}, {8, 13}, {15, 9}}, c);
}
void Eject(IconPen& p, Color c) {
    p.Poly({{9, 3}, {15, 10}, {3, 10}}, c);
    p.Rect(3, 12, 13, 3, c);
}
void Pause(IconPen& p, Color c) {
    p.Rect(4, 4, 4, 10, c);
    p.Rect(10, 4, 4, 10, c);
}
void Record(IconPen& p, Color c) {
    p.Disc(9, 9, 5, c);
}
void Speaker(IconPen& p, Color c) {
    p.Rect(2, 7, 4, 5, c);
    p.Poly({{6, 7}, {11, 3}, {11, 15}, {6, 12}}, c);
}

void DrawIcon(IconPen& p, int icon) {
    switch (icon) {
    case 0:
        ToStart(p, kGrey);
        break;
    case 1:
        Play(p, kGrey);
        break;
    case 2:
        Stop(p, kGrey);
        break;
    case 3:
        ToEnd(p, kGrey);
        break;
    case 4: // zoom in
        p.Ring(7, 7, 5, kGrey);
        p.Rect(5, 6, 5, 2, kGrey);
        p.Rect(6, 5, 2, 5, kGrey);
        p.Poly({{11, 12}, {12, 11}, {16, 15}, {15, 16}}, kGrey);
        break;
    case 5: // zoom out
        p.Ring(7, 7, 5, kGrey);
        p.Rect(5, 6, 5, 2, kGrey);
        p.Poly({{11, 12}, {12, 11}, {16, 15}, {15, 16}}, kGrey);
        break;
    case 6: // select all: brackets around a band
        p.Rect(2, 3, 2, 12, kGrey);
        p.Rect(2, 3, 4, 2, kGrey);
        p.Rect(2, 13, 4, 2, kGrey);
        p.Rect(14, 3, 2, 12, kGrey);
        p.Rect(12, 3, 4, 2, kGrey);
        p.Rect(12, 13, 4, 2, kGrey);
        p.Rect(6, 8, 6, 2, kGrey);
        break;
    case 7: // fit: a double arrow
        p.Rect(4, 8, 10, 2, kGrey);
        p.Poly({{1, 9}, {5, 5}, {5, 13}}, kGrey);
        p.Poly({{17, 9}, {13, 5}, {13, 13}}, kGrey);
        break;
    case 8:
        ToStart(p, kBlue);
        break;
    case 9:
        Play(p, kGreen);
        break;
    case 10:
        Stop(p, kRed);
        break;
    case 11:
        ToEnd(p, kBlue);
        break;
    case 12:
        Pause(p, kGrey);
        break;
    case 13:
        Record(p, kRed);
        break;
    case 14: // loop
        p.Ring(9, 9, 5, kGrey);
        p.Poly({{12, 2}, {16, 5}, {12, 7}}, kGrey);
        break;
    case 15:
        Back(p, kGrey);
        break;
    case 16:
        Forward(p, kGrey);
        break;
    case 17:
        Eject(p, kGrey);
        break;
    case 18:
        Back(p, kBlue);
        break;
    case 19:
        Forward(p, kBlue);
        break;
    case 20:
        Eject(p, kGreen);
        break;
    case 21: // volume
        Speaker(p, kGrey);
        p.Stroke(kGrey, 1, [](QPainter& q) { q.drawArc(9, 5, 6, 8, -60 * 16, 120 * 16); });
        break;
    case 22: // mute
        Speaker(p, kGrey);
        p.Poly({{12, 6}, {13, 6}, {17, 12}, {16, 12}}, kGrey);
        p.Poly({{16, 6}, {17, 6}, {13, 12}, {12, 12}}, kGrey);
        break;
    case 23:
        Record(p, 0x1010FF);
        break;
    case 24:
        Pause(p, kOrange);
        break;
    case 25: // list
        for (int row = 0; row < 4; ++row) {
            p.Rect(2, 3 + row * 3, 2, 2, kGrey);
            p.Rect(6, 3 + row * 3, 10, 2, kGrey);
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

bool IconKeepsColours(int icon) {
    switch (icon) {
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

void TintButtonIcons(Surface& strip, Color face) {
    const QColor f = platform::ToQColor(face);
    const double fr = f.red() / 210.0, fg = f.green() / 210.0, fb = f.blue() / 210.0;
    QImage& img = strip.Image();
    for (int icon = 0; icon < kIconCount; ++icon) {
        if (IconKeepsColours(icon)) continue;
        for (int y = 0; y < kIconSize && y < img.height(); ++y)
            for (int x = icon * kIconSize; x < (icon + 1) * kIconSize && x < img.width(); ++x) {
                const QColor c(img.pixel(x, y));
                if (c.red() == 0 && c.green() == 0 && c.blue() == 0) continue;
                auto scale = [](int v, double k) {
                    return std::clamp(int(std::nearbyint(v * k)), 0, 255);
                };
                img.setPixel(x, y,
                             qRgb(scale(c.red(), fr), scale(c.green(), fg), scale(c.blue(), fb)));
            }
    }
}
