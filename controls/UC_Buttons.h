#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

// A row of equal self-drawn push buttons with captions or icons. Positions
// inside the strip are pixels. Call Init after setting the buttons and after
// resizing.
// The strip takes the keyboard focus by Tab only (a click leaves the focus where
// it was): Left/Right move the focus between the enabled buttons, a dotted mark
// shows the focused one, and Space or Enter presses it as the left mouse button does.
// The focus starts on the default button, and comes back to it when the button it
// stood on is disabled.
class UC_Buttons : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Buttons(QWidget* pParent = nullptr);

    int32_t NumButtons() const { return int32_t(m_Buttons.size()); }
    // Below 1 gives 1; every button starts empty with no icons.
    void SetNumButtons(int32_t pN);

    void Init();
    void DrawAll();
    // pType 0 normal, 1 pressed, 2 hot.
    void DrawButton(int32_t pIndex, int32_t pType);
    void SetButtonState(int32_t pIndex, int32_t pMode);

    void SetButtonChar(int32_t pIndex, const QString& pValue);
    QString GetButtonChar(int32_t pIndex) const;
    void SetButtonCharNum();
    void SetPicIndexn(int32_t pIndex, int32_t pValue);
    void SetPicIndexa(int32_t pIndex, int32_t pValue);

    // pTemp 0: the disabled layer; nonzero: the temporary layer.
    void SetButtonDisable(int32_t pIndex, int32_t pValue, bool pDraw, int32_t pTemp);
    int32_t GetButtonDisable(int32_t pIndex, int32_t pTemp) const;
    void SetButtonDisableAll(int32_t pValue, int32_t pTemp);
    bool IsButtonEnabled(int32_t pIndex) const;
    void SetButtonOn(int32_t pIndex, int32_t pValue, bool pDraw);
    int32_t GetButtonOn(int32_t pIndex) const;

    int32_t SelectedButton() const { return m_SelectedButton; }
    void SetSelectedButton(int32_t pIndex);

    void SetOKCancel(int32_t pOKIsZero, int32_t pNoSize, int32_t pType);
    void SetButtonsMCI();
    void SetButtonsPCXplay();
    void SetButtonsEditorCtrl();
    void SetButtonsEditorPlay();

    int32_t MimiWidth() const { return m_MimiWidth; }
    void SetMimiWidth(int32_t pValue) { m_MimiWidth = pValue; }
    int32_t DesignType() const { return m_DesignType; }
    void SetDesignType(int32_t pValue);
    Color SelectedColor() const { return m_SelectedColor; }
    void SetSelectedColor(Color pC);
    Color DarkSelectedColor() const { return m_DarkSelectedColor; }
    void SetDisable3D(int32_t pValue) { m_Disable3D = pValue; }
    void SetNoGrayAtDisabled(int32_t pValue) { m_NoGrayAtDisabled = pValue; }
    void SetToolTip(const QString& pT) { setToolTip(pT); }
    // A button's own tooltip, shown over that button instead of the strip's.
    void SetButtonToolTip(int32_t pIndex, const QString& pText);
    QString ButtonToolTip(int32_t pIndex) const;
    void SetFontSize(float pValue) { m_FontSize = pValue; }
    void SetFontFace(const QString& pValue) { m_FontFace = pValue; }
    void SetFontBold(bool pValue) { m_FontBold = pValue; }

    // Layout results, pixels.
    int32_t ButtonWidth() const { return m_ButtonWidth; }
    int32_t ButtonHeight() const { return m_ButtonHeight; }
    int32_t ButtonLeft(int32_t pI) const;
    QPoint ContentPosition(int32_t pI) const;
    // The button under pixel x; -1 outside the buttons.
    int32_t HitTest(int pX) const;
    int32_t PressedButton() const { return m_PressedButton; }
    int32_t HoverButton() const { return m_HoverButton; }
    // The button the keys act on (drawn with the focus mark while the strip has the focus).
    int32_t FocusButton() const { return m_FocusButton; }
    void SetFocusButton(int32_t pIndex);
    // The button the strip stands for (the focus goes there first); -1 for none.
    int32_t DefaultButton() const { return m_DefaultButton; }
    void SetDefaultButton(int32_t pIndex);
    // The button held down now by the mouse or a key; -1 for none.
    int32_t HeldButton() const;

    // The icon strip's drawing surface.
    const Surface& PiclibHdc() const { return m_Icons; }
    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void ButtonClicked(int32_t ClickedIndex);
    void RightClicked(int32_t ClickedIndex);
    void ShiftClicked(int32_t ClickedIndex, int16_t Shift);
    void ButtonDown(int32_t ClickedIndex);
    void Hover(int32_t pButtonIndex);

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool event(QEvent* pEvent) override;

  private:
    struct Button {
        QString Caption;
        int32_t IconNormal = -1;
        int32_t IconActive = -1;
        int32_t UsesActive = 0;
        int32_t IsOn = 0;
        int32_t Disabled = 0;
        int32_t TempDisabled = 0;
        int32_t Left = 0;
        int32_t ContentX = 0;
        int32_t ContentY = 0;
        QString ToolTip;
    };

    bool ValidIndex(int32_t pI) const { return pI >= 0 && pI < NumButtons(); }
    bool HasIcon(const Button& pB) const { return pB.IconNormal >= 0 || pB.IconActive >= 0; }
    void CentreCaption(Button& pB);
    void ApplyPreset(const std::vector<std::pair<int, int>>& pIcons, int32_t pUsesActive);
    void PaintFace();
    void PaintEnds();
    void PressAt(int pX, Qt::MouseButton pButton);
    void HoverAt(int32_t pIndex);
    void DrawIcon(const Button& pB, int32_t pIcon, int pOffset);
    void DrawCaption(int32_t pIndex, const Button& pB, bool pHot, int pOffset);
    void DrawFocus(const Button& pB, int pOffset);
    // The next enabled button from pFrom in direction pStep (+1/-1), pFrom itself
    // excluded; -1 when there is none.
    int32_t NextEnabled(int32_t pFrom, int pStep) const;
    // Keeps the focus on an enabled button (the first one when it stood on a disabled one).
    void SettleFocusButton();
    static bool IsPressKey(int pKey);

    std::vector<Button> m_Buttons;
    int32_t m_MimiWidth = -1;
    int32_t m_DesignType = 0;
    Color m_SelectedColor = 0x00D000;
    Color m_DarkSelectedColor = 0x008A00;
    int32_t m_SelectedButton = -1;
    int32_t m_Disable3D = 1;
    int32_t m_NoGrayAtDisabled = 0;
    float m_FontSize = 9;
    bool m_FontBold = false;
    QString m_FontFace;

    int32_t m_ButtonWidth = 0;
    int32_t m_ButtonHeight = 0;
    int32_t m_UsedMimi = 0;
    int32_t m_PressedButton = -1;
    int m_PressedX = 0;
    int32_t m_HoverButton = 0;
    int32_t m_FocusButton = 0;
    int32_t m_DefaultButton = -1;
    bool m_MouseHeld = false;
    int32_t m_KeyPressedButton = -1; // held down by Space or Enter
    int m_PressKey = 0;
    bool m_Initialised = false;
    bool m_IconsTinted = false;

    Surface m_Canvas;
    Surface m_Face;
    Surface m_EndPiece;
    Surface m_Icons; // PictureIcons
};
