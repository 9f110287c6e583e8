#pragma once
// Language mode and the shared cache of UI fonts. On a Japanese system the
// window and the controls set their fonts themselves (ExplicitFonts 1), with
// Japanese faces; elsewhere the platform's default fonts are used.

#include "platform/gui/Fonts.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

// 1: the window and controls set their fonts through SetUIFont.
extern int32_t ExplicitFonts;
// 1 on a system that is not Japanese; else the stored "LangMode" (default 0).
extern int32_t LangMode;

struct FontCacheEntry {
    platform::FontHandle Font = 0;
    float Size = 0;     // points
    int16_t Bold = 0;   // -1 bold
    int16_t Italic = 0; // -1 italic
    std::string Face;
};

// Fonts in creation order; entry 0 is the default font at 9 points.
extern std::vector<FontCacheEntry> FontCache;

inline constexpr std::string_view DefaultFace = "ＭＳ Ｐゴシック";
inline constexpr std::string_view MeiryoFace = "メイリオ";

// Once per start, before any control is set up.
void DecideLanguageMode();

struct LanguageDecision {
    int32_t LangMode = 0;
    int32_t ExplicitFonts = 0;
};
// The decision for a system language and the stored "LangMode" text.
LanguageDecision DecideLanguage(bool pJapaneseSystem, std::string_view pStoredLangMode);

// Anything that carries its own font settings and window (a control).
class UIFontSource {
  public:
    virtual ~UIFontSource() = default;
    virtual float FontSize() const = 0;
    virtual int16_t FontBold() const = 0;
    virtual int16_t FontItalic() const = 0;
    virtual std::string FontName() const = 0;
    virtual QWidget* hwnd() const = 0;
};

// The logical font for size, bold, italic and face at the given twips per pixel.
platform::LogFont UIFontRecord(float pSize, int16_t pBold, int16_t pItalic, std::string_view pFace,
                               int32_t pTwipsPerPixel);

// Appends one cache entry (its font may be 0 when creation failed).
void CreateUIFont(float pSize, int16_t pBold, int16_t pItalic, std::string_view pFace);

// index -2: find or create the font for size, bold, italic and face;
// index -1: the same with the values and the window taken from object;
// index >= 0: that cache entry. The entry's font goes to the window.
// Returns the cache index used.
int32_t SetUIFont(QWidget* pWindow, int32_t pIndex, const UIFontSource* pObject, float pSize,
                  int16_t pBold, int16_t pItalic, std::string_view pFace);

// Deletes every cached font and empties the cache.
void DeleteUIFonts();

// The face trimmed of blanks, in UTF-8, NUL-padded into 32 bytes; a character
// is never split and the last byte always stays NUL. Returns the bytes written.
int32_t FaceNameBytes(std::string_view pText, std::array<uint8_t, 32>& pBytes);
