#include "services/ui/Fonts.h"

#include "platform/qt/SystemLanguage.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"
#include "services/core/SettingText.h"
#include "services/core/TwipsPerPixel.h"
#include "services/store/SettingKeys.h"
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
size_t CharLength(unsigned char pLead) {
    if (pLead >= 0xF0 && pLead <= 0xF7) return 4;
    if (pLead >= 0xE0) return pLead <= 0xEF ? 3 : 1;
    if (pLead >= 0xC0) return 2;
    return 1;
}

// Points to pixels at the screen's twips per pixel, rounded half to even; a
// size that gives no sensible height leaves it 0 (the face's default size).
int32_t CellHeight(float pSize, double pFactor, int32_t pTwipsPerPixel) {
    const double height = std::nearbyint(double(pSize) * 20.0 * pFactor / pTwipsPerPixel);
    if (!(height >= -MaxCellHeight && height <= MaxCellHeight)) return 0;
    return int32_t(height);
}

int32_t FindCachedFont(float pSize, int16_t pBold, int16_t pItalic, const std::string& pFace) {
    for (size_t i = 0; i < FontCache.size(); ++i) {
        const FontCacheEntry& entry = FontCache[i];
        if (entry.Face == pFace && entry.Size == pSize && entry.Bold == pBold &&
            entry.Italic == pItalic)
            return int32_t(i);
    }
    return -1;
}

int32_t FindOrCreateFont(float pSize, int16_t pBold, int16_t pItalic, std::string pFace) {
    if (pFace.empty()) pFace = g_defaultFace;
    if (pSize == 0) pSize = DefaultSize;
    const int32_t found = FindCachedFont(pSize, pBold, pItalic, pFace);
    if (found >= 0) return found;
    CreateUIFont(pSize, pBold, pItalic, pFace);
    return int32_t(FontCache.size()) - 1;
}

int32_t SetUIFontUnguarded(QWidget* pWindow, int32_t pIndex, const UIFontSource* pObject,
                           float pSize, int16_t pBold, int16_t pItalic, std::string pFace) {
    if (g_defaultFace.empty()) g_defaultFace = DefaultFace;
    if (FontCache.empty()) CreateUIFont(DefaultSize, 0, 0, g_defaultFace);
    if (pIndex == -1) {
        if (!pObject) return pIndex;
        pSize = pObject->FontSize();
        pBold = pObject->FontBold();
        pItalic = pObject->FontItalic();
        pFace = pObject->FontName();
        pWindow = pObject->hwnd();
    }
    if (pIndex < 0) pIndex = FindOrCreateFont(pSize, pBold, pItalic, std::move(pFace));
    if (pIndex < int32_t(FontCache.size()) && FontCache[size_t(pIndex)].Font)
        platform::ApplyFont(pWindow, FontCache[size_t(pIndex)].Font);
    return pIndex;
}

} // namespace

LanguageDecision DecideLanguage(bool pJapaneseSystem, std::string_view pStoredLangMode) {
    if (!pJapaneseSystem) return {1, 0};
    const std::optional<int32_t> mode = SettingToInt32(pStoredLangMode);
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
            const std::string stored =
                japanese ? ReadSetting(keys::kLangMode, 0) : std::string("0");
            const LanguageDecision decision = DecideLanguage(japanese, stored);
            LangMode = decision.LangMode;
            ExplicitFonts = decision.ExplicitFonts;
            return 0;
        },
        0);
}

platform::LogFont UIFontRecord(float pSize, int16_t pBold, int16_t pItalic, std::string_view pFace,
                               int32_t pTwipsPerPixel) {
    if (pTwipsPerPixel <= 0) pTwipsPerPixel = 15;
    const std::string trimmed = CutAtNul(std::string(pFace));
    const double factor = trimmed == MeiryoFace ? 1.3 : 1.0;
    platform::LogFont record;
    record.Height = CellHeight(pSize, factor, pTwipsPerPixel);
    record.Weight = pBold == -1 ? int32_t(std::nearbyint(15.0 / pTwipsPerPixel * 700.0)) : 0;
    record.Italic = pItalic == -1 ? 1 : 0;
    record.CharSet = trimmed == "Impact" ? AnsiCharSet : ShiftJisCharSet;
    FaceNameBytes(trimmed, record.FaceName);
    return record;
}

void CreateUIFont(float pSize, int16_t pBold, int16_t pItalic, std::string_view pFace) {
    FontCache.push_back({0, pSize, pBold, pItalic, std::string(pFace)});
    CatchUnlessDebugging(
        [&] {
            const auto record = UIFontRecord(pSize, pBold, pItalic, pFace, TwipsPerPixel);
            FontCache.back().Font = platform::MakeFont(record);
            return 0;
        },
        0);
}

int32_t SetUIFont(QWidget* pWindow, int32_t pIndex, const UIFontSource* pObject, float pSize,
                  int16_t pBold, int16_t pItalic, std::string_view pFace) {
    return CatchUnlessDebugging(
        [&] {
            return SetUIFontUnguarded(pWindow, pIndex, pObject, pSize, pBold, pItalic,
                                      std::string(pFace));
        },
        pIndex);
}

void DeleteUIFonts() {
    for (const FontCacheEntry& entry : FontCache)
        if (entry.Font) platform::DeleteFont(entry.Font);
    FontCache.clear();
    FontCache.shrink_to_fit();
}

int32_t FaceNameBytes(std::string_view pText, std::array<uint8_t, 32>& pBytes) {
    pBytes.fill(0);
    const std::string trimmed = CutAtNul(std::string(pText));
    const size_t room = pBytes.size() - 1; // the last byte always ends the name
    size_t written = 0;
    for (size_t i = 0; i < trimmed.size();) {
        const size_t length =
            std::min(CharLength(static_cast<unsigned char>(trimmed[i])), trimmed.size() - i);
        if (written + length > room) break;
        for (size_t k = 0; k < length; ++k)
            pBytes[written++] = static_cast<uint8_t>(trimmed[i + k]);
        i += length;
    }
    return int32_t(written);
}
