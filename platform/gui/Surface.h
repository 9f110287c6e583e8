#pragma once

#include "platform/gui/SurfaceColors.h"

#include <QFont>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QString>

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
    Surface(int width, int height);

    // New size; the content is cleared to the back colour.
    void Resize(int width, int height);
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool IsNull() const { return image_.isNull(); }

    const QImage& Image() const { return image_; }
    QImage& Image() { return image_; }

    Color ForeColor() const { return fore_; }
    void SetForeColor(Color c) { fore_ = c; }
    Color BackColor() const { return back_; }
    void SetBackColor(Color c) { back_ = c; }

    // Raster mode of lines and filled boxes; 13 (copy) by default.
    int DrawMode() const { return drawMode_; }
    void SetDrawMode(int mode) { drawMode_ = mode; }

    // Fills everything with the back colour.
    void Clear();

    // A line from (x1, y1) to (x2, y2), both ends included.
    void Line(int x1, int y1, int x2, int y2, Color c, int penWidth = 1);
    // Many lines with one painter, line i in colours[i].
    void Lines(const std::vector<QLine>& lines, const std::vector<Color>& colours,
               int penWidth = 1);
    // Connected lines through the points; closed when the last equals the first.
    void Polyline(const std::vector<QPoint>& points, Color c, int penWidth = 1);
    // Filled box of w x h pixels at (x, y).
    void FillBox(int x, int y, int w, int h, Color c);
    // Outline of the w x h box at (x, y).
    void Box(int x, int y, int w, int h, Color c);
    // Circle around (cx, cy), outlined or filled.
    void Circle(int cx, int cy, int radius, Color c, bool filled);
    void SetPixel(int x, int y, Color c);
    Color Pixel(int x, int y) const;

    // Text: the font applies to measuring and printing.
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    // Prints text with its top-left corner at (x, y).
    void Print(int x, int y, const QString& text, Color c);
    void Print(int x, int y, const QString& text) { Print(x, y, text, fore_); }

    // Copies a w x h piece of src at (sx, sy) to (dx, dy).
    void CopyFrom(int dx, int dy, const Surface& src, int sx, int sy, int w, int h,
                  CopyMode mode = CopyMode::Copy);
    void CopyFrom(int dx, int dy, const QImage& src, int sx, int sy, int w, int h,
                  CopyMode mode = CopyMode::Copy);
    // Stretches the piece (sx, sy, sw, sh) of src over (dx, dy, dw, dh).
    void StretchFrom(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw,
                     int sh);

    // Raised or sunken 3-D edge, two pixels wide, on the box whose right and
    // bottom bounds are exclusive.
    void DrawEdge(int left, int top, int right, int bottom, bool sunken);

  private:
    bool StraightLine(int x1, int y1, int x2, int y2, Color c);

    QImage image_;
    QFont font_;
    Color fore_ = 0x000000;
    Color back_ = SystemColor(kColorButtonFace);
    int drawMode_ = kRasterCopyPen;
};

} // namespace platform
