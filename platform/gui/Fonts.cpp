#include "platform/gui/Fonts.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <map>
#include <memory>

namespace platform {

namespace {

std::map<FontHandle, std::unique_ptr<QFont>>& Fonts() {
    static std::map<FontHandle, std::unique_ptr<QFont>> fonts;
    return fonts;
}

FontHandle& LastHandle() {
    static FontHandle last = 0;
    return last;
}

QString FaceText(const std::array<uint8_t, 32>& pFaceName) {
    const auto end = std::find(pFaceName.begin(), pFaceName.end(), uint8_t(0));
    return QString::fromUtf8(reinterpret_cast<const char*>(pFaceName.data()),
                             qsizetype(end - pFaceName.begin()));
}

// A positive height is the whole cell (ascent + descent): the largest pixel size
// whose line still fits. A negative height is the character height itself.
void SetCellHeight(QFont& pFont, int32_t pHeight) {
    if (pHeight < 0) {
        pFont.setPixelSize(std::max(1, -pHeight));
        return;
    }
    if (pHeight == 0) return;
    pFont.setPixelSize(pHeight);
    const int cell = QFontMetrics(pFont).height();
    if (cell <= pHeight) return;
    // Scale once to the line height measured, then step down what rounding left.
    int pixels = std::max(1, int(int64_t(pHeight) * pHeight / cell));
    pFont.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(pFont).height() > pHeight)
        pFont.setPixelSize(--pixels);
}

QFont::Weight WeightOf(int32_t pWeight) {
    if (pWeight <= 0) return QFont::Normal;
    return QFont::Weight(std::clamp(pWeight, 1, 1000));
}

} // namespace

FontHandle MakeFont(const LogFont& pRecord) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
    auto font = std::make_unique<QFont>(FaceText(pRecord.FaceName));
    font->setWeight(WeightOf(pRecord.Weight));
    font->setItalic(pRecord.Italic != 0);
    SetCellHeight(*font, pRecord.Height);
    const FontHandle handle = ++LastHandle();
    Fonts().emplace(handle, std::move(font));
    return handle;
}

bool DeleteFont(FontHandle pFont) {
    return Fonts().erase(pFont) != 0;
}

bool ApplyFont(QWidget* pWindow, FontHandle pFont) {
    const QFont* object = FontObject(pFont);
    if (!pWindow || !object) return false;
    pWindow->setFont(*object);
    return true;
}

const QFont* FontObject(FontHandle pFont) {
    const auto found = Fonts().find(pFont);
    return found == Fonts().end() ? nullptr : found->second.get();
}

int LiveFontCount() {
    return int(Fonts().size());
}

} // namespace platform
