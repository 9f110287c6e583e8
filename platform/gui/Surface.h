#pragma once

#include "platform/gui/SurfaceColors.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

// Raster modes of pens and fills (the classic binary raster operations).
enum RasterMode : int {
    kRasterInvert = 6,  // not destination
    kRasterXorPen = 7,  // pen xor destination
    kRasterMaskPen = 9, // pen and destination
    kRasterCopyPen = 13,
    kRasterMergePen = 15, // pen or destination
};

// How a copy combines source pixels with the destination.
enum class CopyMode { Copy, And, Xor, Or };

// A drawing surface: a QImage back buffer with the operations the
// self-drawn controls need. Coordinates are pixels; colours are Color values
// (system colours resolve through the palette at the time of drawing).
class Surface {
  public:
    Surface() = default;
    Surface(int pWidth, int pHeight);

    // New size; the content is cleared to the back colour.
    void Resize(int pWidth, int pHeight);
    int Width() const { return m_Image.width(); }
    int Height() const { return m_Image.height(); }
    bool IsNull() const { return m_Image.isNull(); }

    const QImage& Image() const { return m_Image; }
    QImage& Image() { return m_Image; }

    Color ForeColor() const { return m_Fore; }
    void SetForeColor(Color pC) { m_Fore = pC; }
    Color BackColor() const { return m_Back; }
    void SetBackColor(Color pC) { m_Back = pC; }

    // Raster mode of lines and filled boxes; 13 (copy) by default.
    int DrawMode() const { return m_DrawMode; }
    void SetDrawMode(int pMode) { m_DrawMode = pMode; }

    // Fills everything with the back colour.
    void Clear();

    // A line from (x1, y1) to (x2, y2), both ends included.
    void Line(int pX1, int pY1, int pX2, int pY2, Color pC, int pPenWidth = 1);
    // Many lines with one painter, line i in colours[i].
    void Lines(const std::vector<QLine>& pLines, const std::vector<Color>& pColours,
               int pPenWidth = 1);
    // Connected lines through the points; closed when the last equals the first.
    void Polyline(const std::vector<QPoint>& pPoints, Color pC, int pPenWidth = 1);
    // Filled box of w x h pixels at (x, y).
    void FillBox(int pX, int pY, int pW, int pH, Color pC);
    // Outline of the w x h box at (x, y).
    void Box(int pX, int pY, int pW, int pH, Color pC);
    // Circle around (cx, cy), outlined or filled.
    void Circle(int pCx, int pCy, int pRadius, Color pC, bool pFilled);
    void SetPixel(int pX, int pY, Color pC);
    Color Pixel(int pX, int pY) const;

    // Text: the font applies to measuring and printing.
    const QFont& Font() const { return m_Font; }
    void SetFont(const QFont& pFont) {
        if (pFont == m_Font) return;
        m_Font = pFont;
        m_Metrics.reset();
    }
    int TextWidth(const QString& pText) const;
    int TextHeight(const QString& pText) const;
    // Prints text with its top-left corner at (x, y).
    void Print(int pX, int pY, const QString& pText, Color pC);
    void Print(int pX, int pY, const QString& pText) { Print(pX, pY, pText, m_Fore); }

    // Copies a w x h piece of src at (sx, sy) to (dx, dy).
    void CopyFrom(int pDx, int pDy, const Surface& pSrc, int pSx, int pSy, int pW, int pH,
                  CopyMode pMode = CopyMode::Copy);
    void CopyFrom(int pDx, int pDy, const QImage& pSrc, int pSx, int pSy, int pW, int pH,
                  CopyMode pMode = CopyMode::Copy);
    // Stretches the piece (sx, sy, sw, sh) of src over (dx, dy, dw, dh).
    void StretchFrom(int pDx, int pDy, int pDw, int pDh, const Surface& pSrc, int pSx, int pSy,
                     int pSw, int pSh);

    // Raised or sunken 3-D edge, two pixels wide, on the box whose right and
    // bottom bounds are exclusive.
    void DrawEdge(int pLeft, int pTop, int pRight, int pBottom, bool pSunken);

  private:
    bool StraightLine(int pX1, int pY1, int pX2, int pY2, Color pC);

    QImage m_Image;
    QFont m_Font;
    // The font's metrics on this image, made once: text is measured and printed per cell.
    const QFontMetrics& Metrics() const;
    mutable std::optional<QFontMetrics> m_Metrics;
    Color m_Fore = 0x000000;
    Color m_Back = SystemColor(kColorButtonFace);
    int m_DrawMode = kRasterCopyPen;
};

} // namespace platform
