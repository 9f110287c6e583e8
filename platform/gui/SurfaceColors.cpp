#include "platform/gui/SurfaceColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

// Classic desktop values, used for system colours without a palette role or
// when no application object exists yet.
Color FallbackSystemColor(int index) {
    switch (index) {
    case kColorWindow:
        return 0xFFFFFF;
    case kColorWindowText:
        return 0x000000;
    case kColorButtonFace:
        return 0xF0F0F0;
    case kColorButtonShadow:
        return 0xA0A0A0;
    case kColorButtonText:
        return 0x000000;
    case kColor3DHighlight:
        return 0xFFFFFF;
    case kColor3DDarkShadow:
        return 0x696969;
    case kColor3DLight:
        return 0xE3E3E3;
    case 0x0D:
        return 0xD77800; // selection
    case 0x0E:
        return 0xFFFFFF; // selection text
    case 0x11:
        return 0x6D6D6D; // grey text
    default:
        return 0x808080;
    }
}

bool PaletteRole(int index, QPalette::ColorRole& role) {
    switch (index) {
    case kColorWindow:
        role = QPalette::Base;
        return true;
    case kColorWindowText:
        role = QPalette::Text;
        return true;
    case kColorButtonFace:
        role = QPalette::Button;
        return true;
    case kColorButtonShadow:
        role = QPalette::Dark;
        return true;
    case kColorButtonText:
        role = QPalette::ButtonText;
        return true;
    case kColor3DHighlight:
        role = QPalette::Light;
        return true;
    case kColor3DDarkShadow:
        role = QPalette::Shadow;
        return true;
    case kColor3DLight:
        role = QPalette::Midlight;
        return true;
    case 0x0D:
        role = QPalette::Highlight;
        return true;
    case 0x0E:
        role = QPalette::HighlightedText;
        return true;
    default:
        return false;
    }
}

} // namespace

Color FromQColor(const QColor& c) {
    return Color(c.red()) | (Color(c.green()) << 8) | (Color(c.blue()) << 16);
}

QColor ToQColor(Color c) {
    const Color v = ResolveColor(c);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

Color ResolveColor(Color c) {
    if (!IsSystemColor(c)) return c & 0x00FFFFFFu;
    const int index = int(c & 0xFF);
    QPalette::ColorRole role;
    if (qGuiApp == nullptr || !PaletteRole(index, role)) return FallbackSystemColor(index);
    return FromQColor(QGuiApplication::palette().color(QPalette::Active, role));
}

} // namespace platform
