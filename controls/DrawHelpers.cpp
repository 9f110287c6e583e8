#include "controls/DrawHelpers.h"

#include "services/core/TwipsPerPixel.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

int RoundInt(double v) {
    return int(std::nearbyint(v));
}
int Limit255(int v) {
    return std::clamp(v, 0, 255);
}
int Limit255(double v) {
    return Limit255(RoundInt(v));
}

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb ToRgb(Color c) {
    const ColorParts p = SplitColor(c);
    return {double(p.Red), double(p.Green), double(p.Blue)};
}

Color FromRgb(const Rgb& v) {
    return MakeColor(RoundInt(v.r), RoundInt(v.g), RoundInt(v.b));
}

// a + (b - a) * t per part, rounded.
Color Mix(const Rgb& a, const Rgb& b, double t) {
    return FromRgb({a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t});
}

// wa * a + wb * b per part, rounded.
Rgb Blend(const Rgb& a, double wa, const Rgb& b, double wb) {
    return {std::nearbyint(a.r * wa + b.r * wb), std::nearbyint(a.g * wa + b.g * wb),
            std::nearbyint(a.b * wa + b.b * wb)};
}

// The nine-step colour ramp c1 .. c2 .. c3 .. fading to a third of c3.
using Ramp = std::array<Rgb, 9>;

Ramp MakeRamp(const Rgb& c1, const Rgb& c2, const Rgb& c3) {
    const Rgb zero{};
    return {c1, Blend(c1, 0.66, c2, 0.33), Blend(c1, 0.33, c2, 0.66),
            c2, Blend(c2, 0.66, c3, 0.33), Blend(c2, 0.33, c3, 0.66),
            c3, Blend(c3, 0.66, zero, 0),  Blend(c3, 0.33, zero, 0)};
}

Color ArgOrDefault(Color c, int slot) {
    return c == kDefaultColor ? DefaultColor(slot) : c;
}

// Everything needed by the styles.
struct Painter {
    Surface& s;
    int W, H;
    Ramp ramp;

    Color Step(int i) const { return FromRgb(ramp[i]); }
    void HLine(int y, Color c) { s.Line(0, y, W + 20, y, c); }
    void VLine(int x, Color c) { s.Line(x, 0, x, H + 20, c); }

    void Bands(int n) {
        s.FillBox(0, 0, W, H, Step(3));
        for (int k = 0; k <= n; ++k)
            HLine(k, Mix(ramp[0], ramp[3], double(k) / n));
        for (int k = 0; k <= n; ++k)
            HLine(H - n + k, Mix(ramp[3], ramp[6], double(k) / n));
    }

    void Diagonal(const Rgb& from, const Rgb& to) {
        const int n = W + H + 20;
        for (int k = 0; k <= n; ++k)
            s.Line(k, 0, 0, k, Mix(from, to, double(k) / n));
    }

    void FromMiddleVertical() {
        const int m = std::max(1, H / 2);
        for (int k = 0; k <= m; ++k) {
            const double t = 1.0 - double(k) / m;
            HLine(m - k, Mix(ramp[0], ramp[3], t));
            HLine(m + k, Mix(ramp[5], ramp[3], t));
        }
    }

    void FromMiddleHorizontal() {
        const int m = std::max(1, W / 2);
        for (int k = 0; k <= m; ++k) {
            const double t = 1.0 - double(k) / m;
            VLine(k, Mix(ramp[0], ramp[3], t));
            VLine(m + k, Mix(ramp[5], ramp[3], t));
        }
    }

    void ThinFrame() {
        s.Line(0, 0, 0, H - 1, Step(0));
        s.Line(0, 0, W - 1, 0, Step(0));
        s.Line(W - 1, 0, W - 1, H - 1, Step(8));
        s.Line(0, H - 1, W - 1, H - 1, Step(8));
    }

    void RaisedFrame() {
        const int light[3] = {0, 1, 2};
        const int dark[3] = {6, 5, 4};
        for (int d = 0; d < 3; ++d) {
            const int l = d, t = d, r = W - 1 - d, b = H - 1 - d;
            if (r <= l || b <= t) break;
            s.Line(l, t, r, t, Step(light[d]));
            s.Line(l, t, l, b, Step(light[d]));
            s.Line(l, b, r, b, Step(dark[d]));
            s.Line(r, t, r, b, Step(dark[d]));
        }
    }

    // Three-colour shading along y (vertical) or x.
    void ThreeColourRun(bool alongY) {
        const int len = std::max(1, alongY ? H : W);
        for (int i = 0; i <= len; ++i) {
            const double u = double(i) / len;
            const Color c =
                u < 0.5 ? Mix(ramp[0], ramp[3], u * 2) : Mix(ramp[3], ramp[6], u * 2 - 1);
            alongY ? HLine(i, c) : VLine(i, c);
        }
    }

    // Rounded outline of the box, coloured from light (near angle -100
    // degrees, top slightly left of centre) to dark on the opposite side.
    void ShadedOutline(double x1, double y1, double x2, double y2, double radius, const Rgb& light,
                       const Rgb& dark, int penWidth) {
        constexpr int kSegments = 191;
        const double w = std::max(1.0, x2 - x1), h = std::max(1.0, y2 - y1);
        radius = std::clamp(radius, 0.0, std::min(w, h) / 2);
        const double straightX = w - 2 * radius, straightY = h - 2 * radius;
        const double arc = M_PI / 2 * radius;
        const double perimeter = 2 * (straightX + straightY) + 4 * arc;
        const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
        const double lightAngle = -100.0 * M_PI / 180.0;
        auto pointAt = [&](double d) {
            // Walk clockwise from the top-left end of the top edge.
            const double segs[8] = {straightX, arc, straightY, arc, straightX, arc, straightY, arc};
            d = std::fmod(d, perimeter);
            int i = 0;
            while (i < 7 && d > segs[i])
                d -= segs[i++];
            const double a = radius > 0 ? d / radius : 0;
            switch (i) {
            case 0:
                return QPointF(x1 + radius + d, y1);
            case 1:
                return QPointF(x2 - radius + radius * std::sin(a),
                               y1 + radius - radius * std::cos(a));
            case 2:
                return QPointF(x2, y1 + radius + d);
            case 3:
                return QPointF(x2 - radius + radius * std::cos(a),
                               y2 - radius + radius * std::sin(a));
            case 4:
                return QPointF(x2 - radius - d, y2);
            case 5:
                return QPointF(x1 + radius - radius * std::sin(a),
                               y2 - radius + radius * std::cos(a));
            case 6:
                return QPointF(x1, y2 - radius - d);
            default:
                return QPointF(x1 + radius - radius * std::cos(a),
                               y1 + radius - radius * std::sin(a));
            }
        };
        std::vector<QLine> segments;
        std::vector<Color> colours;
        segments.reserve(kSegments);
        colours.reserve(kSegments);
        QPointF prev = pointAt(0);
        for (int i = 1; i <= kSegments; ++i) {
            const QPointF next = pointAt(perimeter * i / kSegments);
            const QPointF mid = (prev + next) / 2;
            const double angle = std::atan2((mid.y() - cy) / h, (mid.x() - cx) / w);
            const double toDark = (1 - std::cos(angle - lightAngle)) / 2;
            segments.emplace_back(prev.toPoint(), next.toPoint());
            colours.push_back(Mix(light, dark, toDark));
            prev = next;
        }
        s.Lines(segments, colours, penWidth);
    }

    // Rounded bevel: depth rings, corner radius height / divisor - 1.
    void Bevel(int depth, int divisor, int penWidth) {
        s.FillBox(0, 0, W, H, Step(3));
        const int n = std::max(1, depth);
        for (int i = 1; i <= n; ++i) {
            const double sq = std::sqrt(double(n) * n - double(n - i) * (n - i));
            const Rgb light = ToRgb(Mix(ramp[0], ramp[3], sq / n));
            const Rgb dark = ToRgb(Mix(ramp[6], ramp[3], sq / n));
            const double x1 = i + 1, y1 = i, x2 = W - 1 - i, y2 = H - i;
            if (x2 <= x1 || y2 <= y1) break;
            ShadedOutline(x1, y1, x2, y2, (y2 - y1) / divisor - 1, light, dark, penWidth);
        }
        ShadedOutline(1, 0, W - 1, H, H / double(divisor) - 1, ToRgb(0xFFFFFF), ramp[8], 1);
    }

    void Texture(bool lightenEdges) {
        static constexpr Color kTexture[29] = {
            0xC4BDBE, 0xD7D3D4, 0xCFC8C8, 0xD2CCCD, 0xD0CBCB, 0xCCC4C5, 0xCAC3C4, 0xD2CDCE,
            0xC3BBBC, 0xD5D0D1, 0xCEC9C8, 0xD2CDCE, 0xC7C0C2, 0xCDC6C8, 0xD1CCCC, 0xCFC9CA,
            0xD2CCCD, 0xD5CED0, 0xCDC7C6, 0xCFC8C8, 0xD2CDCE, 0xD8D3D4, 0xCCC6C6, 0xD2CCCD,
            0xD7D1D2, 0xC9C2C2, 0xCDC7C8, 0xD0C9C9, 0xD3CECE};
        const Rgb base = ramp[3];
        for (int y = 1; y <= H; ++y) {
            const Rgb t = ToRgb(kTexture[y % 29]);
            Rgb row{base.r * (t.r / 275 + 0.25), base.g * (t.g / 275 + 0.25),
                    base.b * (t.b / 275 + 0.25)};
            const int edge = std::min(y, H - 1 - y);
            if (lightenEdges && edge < 20) {
                const double w = (20 - edge) / 20.0 * 0.35; // towards white
                row = {row.r + (255 - row.r) * w, row.g + (255 - row.g) * w,
                       row.b + (255 - row.b) * w};
            }
            HLine(y, FromRgb(row));
        }
        s.Line(0, 0, W - 1, 0, 0xFFFFFF);
        s.Line(0, 0, 0, H - 1, 0xFFFFFF);
        s.Line(1, H - 2, W - 2, H - 2, 0xB0B0B0);
        s.Line(W - 2, 1, W - 2, H - 2, 0xB0B0B0);
        s.Line(0, H - 1, W - 1, H - 1, 0x606060);
        s.Line(W - 1, 0, W - 1, H - 1, 0x606060);
    }
};

} // namespace

// ---- units ------------------------------------------------------------------

int Px() {
    return TwipsPerPixel > 0 ? TwipsPerPixel : 15;
}

void PlaceTwips(QWidget* w, int left, int top, int width, int height) {
    if (w == nullptr) return;
    w->setGeometry(ToPx(left), ToPx(top), std::max(1, ToPx(width)), std::max(1, ToPx(height)));
}

QRect GeometryTwips(const QWidget* w) {
    const QRect g = w->geometry();
    return {ToTwips(g.x()), ToTwips(g.y()), ToTwips(g.width()), ToTwips(g.height())};
}

void ShowCanvas(QWidget* w, const Surface& canvas, Color fallback) {
    QPainter p(w);
    if (canvas.IsNull())
        p.fillRect(w->rect(), platform::ToQColor(fallback));
    else
        p.drawImage(0, 0, canvas.Image());
}

// ---- colours --------------------------------------------------------------------

ColorParts SplitColor(Color c) {
    const Color v = platform::ResolveColor(c);
    return {int16_t(v & 0xFF), int16_t((v >> 8) & 0xFF), int16_t((v >> 16) & 0xFF)};
}

Color MakeColor(int red, int green, int blue) {
    return Color(Limit255(red)) | (Color(Limit255(green)) << 8) | (Color(Limit255(blue)) << 16);
}

Color ShiftColor(Color c, int dRed, int dGreen, int dBlue, double factor) {
    const ColorParts p = SplitColor(c);
    if (factor != -1)
        return MakeColor(RoundInt(p.Red * factor), RoundInt(p.Green * factor),
                         RoundInt(p.Blue * factor));
    return MakeColor(p.Red + dRed, p.Green + dGreen, p.Blue + dBlue);
}

namespace {
std::array<Color, 3> g_defaultColors{};

Color Normalised(Color source, int target) {
    const ColorParts p = SplitColor(source);
    const int b = RoundInt((p.Red + p.Green + p.Blue) / 3.0);
    // A black source has no brightness to scale: take a grey of the target.
    if (b == 0) return MakeColor(target, target, target);
    const double f = double(target) / b;
    return MakeColor(Limit255(p.Red * f), Limit255(p.Green * f), Limit255(p.Blue * f));
}
} // namespace

Color DefaultColor(int index) {
    if (index < 0 || index > 2) return 1;
    Color& slot = g_defaultColors[size_t(index)];
    if (slot == 0) {
        static constexpr Color kSource[3] = {0xFFFFFF,
                                             platform::SystemColor(platform::kColorButtonFace),
                                             platform::SystemColor(platform::kColorButtonShadow)};
        static constexpr int kTarget[3] = {255, 210, 120};
        slot = Normalised(kSource[index], kTarget[index]);
        if (slot == 0) slot = 1;
    }
    return slot;
}

void ResetDefaultColors() {
    g_defaultColors = {};
}

// ---- background painter -------------------------------------------------------

void PaintBackground(Surface& s, int style, Color c1, Color c2, Color c3, int n1, int n2, int n3) {
    if (style < -2 || style > 15 || s.IsNull()) return;
    const Rgb r1 = ToRgb(ArgOrDefault(c1, 0));
    const Rgb r2 = ToRgb(ArgOrDefault(c2, 1));
    const Rgb r3 = ToRgb(ArgOrDefault(c3, 2));
    Painter p{s, s.Width(), s.Height(), MakeRamp(r1, r2, r3)};
    const int savedMode = s.DrawMode();
    s.SetDrawMode(platform::kRasterCopyPen);
    switch (style) {
    case -2:
        s.SetBackColor(p.Step(3));
        break;
    case -1:
        p.ThinFrame();
        break;
    case 0:
        p.Bands(20);
        break;
    case 10:
        p.Bands(8);
        break;
    case 1:
        s.FillBox(0, 0, p.W, p.H, p.Step(3));
        p.RaisedFrame();
        break;
    case 11: // shaded face under the raised frame
        for (int y = 0; y < p.H; ++y)
            p.HLine(y, Mix(p.ramp[2], p.ramp[4], double(y) / std::max(1, p.H - 1)));
        p.RaisedFrame();
        break;
    case 2:
        p.Diagonal(r1, r2);
        break;
    case 3:
        p.ThreeColourRun(true);
        break;
    case 4:
        p.ThreeColourRun(false);
        break;
    case 5:
        p.FromMiddleVertical();
        break;
    case 6:
        p.FromMiddleHorizontal();
        break;
    case 7:
        p.FromMiddleVertical();
        p.ThinFrame();
        break;
    case 8:
        p.FromMiddleHorizontal();
        p.ThinFrame();
        break;
    case 9:
        p.ThreeColourRun(true);
        p.ThinFrame();
        break;
    case 12:
        p.Bevel(p.H / 2, 3, 3);
        break;
    case 13: // numbers: ring depth, corner divisor, pen width
        p.Bevel(n1 == kDefaultNumber ? p.H / 2 : n1, n2 == kDefaultNumber || n2 <= 0 ? 3 : n2,
                n3 == kDefaultNumber ? 3 : std::clamp(n3, 1, 8));
        break;
    case 14:
        p.Texture(false);
        break;
    case 15:
        p.Texture(true);
        break;
    }
    s.SetDrawMode(savedMode);
}

// ---- frames, text, captions -----------------------------------------------------

void DrawCellFrame(Surface& s, int x, int y, int w, int h, bool sunken) {
    const int px = Px();
    s.DrawEdge(x / px, y / px, (x + w) / px, (y + h) / px, sunken);
}

namespace {
// Lengths (in QChars) of the pieces 1, 2, ... characters long, never
// splitting a surrogate pair.
std::vector<qsizetype> CharacterEnds(const QString& text, bool fromEnd) {
    std::vector<qsizetype> ends;
    const qsizetype n = text.size();
    qsizetype len = 0;
    while (len < n) {
        const QChar c = fromEnd ? text[n - 1 - len] : text[len];
        const bool pair = fromEnd ? c.isLowSurrogate() : c.isHighSurrogate();
        len += (pair && len + 1 < n) ? 2 : 1;
        ends.push_back(len);
    }
    return ends;
}
} // namespace

QString FitText(const QString& text, const Surface& s, int maxWidth, bool keepEnd) {
    const std::vector<qsizetype> ends = CharacterEnds(text, keepEnd);
    if (ends.size() < 2) return text;
    const int px = Px();
    auto piece = [&](size_t chars) {
        const qsizetype len = ends[chars - 1];
        return keepEnd ? text.right(len) : text.left(len);
    };
    if (s.TextWidth(text) * px <= maxWidth) return text;
    for (size_t n = 2; n <= ends.size(); ++n)
        if (s.TextWidth(piece(n)) * px > maxWidth) return piece(n - 1);
    return text;
}

bool CaptionPosition(int placement, const QRect& c, int tw, int th, int dx, int dy, QPoint& at) {
    const int L = c.x(), T = c.y(), W = c.width(), H = c.height();
    switch (placement) {
    case 0:
        at = {L - tw - 90, T + 60};
        break;
    case 1:
        at = {L + 30, T - th - 30};
        break;
    case 2:
        at = {L + W + 30, T + 60};
        break;
    case 3:
        at = {L + W / 2 - tw / 2, T - th - 30};
        break;
    case 4:
        at = {L + 30, T + H + 30};
        break;
    case 5:
        at = {L + W - tw, T + H + 30};
        break;
    default:
        return false;
    }
    at += QPoint(dx, dy);
    return true;
}

bool PrintCaption(Surface& s, const QWidget* control, const QString& text, int placement, int dx,
                  int dy) {
    if (control == nullptr) return false;
    const int px = Px();
    QPoint at;
    if (!CaptionPosition(placement, GeometryTwips(control), s.TextWidth(text) * px,
                         s.TextHeight(text) * px, dx, dy, at))
        return false;
    s.Print(at.x() / px, at.y() / px, text);
    return true;
}

bool ColorScheme(int scheme, Color& fore, Color& back) {
    static constexpr Color kSchemes[7][2] = {
        {platform::SystemColor(platform::kColorButtonFace), 0x000000},
        {0x407060, 0xD5FFF1},
        {0x406057, 0xA6CAC5},
        {0xFFFFFF, 0x0000FF},
        {0x101060, 0xB0B0D0},
        {0x202060, 0x707090},
        {0xD0D0D0, 0x303030}};
    if (scheme == -1) return true;
    if (scheme < 0 || scheme > 6) return false;
    fore = kSchemes[scheme][0];
    back = kSchemes[scheme][1];
    return true;
}

bool SetColorScheme(Surface& s, int scheme, Color fore, Color back) {
    if (!ColorScheme(scheme, fore, back)) return false;
    s.SetForeColor(fore);
    s.SetBackColor(back);
    return true;
}

void PaintColorSet(Surface& s, Color c1, Color c2, bool noGradient, int frameWidth) {
    if (noGradient)
        s.Clear();
    else
        PaintBackground(s, 2, c1, c2);
    const Color light = ShiftColor(c2, 40, 40, 40);
    const Color dark = ShiftColor(c1, -40, -40, -40);
    const int W = s.Width(), H = s.Height();
    for (int d = 0; d < frameWidth; ++d) {
        const int l = d, t = d, r = W - 1 - d, b = H - 1 - d;
        if (r < l || b < t) break;
        s.Line(l, t, r, t, light);
        s.Line(l, t, l, b, light);
        s.Line(l, b, r, b, dark);
        s.Line(r, t, r, b, dark);
    }
}
