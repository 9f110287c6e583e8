#include "controls/ControlFonts.h"

#include "services/ui/Fonts.h"

#include <QApplication>
#include <QWidget>

namespace {

int16_t Flag(bool v) {
    return v ? int16_t(-1) : int16_t(0);
}

QFont PlainFont(float size, bool bold, bool italic, const QString& face) {
    QFont f = QApplication::font();
    if (!face.isEmpty()) f.setFamily(face);
    f.setPointSizeF(size > 0 ? size : 9);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

QFont ControlFont(QWidget* w, float size, bool bold, bool italic, const QString& face) {
    if (ExplicitFonts == 1) {
        const int32_t index =
            SetUIFont(w, -2, nullptr, size, Flag(bold), Flag(italic), face.toStdString());
        if (index >= 0 && index < int32_t(FontCache.size()))
            if (const QFont* f = platform::FontObject(FontCache[size_t(index)].font)) return *f;
    }
    QFont f = PlainFont(size, bold, italic, face);
    if (w != nullptr) w->setFont(f);
    return f;
}

int32_t CachedFontIndex(float size, bool bold, bool italic, const QString& face) {
    return SetUIFont(nullptr, -2, nullptr, size, Flag(bold), Flag(italic), face.toStdString());
}

QFont CachedFont(int32_t index) {
    if (index >= 0 && index < int32_t(FontCache.size()))
        if (const QFont* f = platform::FontObject(FontCache[size_t(index)].font)) return *f;
    return PlainFont(9, false, false, QString());
}
