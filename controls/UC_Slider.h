#pragma once

#include "controls/DrawHelpers.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>

// A horizontal or vertical slider: a sunken track with a movable thumb and,
// optionally, an arrow box at each end. Lengths are twips. Call Init after
// setting the flags and after every resize.
// Keys: the arrows step by SmallChange, Page Up/Down by LargeChange (a tenth of
// the range while that is 0), Home/End go to Min/Max; each step raises Scrolled
// as the arrow boxes do. A dotted mark on the track shows the keyboard focus;
// a disabled slider is drawn washed out and takes no input.
class UC_Slider : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Slider(QWidget* pParent = nullptr);

    void Init();
    void Init2();

    int32_t Value() const { return m_Value; }
    // Limited to Min..Max, stored and drawn; nothing while the range is 0.
    void SetValue(int32_t pValue);
    int32_t Min() const { return m_Min; }
    void SetMin(int32_t pValue) { m_Min = pValue; }
    int32_t Max() const { return m_Max; }
    void SetMax(int32_t pValue) { m_Max = pValue; }
    int32_t SmallChange() const { return m_SmallChange; }
    void SetSmallChange(int32_t pValue) { m_SmallChange = pValue; }
    int32_t LargeChange() const { return m_LargeChange; }
    void SetLargeChange(int32_t pValue) { m_LargeChange = pValue; }

    // Thumb length in twips; also sets travel. SetPointerSize takes a rate.
    int32_t PointerSize() const { return m_PointerSize; }
    void SetPointerSizeTwips(int32_t pTwips);
    // Thumb covers pRate of the track (1 or more gives 0.95), at least 8 px.
    void SetPointerSize(float pRate);

    bool IsVertical() const { return m_IsVertical; }
    void SetIsVertical(bool pValue) { m_IsVertical = pValue; }
    bool NoArrow() const { return m_NoArrow; }
    void SetNoArrow(bool pValue);
    bool NoGrad() const { return m_NoGrad; }
    void SetNoGrad(bool pValue) { m_NoGrad = pValue; }
    int16_t Disabletrim() const { return m_Disabletrim; }
    void SetDisabletrim(int16_t pValue) { m_Disabletrim = pValue; }
    int16_t RefuseInput() const { return m_RefuseInput; }
    void SetRefuseInput(int16_t pValue) { m_RefuseInput = pValue; }
    int16_t CenterLined() const { return m_CenterLined; }
    void SetCenterLined(int16_t pValue) { m_CenterLined = pValue; }
    // -1 while a button is held on the track or an arrow.
    int16_t Clicked() const { return m_Clicked; }

    // Track length and travel in twips, thumb position in twips.
    int32_t TrackLength() const { return m_TrackLength; }
    int32_t Travel() const { return m_Travel; }
    float ThumbPosition() const { return m_ThumbPos; }

    // Sets Value from thumb position p (twips) and draws the thumb there;
    // beyond either end the value and the thumb stop at that end.
    void Draw(int32_t pPos);

    // Geometry in pixels, for hosts and tests.
    QRect TrackBox() const { return m_TrackBox; }
    QRect ArrowBox(int pI) const { return m_ArrowBox[pI & 1]; }
    bool RepeatActive() const { return m_Timer.isActive(); }
    // The step of Page Up/Down.
    int32_t PageStep() const;

    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void MouseUD(bool IsDown, int16_t nButton);
    void Scrolled(int16_t nButton);
    void DblClicked();

  public slots:
    // One arrow step; the repeat timer calls it every 200 ms.
    void TimerCheck_Timer();

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

  private:
    enum class Part { None, Arrow0, Arrow1, Track };

    Part PartAt(QPoint pPos) const;
    int32_t TrackCoordinate(QPoint pPos) const;
    int32_t MapValueToPosition(int32_t pValue) const;
    void DrawThumbAt(float pPos);
    void Layout();
    void PaintThumbFace(Surface& pPic) const;
    void PaintArrowBoxes();
    void PaintThumbPicture();
    void DrawArrow(int pI, bool pPressed);
    void TrackPress(QMouseEvent* pEvent);
    void ArrowPress(int pI);
    // Ends a hold on the track or an arrow without raising anything.
    void DropHold();
    // The value a key asks for, or nullopt for keys the slider does not use.
    std::optional<int32_t> KeyTarget(int pKey) const;
    void Compose();

    int32_t m_Value = 0;
    int32_t m_Min = 0;
    int32_t m_Max = 1000;
    int32_t m_SmallChange = 10;
    int32_t m_LargeChange = 0;
    int32_t m_PointerSize = 480;
    bool m_IsVertical = false;
    bool m_NoArrow = false;
    bool m_NoGrad = false;
    int16_t m_Disabletrim = 0;
    int16_t m_RefuseInput = 0;
    int16_t m_CenterLined = 0;
    int16_t m_Clicked = 0;

    int32_t m_TrackLength = 15;
    int32_t m_Travel = 0;
    float m_ThumbPos = 0;
    float m_GrabOffset = 0;
    int32_t m_LastC = INT32_MIN;
    bool m_ArrowPressed[2] = {false, false};
    Color m_ThumbColors[3] = {0, 0, 0};
    bool m_Initialised = false;
    Part m_PressedPart = Part::None;

    QRect m_ArrowBox[2];
    QRect m_TrackBox;
    Surface m_Canvas; // the whole control
    Surface m_ArrowPic[2];
    Surface m_ThumbPic;  // PictureGrad
    Surface m_Glyphs[2]; // PictureSrc: horizontal and vertical arrow glyphs
    QTimer m_Timer;      // TimerCheck
};
