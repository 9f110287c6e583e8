#pragma once

// Drawing helpers shared by the self-drawn controls and the main window:
// colour arithmetic, the numbered background styles, 3-D cell frames, text
// fitting, captions beside controls, colour schemes and colour-set backgrounds.

#include "platform/gui/Surface.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>

class QWidget;

using platform::Color;
using platform::Surface;

// A colour argument of -1 asks for the default palette colour of its slot.
inline constexpr Color kDefaultColor = 0xFFFFFFFFu;
// A number argument of -99999 asks for its default.
inline constexpr int kDefaultNumber = -99999;

// ---- units --------------------------------------------------------------

// Twips per pixel of the screen (15 at 96 dpi).
int Px();
inline int ToPx(int pTwips) {
    return pTwips / Px();
}
inline int ToTwips(int pPixels) {
    return pPixels * Px();
}
// Places a widget by twips inside its parent.
void PlaceTwips(QWidget* pW, int pLeft, int pTop, int pWidth, int pHeight);
// A widget's geometry inside its parent, in twips.
QRect GeometryTwips(const QWidget* pW);

// Paints a control's back buffer onto the widget, or fills the widget with
// fallback while there is no buffer yet (before the first draw). For paintEvent.
void ShowCanvas(QWidget* pW, const Surface& pCanvas, Color pFallback);

// ---- colour arithmetic --------------------------------------------------

struct ColorParts {
    int16_t Red = 0;
    int16_t Green = 0;
    int16_t Blue = 0;
};

// Red, green and blue of a colour (system colours resolved).
ColorParts SplitColor(Color pC);
// The contrast ratio of two sRGB colours from their relative luminance (1 to 21; text wants
// at least 4.5 against its background to read well).
double ContrastRatio(Color pA, Color pB);
// Each part limited to 0..255.
Color MakeColor(int pRed, int pGreen, int pBlue);
// factor != -1: every part times factor; factor == -1: the offsets added.
// Each part is rounded and limited to 0..255.
Color ShiftColor(Color pC, int pDRed, int pDGreen, int pDBlue, double pFactor = -1);
// Default palette colours: 0 white at brightness 255, 1 button face at 210,
// 2 button shadow at 120. Computed once; never 0 (black comes back as 1).
Color DefaultColor(int pIndex);
// Forgets the computed defaults (after a palette change).
void ResetDefaultColors();

// ---- background painter -------------------------------------------------

// Paints the whole surface in style -2..15 from c1, c2, c3 (kDefaultColor =
// the default palette colour of that slot). Other styles paint nothing.
// Used by the controls: 1 raised, 2 diagonal, 5/6 shaded from the middle,
// 7/8 the same framed, 12/13 rounded bevels, 14/15 fine texture.
void PaintBackground(Surface& pS, int pStyle, Color pC1 = kDefaultColor, Color pC2 = kDefaultColor,
                     Color pC3 = kDefaultColor, int pN1 = kDefaultNumber, int pN2 = kDefaultNumber,
                     int pN3 = kDefaultNumber);

// ---- frames, text, captions ---------------------------------------------

// Raised or sunken 3-D frame of a cell given in twips.
void DrawCellFrame(Surface& pS, int pX, int pY, int pW, int pH, bool pSunken);

// The longest start (keepEnd false) or end (keepEnd true) of text whose width
// on the surface is at most maxWidth twips; texts under 2 characters and
// texts that fit come back unchanged. No ellipsis is added.
QString FitText(const QString& pText, const Surface& pS, int pMaxWidth, bool pKeepEnd);

// Where a caption of tw x th twips goes for a control at (l, t, w, h) twips:
// 0 left of it, 1 above left-aligned, 2 right of it, 3 above centred,
// 4 below left-aligned, 5 below right-aligned; dx, dy added. False for other
// placements.
bool CaptionPosition(int pPlacement, const QRect& pControl, int pTw, int pTh, int pDx, int pDy,
                     QPoint& pAt);
// Prints text beside control on s (the surface of the control's parent) in
// the surface's fore colour. Returns false when nothing was printed.
bool PrintCaption(Surface& pS, const QWidget* pControl, const QString& pText, int pPlacement,
                  int pDx = 0, int pDy = 0);

// Colour schemes of text displays: -1 takes fore and back as given, 0..6 are
// fixed pairs; other schemes change nothing (returns false).
bool ColorScheme(int pScheme, Color& pFore, Color& pBack);
bool SetColorScheme(Surface& pS, int pScheme, Color pFore, Color pBack);

// Shaded background of a colour set: style 2 from c1 to c2 (unless
// noGradient) and a raised frame of frameWidth nested 1-pixel rings.
void PaintColorSet(Surface& pS, Color pC1, Color pC2, bool pNoGradient, int pFrameWidth);

// ---- states ----------------------------------------------------------------

// Mixes every pixel with pToward by pAmount (0 keeps the picture, 1 replaces it): the
// washed-out look of a control that takes no input.
void FadeSurface(Surface& pS, Color pToward, double pAmount);
// The keyboard focus mark: a dotted outline (every other pixel) of the box, clipped to
// the surface.
void DrawFocusMark(Surface& pS, const QRect& pBox, Color pC);
