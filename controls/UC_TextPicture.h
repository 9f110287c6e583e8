#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

class QMimeData;

// A display of text fields (text spaces) in their own fonts and positions on
// a plain or shaded background, with colour schemes or colour sets.
// Positions are twips.
class UC_TextPicture : public QWidget {
    Q_OBJECT

  public:
    explicit UC_TextPicture(QWidget* parent = nullptr);

    // pWakuWidth: frame width in pixels of the colour-set backgrounds.
    void Init(int32_t pWakuWidth = 1, bool pNoGrad = false);
    void ResetMe();
    // pLeft -1 centres horizontally when drawn; pTop -1 centres vertically now.
    void AddTextSpace(float pSize = 9, bool pBold = false, bool pItalic = false,
                      const QString& pFace = QString(), int32_t pLeft = -1, int32_t pTop = -1);
    void DispMes(int32_t pIndex, const QString& pStr, bool DontDraw = false);
    QString TextMes(int32_t pIndex) const;

    void AddColorSet(Color pFontColor, Color pColor1, Color pColor2, Color pColor3);
    void AddStdColorSet(int32_t pType);
    void SetColor(int32_t pType, bool pDraw);
    void SetColorEx(Color pForeColor, Color pBackColor, bool pDraw);

    int32_t DesignType() const { return designType_; }
    void SetDesignType(int32_t v) { designType_ = v; }
    int32_t CurrentColorSet() const { return currentSet_; }
    int32_t UseClick(int32_t pIndex) const;
    void SetUseClick(int32_t pIndex, int32_t v);
    int32_t UseDblClick() const { return useDblClick_; }
    void SetUseDblClick(int32_t v) { useDblClick_ = v; }
    int32_t Locked() const { return locked_; }
    void SetLocked(int32_t v) { locked_ = v; }
    int32_t IsFlat() const { return isFlat_; }
    void SetIsFlat(int32_t v) { isFlat_ = v; }
    Color ForeColor() const { return fore_; }
    Color BackColor() const { return back_; }

    // Draws every text space; space plite highlighted (-1: none).
    void Draw(int32_t plite = -1);

    // The text space under the point (twips); 0 when none.
    int32_t HitTest(int32_t x, int32_t y) const;
    int32_t NumTextSpaces() const { return int32_t(spaces_.size()); }
    int32_t NumColorSets() const { return int32_t(sets_.size()); }
    // Where a text space is placed (twips; -1 for centred left).
    QPoint TextSpacePosition(int32_t pIndex) const;
    const Surface& Canvas() const { return canvas_; }

  signals:
    void MouseUD(int16_t Button, bool IsDown, int32_t pIndex);
    void DblClicked();
    void OLEDragDrop(const QMimeData* Data, int32_t Effect, int16_t Button, int16_t Shift, float X,
                     float Y);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    struct TextSpace {
        int32_t font = 0;
        int32_t left = -1;
        int32_t top = 0;
        QString text;
        int32_t useClick = 0;
    };
    struct ColorSet {
        Color font = 0;
        Color c1 = 0, c2 = 0, c3 = 0;
    };

    bool ValidSpace(int32_t i) const { return i >= 0 && i < NumTextSpaces(); }
    void PressAt(QPoint pos, Qt::MouseButton button);
    void PaintSetBackgrounds();

    std::vector<TextSpace> spaces_;
    std::vector<ColorSet> sets_;
    int32_t designType_ = 0;
    int32_t currentSet_ = 0;
    int32_t isFlat_ = 0;
    int32_t locked_ = 0;
    int32_t useDblClick_ = 0;
    int32_t pressed_ = 0;
    int32_t wakuWidth_ = 1;
    bool noGrad_ = false;
    bool initialised_ = false;
    Color fore_ = platform::SystemColor(platform::kColorButtonText);
    Color back_ = platform::SystemColor(platform::kColorButtonFace);

    Surface canvas_;
    Surface setBackgrounds_; // one display width per colour set
};
