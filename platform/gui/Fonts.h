#pragma once
// Font objects behind plain handles, so that the font cache stays free of Qt.

#include <array>
#include <cstdint>

class QFont;
class QWidget;

namespace platform {

// Logical description of a font. Height > 0 is the cell height in pixels;
// weight 0 means normal; the face is NUL-padded UTF-8.
struct LogFont {
    int32_t Height = 0;
    int32_t Weight = 0;
    uint8_t Italic = 0;
    uint8_t CharSet = 0;
    std::array<uint8_t, 32> FaceName{};
};

using FontHandle = intptr_t; // 0: no font

// A new font for the record; 0 when no font can be made (no GUI application).
FontHandle MakeFont(const LogFont& pRecord);
// Releases the font; false for an unknown handle.
bool DeleteFont(FontHandle pFont);
// Gives the window the font (no repaint asked); false for an unknown handle.
bool ApplyFont(QWidget* pWindow, FontHandle pFont);
// The font to draw with; null for an unknown handle.
const QFont* FontObject(FontHandle pFont);
// Fonts made and not yet deleted.
int LiveFontCount();

} // namespace platform
