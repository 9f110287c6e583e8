#include "services/ui/Fonts.h"
#include "services/core/TwipsPerPixel.h"
#include "services/store/Settings.h"

#include "ServicesTestSupport.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

std::string FaceField(const std::array<uint8_t, 32>& pBytes) {
    return std::string(reinterpret_cast<const char*>(pBytes.data()));
}

std::string Repeat(const std::string& pText, int pTimes) {
    std::string out;
    for (int i = 0; i < pTimes; ++i)
        out += pText;
    return out;
}

} // namespace

TEST(FaceNameBytes, TrimsAndPadsWithZeros) {
    std::array<uint8_t, 32> bytes;
    bytes.fill(0xAA);
    EXPECT_EQ(FaceNameBytes("  Impact  ", bytes), 6);
    EXPECT_EQ(FaceField(bytes), "Impact");
    for (size_t i = 6; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], 0) << i;

    EXPECT_EQ(FaceNameBytes("ＭＳ Ｐゴシック", bytes), 22);
    EXPECT_EQ(FaceField(bytes), "ＭＳ Ｐゴシック");
}

TEST(FaceNameBytes, NeverSplitsACharacterAndKeepsTheLastByteZero) {
    std::array<uint8_t, 32> bytes;
    EXPECT_EQ(FaceNameBytes(Repeat("ゴ", 11), bytes), 30);
    EXPECT_EQ(FaceField(bytes), Repeat("ゴ", 10));
    EXPECT_EQ(bytes[30], 0);

    EXPECT_EQ(FaceNameBytes("a" + Repeat("ゴ", 10), bytes), 31);
    EXPECT_EQ(FaceNameBytes(std::string(40, 'x'), bytes), 31);
    EXPECT_EQ(bytes[31], 0);
    EXPECT_EQ(FaceNameBytes("ab😀", bytes), 6);
    EXPECT_EQ(FaceNameBytes(std::string(29, 'x') + "😀", bytes), 29);
}

TEST(UIFontRecord, HeightWeightItalicAndCharacterSet) {
    auto record = UIFontRecord(9, 0, 0, "メイリオ", 15);
    EXPECT_EQ(record.Height, 16);
    EXPECT_EQ(record.Weight, 0);
    EXPECT_EQ(record.Italic, 0);
    EXPECT_EQ(record.CharSet, 128);
    EXPECT_EQ(FaceField(record.FaceName), "メイリオ");
    EXPECT_EQ(UIFontRecord(9, 0, 0, " メイリオ ", 15).Height, 16);

    record = UIFontRecord(9, -1, -1, "ＭＳ Ｐゴシック", 15);
    EXPECT_EQ(record.Height, 12);
    EXPECT_EQ(record.Weight, 700);
    EXPECT_EQ(record.Italic, 1);
    EXPECT_EQ(UIFontRecord(9, -1, 0, "x", 12).Weight, 875);
    EXPECT_EQ(UIFontRecord(9, 1, 1, "x", 15).Weight, 0);
    EXPECT_EQ(UIFontRecord(9, 1, 1, "x", 15).Italic, 0);
    EXPECT_EQ(UIFontRecord(9, 0, 0, "x", 12).Height, 15);

    EXPECT_EQ(UIFontRecord(9, 0, 0, "Impact", 15).CharSet, 0);
    EXPECT_EQ(UIFontRecord(9, 0, 0, "impact", 15).CharSet, 128);
    // Heights round half to even.
    EXPECT_EQ(UIFontRecord(1.875f, 0, 0, "x", 15).Height, 2);
    EXPECT_EQ(UIFontRecord(2.625f, 0, 0, "x", 15).Height, 4);
    EXPECT_EQ(UIFontRecord(9, 0, 0, "x", 0).Height, 12);
    EXPECT_EQ(UIFontRecord(std::nanf(""), 0, 0, "x", 15).Height, 0);
    EXPECT_EQ(UIFontRecord(1e30f, 0, 0, "x", 15).Height, 0);
}

TEST(LanguageDecision, OnlyJapaneseSystemsGetExplicitFonts) {
    EXPECT_EQ(DecideLanguage(false, "0").LangMode, 1);
    EXPECT_EQ(DecideLanguage(false, "0").ExplicitFonts, 0);
    EXPECT_EQ(DecideLanguage(true, "0").LangMode, 0);
    EXPECT_EQ(DecideLanguage(true, "0").ExplicitFonts, 1);
    EXPECT_EQ(DecideLanguage(true, "1").LangMode, 1);
    EXPECT_EQ(DecideLanguage(true, "1").ExplicitFonts, 0);
    EXPECT_EQ(DecideLanguage(true, "garbage").ExplicitFonts, 0);
}

// The locale is read once per process, so each system language runs in a
// fresh child process; the exit code carries LangMode * 10 + ExplicitFonts.
namespace {

[[noreturn]] void DecideUnderLocale(const char* pLocale, const char* pStoredLangMode) {
    testsupport::TempFolder config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    setenv("LC_ALL", pLocale, 1);
    setenv("LANG", pLocale, 1);
    if (pStoredLangMode) WriteSetting("LangMode", pStoredLangMode);
    DecideLanguageMode();
    const int first = LangMode * 10 + ExplicitFonts;
    LangMode = ExplicitFonts = 7;
    DecideLanguageMode(); // decided once: a second call changes nothing
    std::_Exit(LangMode == 7 && ExplicitFonts == 7 ? first : 99);
}

} // namespace

TEST(LanguageMode, DecidedFromTheSystemLocaleAndTheSetting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(DecideUnderLocale("en_US.UTF-8", nullptr), ::testing::ExitedWithCode(10), "");
    EXPECT_EXIT(DecideUnderLocale("ja_JP.UTF-8", nullptr), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(DecideUnderLocale("ja_JP.UTF-8", "1"), ::testing::ExitedWithCode(10), "");
    EXPECT_EXIT(DecideUnderLocale("de_DE.UTF-8", "0"), ::testing::ExitedWithCode(10), "");
}

// Font cache ----------------------------------------------------------------

namespace {

class FontCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::TestApp();
        DeleteUIFonts();
        TwipsPerPixel = 15;
        m_LiveBefore = platform::LiveFontCount();
    }
    void TearDown() override { DeleteUIFonts(); }
    int Created() const { return platform::LiveFontCount() - m_LiveBefore; }
    int m_LiveBefore = 0;
};

struct FakeControl : UIFontSource {
    QWidget* Window = nullptr;
    float FontSize() const override { return 12; }
    int16_t FontBold() const override { return -1; }
    int16_t FontItalic() const override { return 0; }
    std::string FontName() const override { return "メイリオ"; }
    QWidget* hwnd() const override { return Window; }
};

} // namespace

TEST_F(FontCacheTest, DefaultFontIsEntryZeroAndIsCreatedOnce) {
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 0, 0, 0, ""), 0);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 0, 0, 0, ""), 0);
    ASSERT_EQ(FontCache.size(), 1u);
    EXPECT_EQ(Created(), 1);
    EXPECT_EQ(FontCache[0].Face, "ＭＳ Ｐゴシック");
    EXPECT_EQ(FontCache[0].Size, 9.0f);
    EXPECT_EQ(FontCache[0].Bold, 0);
    EXPECT_EQ(FontCache[0].Italic, 0);
    ASSERT_NE(FontCache[0].Font, 0);
    // 9 points at 15 twips per pixel: a 12-pixel cell.
    const QFont* font = platform::FontObject(FontCache[0].Font);
    ASSERT_NE(font, nullptr);
    EXPECT_LE(QFontMetrics(*font).height(), 12);
    EXPECT_GE(QFontMetrics(*font).height(), 9);
}

TEST_F(FontCacheTest, KeyedByFaceSizeBoldAndItalic) {
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, -1, 0, ""), 1);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, -1, 0, "ＭＳ Ｐゴシック"), 1);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, -1, -1, ""), 2);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 10, -1, -1, ""), 3);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, 0, 0, "Impact"), 4);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, 0, 0, " Impact"), 5);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, 0, 0, "Impact"), 4);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 9, 0, 0, ""), 0);
    EXPECT_EQ(FontCache.size(), 6u);
    EXPECT_EQ(Created(), 6);
}

TEST_F(FontCacheTest, FontsReachTheWindow) {
    QWidget window;
    const int32_t bold = SetUIFont(&window, -2, nullptr, 9, -1, 0, "");
    const QFont* boldFont = platform::FontObject(FontCache[size_t(bold)].Font);
    ASSERT_NE(boldFont, nullptr);
    EXPECT_EQ(window.font(), *boldFont);
    EXPECT_TRUE(window.font().bold());

    EXPECT_EQ(SetUIFont(&window, 0, nullptr, 30, 0, -1, "ignored"), 0);
    EXPECT_EQ(window.font(), *platform::FontObject(FontCache[0].Font));
    EXPECT_EQ(FontCache.size(), 2u);

    // Past the end of the cache nothing is sent and the index comes back.
    EXPECT_EQ(SetUIFont(&window, 9, nullptr, 0, 0, 0, ""), 9);
    EXPECT_EQ(window.font(), *platform::FontObject(FontCache[0].Font));
}

TEST_F(FontCacheTest, ControlSuppliesItsOwnFontAndWindow) {
    QWidget window;
    FakeControl control;
    control.Window = &window;
    const int32_t index = SetUIFont(nullptr, -1, &control, 0, 0, 0, "");
    EXPECT_EQ(index, 1);
    EXPECT_EQ(FontCache[1].Face, "メイリオ");
    EXPECT_EQ(FontCache[1].Size, 12.0f);
    EXPECT_TRUE(window.font().bold());
    // A 12-point cell at 15 twips per pixel is 16 px, 1.3 times for this face: 21.
    EXPECT_LE(QFontMetrics(window.font()).height(), 21);
    EXPECT_EQ(SetUIFont(nullptr, -1, nullptr, 0, 0, 0, ""), -1);
}

TEST_F(FontCacheTest, DeleteReleasesEveryFont) {
    SetUIFont(nullptr, -2, nullptr, 9, -1, 0, "");
    SetUIFont(nullptr, -2, nullptr, 11, 0, 0, "");
    EXPECT_EQ(Created(), 3);
    DeleteUIFonts();
    EXPECT_TRUE(FontCache.empty());
    EXPECT_EQ(Created(), 0);
    EXPECT_EQ(SetUIFont(nullptr, -2, nullptr, 11, 0, 0, ""), 1);
}
