#pragma once

#include "controls/DrawHelpers.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>

// A horizontal level or progress bar with an optional centred text. The user
// may drag it to set a value. Lengths are twips.
class UC_Bar : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Bar(QWidget* pParent = nullptr);

    // Lays out, prepares the empty and filled looks and draws 0 (Max 1000).
    void Init();
    // Font and text colour of TextToDisp.
    void SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor);

    int32_t Value() const { return m_Value; }
    // Ignored while the user holds the bar.
    void SetValue(int32_t pValue);
    int32_t Max() const { return m_Max; }
    void SetMax(int32_t pValue) { m_Max = pValue; }
    QString TextToDisp() const { return m_Text; }
    void SetTextToDisp(const QString& pT);
    int32_t Locked() const { return m_Locked; }
    // Locking while the left button is held ends the hold.
    void SetLocked(int32_t pValue);
    // Set by an owner whose bar only shows progress: nonzero while no run is
    // going, when the left button does not drag the bar (right clicks are still
    // reported and SetValue still draws). Setting it ends a hold.
    int32_t Idle() const { return m_Idle; }
    void SetIdle(int32_t pValue);
    // 0 (the default): every value that moves the fill by a pixel is drawn at once. n > 0:
    // values that come faster are drawn at most every n ms; the last one is drawn from the
    // event loop when they stop. Value() and FillEnd() always follow at once.
    void SetDrawInterval(int32_t pMs) { m_DrawIntervalMs = pMs; }
    int16_t Clicked() const { return m_Clicked; }

    // Control width less 4 px, twips.
    int32_t BarLength() const { return m_BarLength; }
    // Where the fill ends, twips from the control's left.
    int32_t FillEnd() const { return m_FillEnd; }
    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void MouseUD(bool IsDown);
    void Scrolled();
    void RightClicked(bool IsDown);

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

  private:
    void DrawFill(int32_t pX);
    // The fill end pX (twips, 0 = none) as DrawFill draws it: its last pixel column, 0 = none.
    int FillPixels(int32_t pX) const;
    void DrawText();
    void FollowPointer(int pX);
    void Redraw() { DrawFill(m_FillEnd); }
    bool TakesDrags() const { return m_Locked == 0 && m_Idle == 0; }
    void EndHold();

    int32_t m_DrawIntervalMs = 0;
    int m_DrawnPixels = 0; // the fill's last pixel column as drawn (FillPixels)
    QElapsedTimer m_LastDraw;
    QTimer m_LateDraw; // draws a value that came within the interval
    int32_t m_Value = 0;
    int32_t m_Max = 1000;
    QString m_Text;
    int32_t m_Locked = 0;
    int32_t m_Idle = 0;
    int16_t m_Clicked = 0;
    int32_t m_BarLength = 0;
    int32_t m_FillEnd = 0;
    int m_LastX = -1;
    bool m_Initialised = false;
    Color m_TextColor = platform::SystemColor(platform::kColorButtonText);

    Surface m_Canvas;
    Surface m_Looks; // upper half empty, lower half filled
};
