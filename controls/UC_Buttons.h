#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

// A row of equal self-drawn push buttons with captions or icons. Positions
// inside the strip are pixels. Call Init after setting the buttons and after
// resizing.
class UC_Buttons : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Buttons(QWidget* parent = nullptr);

    int32_t NumButtons() const { return int32_t(buttons_.size()); }
    // Below 1 gives 1; every button starts empty with no icons.
    void SetNumButtons(int32_t n);

    void Init();
    void DrawAll();
    // pType 0 normal, 1 pressed, 2 hot.
    void DrawButton(int32_t pIndex, int32_t pType);
    void SetButtonState(int32_t index, int32_t pMode);

    void SetButtonChar(int32_t pIndex, const QString& pValue);
    QString GetButtonChar(int32_t pIndex) const;
    void SetButtonCharNum();
    void SetPicIndexn(int32_t pIndex, int32_t pValue);
    void SetPicIndexa(int32_t pIndex, int32_t pValue);

    // pTemp 0: the disabled layer; nonzero: the temporary layer.
    void SetButtonDisable(int32_t index, int32_t pValue, bool pDraw, int32_t pTemp);
    int32_t GetButtonDisable(int32_t pIndex, int32_t pTemp) const;
    void SetButtonDisableAll(int32_t pValue, int32_t pTemp);
    bool IsButtonEnabled(int32_t index) const;
    void SetButtonOn(int32_t index, int32_t pValue, bool pDraw);
    int32_t GetButtonOn(int32_t pIndex) const;

    int32_t SelectedButton() const { return selectedButton_; }
    void SetSelectedButton(int32_t index);

    void SetOKCancel(int32_t pOKIsZero, int32_t pNoSize, int32_t pType);
    void SetButtonsMCI();
    void SetButtonsPCXplay();
    void SetButtonsEditorCtrl();
    void SetButtonsEditorPlay();

    int32_t MimiWidth() const { return mimiWidth_; }
    void SetMimiWidth(int32_t v) { mimiWidth_ = v; }
    int32_t DesignType() const { return designType_; }
    void SetDesignType(int32_t v);
    Color SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(Color c);
    Color DarkSelectedColor() const { return darkSelectedColor_; }
    void SetDisable3D(int32_t v) { disable3D_ = v; }
    void SetNoGrayAtDisabled(int32_t v) { noGrayAtDisabled_ = v; }
    void SetToolTip(const QString& t) { setToolTip(t); }
    void SetFontSize(float v) { fontSize_ = v; }
    void SetFontFace(const QString& v) { fontFace_ = v; }
    void SetFontBold(bool v) { fontBold_ = v; }

    // Layout results, pixels.
    int32_t ButtonWidth() const { return buttonWidth_; }
    int32_t ButtonHeight() const { return buttonHeight_; }
    int32_t ButtonLeft(int32_t i) const;
    QPoint ContentPosition(int32_t i) const;
    // The button under pixel x; -1 outside the buttons.
    int32_t HitTest(int x) const;
    int32_t PressedButton() const { return pressedButton_; }
    int32_t HoverButton() const { return hoverButton_; }

    // The icon strip's drawing surface.
    const Surface& PiclibHdc() const { return icons_; }
    const Surface& Canvas() const { return canvas_; }

  signals:
    void ButtonClicked(int32_t ClickedIndex);
    void RightClicked(int32_t ClickedIndex);
    void ShiftClicked(int32_t ClickedIndex, int16_t Shift);
    void ButtonDown(int32_t ClickedIndex);
    void Hover(int32_t pButtonIndex);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

  private:
    struct Button {
        QString caption;
        int32_t iconNormal = -1;
        int32_t iconActive = -1;
        int32_t usesActive = 0;
        int32_t on = 0;
        int32_t disabled = 0;
        int32_t tempDisabled = 0;
        int32_t left = 0;
        int32_t contentX = 0;
        int32_t contentY = 0;
    };

    bool ValidIndex(int32_t i) const { return i >= 0 && i < NumButtons(); }
    bool HasIcon(const Button& b) const { return b.iconNormal >= 0 || b.iconActive >= 0; }
    void CentreCaption(Button& b);
    void ApplyPreset(const std::vector<std::pair<int, int>>& icons, int32_t usesActive);
    void PaintFace();
    void PaintEnds();
    void PressAt(int x, Qt::MouseButton button);
    void HoverAt(int32_t index);
    void DrawIcon(const Button& b, int32_t icon, int offset);
    void DrawCaption(int32_t index, const Button& b, bool hot, int offset);

    std::vector<Button> buttons_;
    int32_t mimiWidth_ = -1;
    int32_t designType_ = 0;
    Color selectedColor_ = 0x00D000;
    Color darkSelectedColor_ = 0x008A00;
    int32_t selectedButton_ = -1;
    int32_t disable3D_ = 1;
    int32_t noGrayAtDisabled_ = 0;
    float fontSize_ = 9;
    bool fontBold_ = false;
    QString fontFace_;

    int32_t buttonWidth_ = 0;
    int32_t buttonHeight_ = 0;
    int32_t usedMimi_ = 0;
    int32_t pressedButton_ = -1;
    int pressedX_ = 0;
    int32_t hoverButton_ = 0;
    bool initialised_ = false;
    bool iconsTinted_ = false;

    Surface canvas_;
    Surface face_;
    Surface endPiece_;
    Surface icons_; // PictureIcons
};
