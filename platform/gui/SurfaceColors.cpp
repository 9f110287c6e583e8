#include "platform/gui/SurfaceColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

// Classic desktop values, used for system colours without a palette role or
// when no application object exists yet.
Color FallbackSystemColor(int pIndex) {
    switch (pIndex) {
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

bool PaletteRole(int pIndex, QPalette::ColorRole& pRole) {
    switch (pIndex) {
    case kColorWindow:
        pRole = QPalette::Base;
        return true;
    case kColorWindowText:
        pRole = QPalette::Text;
        return true;
    case kColorButtonFace:
        pRole = QPalette::Button;
        return true;
    case kColorButtonShadow:
        pRole = QPalette::Dark;
        return true;
    case kColorButtonText:
        pRole = QPalette::ButtonText;
        return true;
    case kColor3DHighlight:
        pRole = QPalette::Light;
        return true;
    case kColor3DDarkShadow:
        pRole = QPalette::Shadow;
        return true;
    case kColor3DLight:
        pRole = QPalette::Midlight;
        return true;
    case 0x0D:
        pRole = QPalette::Highlight;
        return true;
    case 0x0E:
        pRole = QPalette::HighlightedText;
        return true;
    default:
        return false;
    }
}

} // namespace

Color FromQColor(const QColor& pC) {
    return Color(pC.red()) | (Color(pC.green()) << 8) | (Color(pC.blue()) << 16);
}

QColor ToQColor(Color pC) {
    const Color v = ResolveColor(pC);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

Color ResolveColor(Color pC) {
    if (!IsSystemColor(pC)) return pC & 0x00FFFFFFu;
    const int index = int(pC & 0xFF);
    QPalette::ColorRole role;
    if (qGuiApp == nullptr || !PaletteRole(index, role)) return FallbackSystemColor(index);
    return FromQColor(QGuiApplication::palette().color(QPalette::Active, role));
}

} // namespace platform
