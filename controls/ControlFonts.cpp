#include "controls/ControlFonts.h"

#include "services/ui/Fonts.h"

#include <QApplication>
#include <QWidget>

namespace {

int16_t Flag(bool pValue) {
    return pValue ? int16_t(-1) : int16_t(0);
}

QFont PlainFont(float pSize, bool pBold, bool pItalic, const QString& pFace) {
    QFont f = QApplication::font();
    if (!pFace.isEmpty()) f.setFamily(pFace);
    f.setPointSizeF(pSize > 0 ? pSize : 9);
    f.setBold(pBold);
    f.setItalic(pItalic);
    return f;
}

} // namespace

QFont ControlFont(QWidget* pW, float pSize, bool pBold, bool pItalic, const QString& pFace) {
    if (ExplicitFonts == 1) {
        const int32_t index =
            SetUIFont(pW, -2, nullptr, pSize, Flag(pBold), Flag(pItalic), pFace.toStdString());
        if (index >= 0 && index < int32_t(FontCache.size()))
            if (const QFont* f = platform::FontObject(FontCache[size_t(index)].Font)) return *f;
    }
    QFont f = PlainFont(pSize, pBold, pItalic, pFace);
    if (pW != nullptr) pW->setFont(f);
    return f;
}

int32_t CachedFontIndex(float pSize, bool pBold, bool pItalic, const QString& pFace) {
    return SetUIFont(nullptr, -2, nullptr, pSize, Flag(pBold), Flag(pItalic), pFace.toStdString());
}

QFont CachedFont(int32_t pIndex) {
    if (pIndex >= 0 && pIndex < int32_t(FontCache.size()))
        if (const QFont* f = platform::FontObject(FontCache[size_t(pIndex)].Font)) return *f;
    return PlainFont(9, false, false, QString());
}
