#include "services/ui/Fonts.h"

#include "platform/qt/SystemLanguage.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"
#include "services/core/SettingText.h"
#include "services/core/TwipsPerPixel.h"
#include "services/store/Settings.h"

#include <cmath>

int32_t ExplicitFonts = 0;
int32_t LangMode = 0;
std::vector<FontCacheEntry> FontCache;

namespace {

bool g_languageDecided = false;
std::string g_defaultFace;

constexpr float DefaultSize = 9;
constexpr uint8_t AnsiCharSet = 0;
constexpr uint8_t ShiftJisCharSet = 128;
constexpr double MaxCellHeight = 10000;

// Bytes of the UTF-8 character that starts with lead (1 for a stray byte).
size_t CharLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Points to pixels at the screen's twips per pixel, rounded half to even; a
// size that gives no sensible height leaves it 0 (the face's default size).
int32_t CellHeight(float size, double factor, int32_t twipsPerPixel) {
    const double height = std::nearbyint(double(size) * 20.0 * factor / twipsPerPixel);
    if (!(height >= -MaxCellHeight && height <= MaxCellHeight)) return 0;
    return int32_t(height);
}

int32_t FindCachedFont(float size, int16_t bold, int16_t italic, const std::string& face) {
    for (size_t i = 0; i < FontCache.size(); ++i) {
        const FontCacheEntry& entry = FontCache[i];
        if (entry.face == face && entry.size == size && entry.bold == bold &&
            entry.italic == italic)
            return int32_t(i);
    }
    return -1;
}

int32_t FindOrCreateFont(float size, int16_t bold, int16_t italic, std::string face) {
    if (face.empty()) face = g_defaultFace;
    if (size == 0) size = DefaultSize;
    const int32_t found = FindCachedFont(size, bold, italic, face);
    if (found >= 0) return found;
    CreateUIFont(size, bold, italic, face);
    return int32_t(FontCache.size()) - 1;
}

int32_t SetUIFontUnguarded(QWidget* window, int32_t index, const UIFontSource* object, float size,
                           int16_t bold, int16_t italic, std::string face) {
    if (g_defaultFace.empty()) g_defaultFace = DefaultFace;
    if (FontCache.empty()) CreateUIFont(DefaultSize, 0, 0, g_defaultFace);
    if (index == -1) {
        if (!object) return index;
        size = object->FontSize();
        bold = object->FontBold();
        italic = object->FontItalic();
        face = object->FontName();
        window = object->hwnd();
    }
    if (index < 0) index = FindOrCreateFont(size, bold, italic, std::move(face));
    if (index < int32_t(FontCache.size()) && FontCache[size_t(index)].font)
        platform::ApplyFont(window, FontCache[size_t(index)].font);
    return index;
}

} // namespace

LanguageDecision DecideLanguage(bool japaneseSystem, std::string_view storedLangMode) {
    if (!japaneseSystem) return {1, 0};
    const std::optional<int32_t> mode = SettingToInt32(storedLangMode);
    if (!mode) return {0, 0};
    if (*mode != 0) return {*mode, 0};
    return {0, 1};
}

void DecideLanguageMode() {
    if (g_languageDecided) return;
    g_languageDecided = true;
    CatchUnlessDebugging(
        [] {
            const bool japanese = platform::SystemLanguageIsJapanese();
            const std::string stored = japanese ? ReadSetting("LangMode", 0) : std::string("0");
            const LanguageDecision decision = DecideLanguage(japanese, stored);
            LangMode = decision.langMode;
            ExplicitFonts = decision.explicitFonts;
            return 0;
        },
        0);
}

platform::LogFont UIFontRecord(float size, int16_t bold, int16_t italic, std::string_view face,
                               int32_t twipsPerPixel) {
    if (twipsPerPixel <= 0) twipsPerPixel = 15;
    const std::string trimmed = CutAtNul(std::string(face));
    const double factor = trimmed == MeiryoFace ? 1.3 : 1.0;
    platform::LogFont record;
    record.height = CellHeight(size, factor, twipsPerPixel);
    record.weight = bold == -1 ? int32_t(std::nearbyint(15.0 / twipsPerPixel * 700.0)) : 0;
    record.italic = italic == -1 ? 1 : 0;
    record.charSet = trimmed == "Impact" ? AnsiCharSet : ShiftJisCharSet;
    FaceNameBytes(trimmed, record.faceName);
    return record;
}

void CreateUIFont(float size, int16_t bold, int16_t italic, std::string_view face) {
    FontCache.push_back({0, size, bold, italic, std::string(face)});
    CatchUnlessDebugging(
        [&] {
            const auto record = UIFontRecord(size, bold, italic, face, TwipsPerPixel);
            FontCache.back().font = platform::MakeFont(record);
            return 0;
        },
        0);
}

int32_t SetUIFont(QWidget* window, int32_t index, const UIFontSource* object, float size,
                  int16_t bold, int16_t italic, std::string_view face) {
    return CatchUnlessDebugging(
        [&] {
            return SetUIFontUnguarded(window, index, object, size, bold, italic, std::string(face));
        },
        index);
}

void DeleteUIFonts() {
    for (const FontCacheEntry& entry : FontCache)
        if (entry.font) platform::DeleteFont(entry.font);
    FontCache.clear();
    FontCache.shrink_to_fit();
}

int32_t FaceNameBytes(std::string_view text, std::array<uint8_t, 32>& bytes) {
    bytes.fill(0);
    const std::string trimmed = CutAtNul(std::string(text));
    const size_t room = bytes.size() - 1; // the last byte always ends the name
    size_t written = 0;
    for (size_t i = 0; i < trimmed.size();) {
        const size_t length =
            std::min(CharLength(static_cast<unsigned char>(trimmed[i])), trimmed.size() - i);
        if (written + length > room) break;
        for (size_t k = 0; k < length; ++k)
            bytes[written++] = static_cast<uint8_t>(trimmed[i + k]);
        i += length;
    }
    return int32_t(written);
}
