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

QString FaceText(const std::array<uint8_t, 32>& faceName) {
    const auto end = std::find(faceName.begin(), faceName.end(), uint8_t(0));
    return QString::fromUtf8(reinterpret_cast<const char*>(faceName.data()),
                             qsizetype(end - faceName.begin()));
}

// A positive height is the whole cell (ascent + descent): the largest pixel size
// whose line still fits. A negative height is the character height itself.
void SetCellHeight(QFont& font, int32_t height) {
    if (height < 0) {
        font.setPixelSize(std::max(1, -height));
        return;
    }
    if (height == 0) return;
    font.setPixelSize(height);
    const int cell = QFontMetrics(font).height();
    if (cell <= height) return;
    // Scale once to the line height measured, then step down what rounding left.
    int pixels = std::max(1, int(int64_t(height) * height / cell));
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > height)
        font.setPixelSize(--pixels);
}

QFont::Weight WeightOf(int32_t weight) {
    if (weight <= 0) return QFont::Normal;
    return QFont::Weight(std::clamp(weight, 1, 1000));
}

} // namespace

FontHandle MakeFont(const LogFont& record) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
    auto font = std::make_unique<QFont>(FaceText(record.faceName));
    font->setWeight(WeightOf(record.weight));
    font->setItalic(record.italic != 0);
    SetCellHeight(*font, record.height);
    const FontHandle handle = ++LastHandle();
    Fonts().emplace(handle, std::move(font));
    return handle;
}

bool DeleteFont(FontHandle font) {
    return Fonts().erase(font) != 0;
}

bool ApplyFont(QWidget* window, FontHandle font) {
    const QFont* object = FontObject(font);
    if (!window || !object) return false;
    window->setFont(*object);
    return true;
}

const QFont* FontObject(FontHandle font) {
    const auto found = Fonts().find(font);
    return found == Fonts().end() ? nullptr : found->second.get();
}

int LiveFontCount() {
    return int(Fonts().size());
}

} // namespace platform
