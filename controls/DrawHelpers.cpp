#include "controls/DrawHelpers.h"

#include "services/core/TwipsPerPixel.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

int RoundInt(double pValue) {
    return int(std::nearbyint(pValue));
}
int Limit255(int pValue) {
    return std::clamp(pValue, 0, 255);
}
int Limit255(double pValue) {
    return Limit255(RoundInt(pValue));
}

struct Rgb {
    double R = 0, G = 0, B = 0;
};

Rgb ToRgb(Color pC) {
    const ColorParts p = SplitColor(pC);
    return {double(p.Red), double(p.Green), double(p.Blue)};
}

Color FromRgb(const Rgb& pValue) {
    return MakeColor(RoundInt(pValue.R), RoundInt(pValue.G), RoundInt(pValue.B));
}

// a + (b - a) * t per part, rounded.
Color Mix(const Rgb& pA, const Rgb& pB, double pT) {
    return FromRgb(
        {pA.R + (pB.R - pA.R) * pT, pA.G + (pB.G - pA.G) * pT, pA.B + (pB.B - pA.B) * pT});
}

// wa * a + wb * b per part, rounded.
Rgb Blend(const Rgb& pA, double pWa, const Rgb& pB, double pWb) {
    return {std::nearbyint(pA.R * pWa + pB.R * pWb), std::nearbyint(pA.G * pWa + pB.G * pWb),
            std::nearbyint(pA.B * pWa + pB.B * pWb)};
}

// The nine-step colour ramp c1 .. c2 .. c3 .. fading to a third of c3.
using Ramp = std::array<Rgb, 9>;

Ramp MakeRamp(const Rgb& pC1, const Rgb& pC2, const Rgb& pC3) {
    const Rgb zero{};
    return {pC1, Blend(pC1, 0.66, pC2, 0.33), Blend(pC1, 0.33, pC2, 0.66),
            pC2, Blend(pC2, 0.66, pC3, 0.33), Blend(pC2, 0.33, pC3, 0.66),
            pC3, Blend(pC3, 0.66, zero, 0),   Blend(pC3, 0.33, zero, 0)};
}

Color ArgOrDefault(Color pC, int pSlot) {
    return pC == kDefaultColor ? DefaultColor(pSlot) : pC;
}

// Everything needed by the styles.
struct Painter {
    Surface& S;
    int W, H;
    Ramp Shades;

    Color Step(int pI) const { return FromRgb(Shades[pI]); }
    void HLine(int pY, Color pC) { S.Line(0, pY, W + 20, pY, pC); }
    void VLine(int pX, Color pC) { S.Line(pX, 0, pX, H + 20, pC); }

    void Bands(int pN) {
        S.FillBox(0, 0, W, H, Step(3));
        for (int k = 0; k <= pN; ++k)
            HLine(k, Mix(Shades[0], Shades[3], double(k) / pN));
        for (int k = 0; k <= pN; ++k)
            HLine(H - pN + k, Mix(Shades[3], Shades[6], double(k) / pN));
    }

    void Diagonal(const Rgb& pFrom, const Rgb& pTo) {
        const int n = W + H + 20;
        for (int k = 0; k <= n; ++k)
            S.Line(k, 0, 0, k, Mix(pFrom, pTo, double(k) / n));
    }

    void FromMiddleVertical() {
        const int m = std::max(1, H / 2);
        for (int k = 0; k <= m; ++k) {
            const double t = 1.0 - double(k) / m;
            HLine(m - k, Mix(Shades[0], Shades[3], t));
            HLine(m + k, Mix(Shades[5], Shades[3], t));
        }
    }

    void FromMiddleHorizontal() {
        const int m = std::max(1, W / 2);
        for (int k = 0; k <= m; ++k) {
            const double t = 1.0 - double(k) / m;
            VLine(k, Mix(Shades[0], Shades[3], t));
            VLine(m + k, Mix(Shades[5], Shades[3], t));
        }
    }

    void ThinFrame() {
        S.Line(0, 0, 0, H - 1, Step(0));
        S.Line(0, 0, W - 1, 0, Step(0));
        S.Line(W - 1, 0, W - 1, H - 1, Step(8));
        S.Line(0, H - 1, W - 1, H - 1, Step(8));
    }

    void RaisedFrame() {
        const int light[3] = {0, 1, 2};
        const int dark[3] = {6, 5, 4};
        for (int d = 0; d < 3; ++d) {
            const int l = d, t = d, r = W - 1 - d, b = H - 1 - d;
            if (r <= l || b <= t) break;
            S.Line(l, t, r, t, Step(light[d]));
            S.Line(l, t, l, b, Step(light[d]));
            S.Line(l, b, r, b, Step(dark[d]));
            S.Line(r, t, r, b, Step(dark[d]));
        }
    }

    // Three-colour shading along y (vertical) or x.
    void ThreeColourRun(bool pAlongY) {
        const int len = std::max(1, pAlongY ? H : W);
        for (int i = 0; i <= len; ++i) {
            const double u = double(i) / len;
            const Color c =
                u < 0.5 ? Mix(Shades[0], Shades[3], u * 2) : Mix(Shades[3], Shades[6], u * 2 - 1);
            pAlongY ? HLine(i, c) : VLine(i, c);
        }
    }

    // Rounded outline of the box, coloured from light (near angle -100
    // degrees, top slightly left of centre) to dark on the opposite side.
    void ShadedOutline(double x1, double y1, double x2, double y2, double pRadius,
                       const Rgb& pLight, const Rgb& pDark, int pPenWidth) {
        constexpr int kSegments = 191;
        const double w = std::max(1.0, x2 - x1), h = std::max(1.0, y2 - y1);
        pRadius = std::clamp(pRadius, 0.0, std::min(w, h) / 2);
        const double straightX = w - 2 * pRadius, straightY = h - 2 * pRadius;
        const double arc = M_PI / 2 * pRadius;
        const double perimeter = 2 * (straightX + straightY) + 4 * arc;
        const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
        const double lightAngle = -100.0 * M_PI / 180.0;
        auto pointAt = [&](double pD) {
            // Walk clockwise from the top-left end of the top edge.
            const double segs[8] = {straightX, arc, straightY, arc, straightX, arc, straightY, arc};
            pD = std::fmod(pD, perimeter);
            int i = 0;
            while (i < 7 && pD > segs[i])
                pD -= segs[i++];
            const double a = pRadius > 0 ? pD / pRadius : 0;
            switch (i) {
            case 0:
                return QPointF(x1 + pRadius + pD, y1);
            case 1:
                return QPointF(x2 - pRadius + pRadius * std::sin(a),
                               y1 + pRadius - pRadius * std::cos(a));
            case 2:
                return QPointF(x2, y1 + pRadius + pD);
            case 3:
                return QPointF(x2 - pRadius + pRadius * std::cos(a),
                               y2 - pRadius + pRadius * std::sin(a));
            case 4:
                return QPointF(x2 - pRadius - pD, y2);
            case 5:
                return QPointF(x1 + pRadius - pRadius * std::sin(a),
                               y2 - pRadius + pRadius * std::cos(a));
            case 6:
                return QPointF(x1, y2 - pRadius - pD);
            default:
                return QPointF(x1 + pRadius - pRadius * std::cos(a),
                               y1 + pRadius - pRadius * std::sin(a));
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
            colours.push_back(Mix(pLight, pDark, toDark));
            prev = next;
        }
        S.Lines(segments, colours, pPenWidth);
    }

    // Rounded bevel: depth rings, corner radius height / divisor - 1.
    void Bevel(int pDepth, int pDivisor, int pPenWidth) {
        S.FillBox(0, 0, W, H, Step(3));
        const int n = std::max(1, pDepth);
        for (int i = 1; i <= n; ++i) {
            const double sq = std::sqrt(double(n) * n - double(n - i) * (n - i));
            const Rgb light = ToRgb(Mix(Shades[0], Shades[3], sq / n));
            const Rgb dark = ToRgb(Mix(Shades[6], Shades[3], sq / n));
            const double x1 = i + 1, y1 = i, x2 = W - 1 - i, y2 = H - i;
            if (x2 <= x1 || y2 <= y1) break;
            ShadedOutline(x1, y1, x2, y2, (y2 - y1) / pDivisor - 1, light, dark, pPenWidth);
        }
        ShadedOutline(1, 0, W - 1, H, H / double(pDivisor) - 1, ToRgb(0xFFFFFF), Shades[8], 1);
    }

    void Texture(bool pLightenEdges) {
        static constexpr Color kTexture[29] = {
            0xC4BDBE, 0xD7D3D4, 0xCFC8C8, 0xD2CCCD, 0xD0CBCB, 0xCCC4C5, 0xCAC3C4, 0xD2CDCE,
            0xC3BBBC, 0xD5D0D1, 0xCEC9C8, 0xD2CDCE, 0xC7C0C2, 0xCDC6C8, 0xD1CCCC, 0xCFC9CA,
            0xD2CCCD, 0xD5CED0, 0xCDC7C6, 0xCFC8C8, 0xD2CDCE, 0xD8D3D4, 0xCCC6C6, 0xD2CCCD,
            0xD7D1D2, 0xC9C2C2, 0xCDC7C8, 0xD0C9C9, 0xD3CECE};
        const Rgb base = Shades[3];
        for (int y = 1; y <= H; ++y) {
            const Rgb t = ToRgb(kTexture[y % 29]);
            Rgb row{base.R * (t.R / 275 + 0.25), base.G * (t.G / 275 + 0.25),
                    base.B * (t.B / 275 + 0.25)};
            const int edge = std::min(y, H - 1 - y);
            if (pLightenEdges && edge < 20) {
                const double w = (20 - edge) / 20.0 * 0.35; // towards white
                row = {row.R + (255 - row.R) * w, row.G + (255 - row.G) * w,
                       row.B + (255 - row.B) * w};
            }
            HLine(y, FromRgb(row));
        }
        S.Line(0, 0, W - 1, 0, 0xFFFFFF);
        S.Line(0, 0, 0, H - 1, 0xFFFFFF);
        S.Line(1, H - 2, W - 2, H - 2, 0xB0B0B0);
        S.Line(W - 2, 1, W - 2, H - 2, 0xB0B0B0);
        S.Line(0, H - 1, W - 1, H - 1, 0x606060);
        S.Line(W - 1, 0, W - 1, H - 1, 0x606060);
    }
};

} // namespace

// ---- units ------------------------------------------------------------------

int Px() {
    return TwipsPerPixel > 0 ? TwipsPerPixel : 15;
}

void PlaceTwips(QWidget* pW, int pLeft, int pTop, int pWidth, int pHeight) {
    if (pW == nullptr) return;
    pW->setGeometry(ToPx(pLeft), ToPx(pTop), std::max(1, ToPx(pWidth)), std::max(1, ToPx(pHeight)));
}

QRect GeometryTwips(const QWidget* pW) {
    const QRect g = pW->geometry();
    return {ToTwips(g.x()), ToTwips(g.y()), ToTwips(g.width()), ToTwips(g.height())};
}

void ShowCanvas(QWidget* pW, const Surface& pCanvas, Color pFallback) {
    QPainter p(pW);
    if (pCanvas.IsNull())
        p.fillRect(pW->rect(), platform::ToQColor(pFallback));
    else
        p.drawImage(0, 0, pCanvas.Image());
}

// ---- colours --------------------------------------------------------------------

ColorParts SplitColor(Color pC) {
    const Color v = platform::ResolveColor(pC);
    return {int16_t(v & 0xFF), int16_t((v >> 8) & 0xFF), int16_t((v >> 16) & 0xFF)};
}

namespace {

// WCAG relative luminance of an sRGB colour.
double Luminance(Color pC) {
    const ColorParts p = SplitColor(pC);
    const auto linear = [](int pPart) {
        const double c = pPart / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p.Red) + 0.7152 * linear(p.Green) + 0.0722 * linear(p.Blue);
}

} // namespace

double ContrastRatio(Color pA, Color pB) {
    const double a = Luminance(pA), b = Luminance(pB);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Color MakeColor(int pRed, int pGreen, int pBlue) {
    return Color(Limit255(pRed)) | (Color(Limit255(pGreen)) << 8) | (Color(Limit255(pBlue)) << 16);
}

Color ShiftColor(Color pC, int pDRed, int pDGreen, int pDBlue, double pFactor) {
    const ColorParts p = SplitColor(pC);
    if (pFactor != -1)
        return MakeColor(RoundInt(p.Red * pFactor), RoundInt(p.Green * pFactor),
                         RoundInt(p.Blue * pFactor));
    return MakeColor(p.Red + pDRed, p.Green + pDGreen, p.Blue + pDBlue);
}

namespace {
std::array<Color, 3> g_defaultColors{};

Color Normalised(Color pSource, int pTarget) {
    const ColorParts p = SplitColor(pSource);
    const int b = RoundInt((p.Red + p.Green + p.Blue) / 3.0);
    // A black source has no brightness to scale: take a grey of the target.
    if (b == 0) return MakeColor(pTarget, pTarget, pTarget);
    const double f = double(pTarget) / b;
    return MakeColor(Limit255(p.Red * f), Limit255(p.Green * f), Limit255(p.Blue * f));
}
} // namespace

Color DefaultColor(int pIndex) {
    if (pIndex < 0 || pIndex > 2) return 1;
    Color& slot = g_defaultColors[size_t(pIndex)];
    if (slot == 0) {
        static constexpr Color kSource[3] = {0xFFFFFF,
                                             platform::SystemColor(platform::kColorButtonFace),
                                             platform::SystemColor(platform::kColorButtonShadow)};
        static constexpr int kTarget[3] = {255, 210, 120};
        slot = Normalised(kSource[pIndex], kTarget[pIndex]);
        if (slot == 0) slot = 1;
    }
    return slot;
}

void ResetDefaultColors() {
    g_defaultColors = {};
}

// ---- background painter -------------------------------------------------------

void PaintBackground(Surface& pS, int pStyle, Color pC1, Color pC2, Color pC3, int pN1, int pN2,
                     int pN3) {
    if (pStyle < -2 || pStyle > 15 || pS.IsNull()) return;
    const Rgb r1 = ToRgb(ArgOrDefault(pC1, 0));
    const Rgb r2 = ToRgb(ArgOrDefault(pC2, 1));
    const Rgb r3 = ToRgb(ArgOrDefault(pC3, 2));
    Painter p{pS, pS.Width(), pS.Height(), MakeRamp(r1, r2, r3)};
    const int savedMode = pS.DrawMode();
    pS.SetDrawMode(platform::kRasterCopyPen);
    switch (pStyle) {
    case -2:
        pS.SetBackColor(p.Step(3));
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
        pS.FillBox(0, 0, p.W, p.H, p.Step(3));
        p.RaisedFrame();
        break;
    case 11: // shaded face under the raised frame
        for (int y = 0; y < p.H; ++y)
            p.HLine(y, Mix(p.Shades[2], p.Shades[4], double(y) / std::max(1, p.H - 1)));
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
        p.Bevel(pN1 == kDefaultNumber ? p.H / 2 : pN1, pN2 == kDefaultNumber || pN2 <= 0 ? 3 : pN2,
                pN3 == kDefaultNumber ? 3 : std::clamp(pN3, 1, 8));
        break;
    case 14:
        p.Texture(false);
        break;
    case 15:
        p.Texture(true);
        break;
    }
    pS.SetDrawMode(savedMode);
}

// ---- frames, text, captions -----------------------------------------------------

void DrawCellFrame(Surface& pS, int pX, int pY, int pW, int pH, bool pSunken) {
    const int px = Px();
    pS.DrawEdge(pX / px, pY / px, (pX + pW) / px, (pY + pH) / px, pSunken);
}

namespace {
// Lengths (in QChars) of the pieces 1, 2, ... characters long, never
// splitting a surrogate pair.
std::vector<qsizetype> CharacterEnds(const QString& pText, bool pFromEnd) {
    std::vector<qsizetype> ends;
    const qsizetype n = pText.size();
    qsizetype len = 0;
    while (len < n) {
        const QChar c = pFromEnd ? pText[n - 1 - len] : pText[len];
        const bool pair = pFromEnd ? c.isLowSurrogate() : c.isHighSurrogate();
        len += (pair && len + 1 < n) ? 2 : 1;
        ends.push_back(len);
    }
    return ends;
}
} // namespace

QString FitText(const QString& pText, const Surface& pS, int pMaxWidth, bool keepEnd) {
    const int px = Px();
    // Most cells fit: that costs one measurement, without splitting the text into characters.
    if (pS.TextWidth(pText) * px <= pMaxWidth) return pText;
    const std::vector<qsizetype> ends = CharacterEnds(pText, keepEnd);
    if (ends.size() < 2) return pText;
    auto piece = [&](size_t pChars) {
        const qsizetype len = ends[pChars - 1];
        return keepEnd ? pText.right(len) : pText.left(len);
    };
    for (size_t n = 2; n <= ends.size(); ++n)
        if (pS.TextWidth(piece(n)) * px > pMaxWidth) return piece(n - 1);
    return pText;
}

bool CaptionPosition(int pPlacement, const QRect& pC, int pTw, int pTh, int pDx, int pDy,
                     QPoint& pAt) {
    const int L = pC.x(), T = pC.y(), W = pC.width(), H = pC.height();
    switch (pPlacement) {
    case 0:
        pAt = {L - pTw - 90, T + 60};
        break;
    case 1:
        pAt = {L + 30, T - pTh - 30};
        break;
    case 2:
        pAt = {L + W + 30, T + 60};
        break;
    case 3:
        pAt = {L + W / 2 - pTw / 2, T - pTh - 30};
        break;
    case 4:
        pAt = {L + 30, T + H + 30};
        break;
    case 5:
        pAt = {L + W - pTw, T + H + 30};
        break;
    default:
        return false;
    }
    pAt += QPoint(pDx, pDy);
    return true;
}

bool PrintCaption(Surface& pS, const QWidget* pControl, const QString& pText, int pPlacement,
                  int pDx, int pDy) {
    if (pControl == nullptr) return false;
    const int px = Px();
    QPoint at;
    if (!CaptionPosition(pPlacement, GeometryTwips(pControl), pS.TextWidth(pText) * px,
                         pS.TextHeight(pText) * px, pDx, pDy, at))
        return false;
    pS.Print(at.x() / px, at.y() / px, pText);
    return true;
}

bool ColorScheme(int pScheme, Color& pFore, Color& pBack) {
    static constexpr Color kSchemes[7][2] = {
        {platform::SystemColor(platform::kColorButtonFace), 0x000000},
        {0x407060, 0xD5FFF1},
        {0x406057, 0xA6CAC5},
        {0xFFFFFF, 0x0000FF},
        {0x101060, 0xB0B0D0},
        {0x202060, 0x707090},
        {0xD0D0D0, 0x303030}};
    if (pScheme == -1) return true;
    if (pScheme < 0 || pScheme > 6) return false;
    pFore = kSchemes[pScheme][0];
    pBack = kSchemes[pScheme][1];
    return true;
}

bool SetColorScheme(Surface& pS, int pScheme, Color pFore, Color pBack) {
    if (!ColorScheme(pScheme, pFore, pBack)) return false;
    pS.SetForeColor(pFore);
    pS.SetBackColor(pBack);
    return true;
}

void PaintColorSet(Surface& pS, Color pC1, Color pC2, bool pNoGradient, int pFrameWidth) {
    if (pNoGradient)
        pS.Clear();
    else
        PaintBackground(pS, 2, pC1, pC2);
    const Color light = ShiftColor(pC2, 40, 40, 40);
    const Color dark = ShiftColor(pC1, -40, -40, -40);
    const int W = pS.Width(), H = pS.Height();
    for (int d = 0; d < pFrameWidth; ++d) {
        const int l = d, t = d, r = W - 1 - d, b = H - 1 - d;
        if (r < l || b < t) break;
        pS.Line(l, t, r, t, light);
        pS.Line(l, t, l, b, light);
        pS.Line(l, b, r, b, dark);
        pS.Line(r, t, r, b, dark);
    }
}

// ---- states ----------------------------------------------------------------

void FadeSurface(Surface& pS, Color pToward, double pAmount) {
    QImage& image = pS.Image();
    if (image.isNull()) return;
    const QColor toward = platform::ToQColor(pToward);
    const double keep = 1.0 - std::clamp(pAmount, 0.0, 1.0);
    auto mix = [keep](int pFrom, int pTo) { return int(std::lround(pTo + (pFrom - pTo) * keep)); };
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            image.setPixel(x, y,
                           qRgb(mix(qRed(p), toward.red()), mix(qGreen(p), toward.green()),
                                mix(qBlue(p), toward.blue())));
        }
}

void DrawFocusMark(Surface& pS, const QRect& pBox, Color pC) {
    const QRect box = pBox.intersected(QRect(0, 0, pS.Width(), pS.Height()));
    if (box.isEmpty()) return;
    // Walking the outline in one direction keeps the dots evenly spaced round the corners.
    int step = 0;
    auto dot = [&](int pX, int pY) {
        if (step++ % 2 == 0) pS.SetPixel(pX, pY, pC);
    };
    for (int x = box.left(); x < box.right(); ++x)
        dot(x, box.top());
    for (int y = box.top(); y < box.bottom(); ++y)
        dot(box.right(), y);
    for (int x = box.right(); x > box.left(); --x)
        dot(x, box.bottom());
    for (int y = box.bottom(); y > box.top(); --y)
        dot(box.left(), y);
    if (box.width() == 1 && box.height() == 1) pS.SetPixel(box.left(), box.top(), pC);
}
