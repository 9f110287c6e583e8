#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

class QMimeData;

// A display of text fields (text spaces) in their own fonts and positions on
// a plain or shaded background, with colour schemes or colour sets.
// Positions are twips. A disabled display is drawn washed out.
class UC_TextPicture : public QWidget {
    Q_OBJECT

  public:
    explicit UC_TextPicture(QWidget* pParent = nullptr);

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

    int32_t DesignType() const { return m_DesignType; }
    void SetDesignType(int32_t pValue) { m_DesignType = pValue; }
    int32_t CurrentColorSet() const { return m_CurrentSet; }
    int32_t UseClick(int32_t pIndex) const;
    void SetUseClick(int32_t pIndex, int32_t pValue);
    int32_t UseDblClick() const { return m_UseDblClick; }
    void SetUseDblClick(int32_t pValue) { m_UseDblClick = pValue; }
    int32_t Locked() const { return m_Locked; }
    void SetLocked(int32_t pValue) { m_Locked = pValue; }
    int32_t IsFlat() const { return m_IsFlat; }
    void SetIsFlat(int32_t pValue) { m_IsFlat = pValue; }
    Color ForeColor() const { return m_Fore; }
    Color BackColor() const { return m_Back; }

    // Draws every text space; space plite highlighted (-1: none).
    void Draw(int32_t plite = -1);

    // The text space under the point (twips); 0 when none.
    int32_t HitTest(int32_t pX, int32_t pY) const;
    int32_t NumTextSpaces() const { return int32_t(m_Spaces.size()); }
    int32_t NumColorSets() const { return int32_t(m_Sets.size()); }
    // Where a text space is placed (twips; -1 for centred left).
    QPoint TextSpacePosition(int32_t pIndex) const;
    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void MouseUD(int16_t Button, bool IsDown, int32_t pIndex);
    void DblClicked();
    void OLEDragDrop(const QMimeData* Data, int32_t Effect, int16_t Button, int16_t Shift, float X,
                     float Y);

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

  private:
    struct TextSpace {
        int32_t Font = 0;
        int32_t Left = -1;
        int32_t Top = 0;
        QString Text;
        int32_t UseClick = 0;
    };
    struct ColorSet {
        Color Font = 0;
        Color C1 = 0, C2 = 0, C3 = 0;
    };

    bool ValidSpace(int32_t pI) const { return pI >= 0 && pI < NumTextSpaces(); }
    void PressAt(QPoint pPos, Qt::MouseButton pButton);
    void PaintSetBackgrounds();

    std::vector<TextSpace> m_Spaces;
    std::vector<ColorSet> m_Sets;
    int32_t m_DesignType = 0;
    int32_t m_CurrentSet = 0;
    int32_t m_IsFlat = 0;
    int32_t m_Locked = 0;
    int32_t m_UseDblClick = 0;
    int32_t m_Pressed = 0;
    int32_t m_WakuWidth = 1;
    bool m_NoGrad = false;
    bool m_Initialised = false;
    Color m_Fore = platform::SystemColor(platform::kColorButtonText);
    Color m_Back = platform::SystemColor(platform::kColorButtonFace);

    Surface m_Canvas;
    Surface m_SetBackgrounds; // one display width per colour set
};
