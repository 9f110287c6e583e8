#pragma once

#include "controls/DrawHelpers.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>

// A horizontal or vertical slider: a sunken track with a movable thumb and,
// optionally, an arrow box at each end. Lengths are twips. Call Init after
// setting the flags and after every resize.
class UC_Slider : public QWidget {
    Q_OBJECT

  public:
    explicit UC_Slider(QWidget* parent = nullptr);

    void Init();
    void Init2();

    int32_t Value() const { return value_; }
    // Limited to Min..Max, stored and drawn; nothing while the range is 0.
    void SetValue(int32_t v);
    int32_t Min() const { return min_; }
    void SetMin(int32_t v) { min_ = v; }
    int32_t Max() const { return max_; }
    void SetMax(int32_t v) { max_ = v; }
    int32_t SmallChange() const { return smallChange_; }
    void SetSmallChange(int32_t v) { smallChange_ = v; }
    int32_t LargeChange() const { return largeChange_; }
    void SetLargeChange(int32_t v) { largeChange_ = v; }

    // Thumb length in twips; also sets travel. SetPointerSize takes a rate.
    int32_t PointerSize() const { return pointerSize_; }
    void SetPointerSizeTwips(int32_t twips);
    // Thumb covers pRate of the track (1 or more gives 0.95), at least 8 px.
    void SetPointerSize(float pRate);

    bool IsVertical() const { return isVertical_; }
    void SetIsVertical(bool v) { isVertical_ = v; }
    bool NoArrow() const { return noArrow_; }
    void SetNoArrow(bool v);
    bool NoGrad() const { return noGrad_; }
    void SetNoGrad(bool v) { noGrad_ = v; }
    int16_t Disabletrim() const { return disabletrim_; }
    void SetDisabletrim(int16_t v) { disabletrim_ = v; }
    int16_t RefuseInput() const { return refuseInput_; }
    void SetRefuseInput(int16_t v) { refuseInput_ = v; }
    int16_t CenterLined() const { return centerLined_; }
    void SetCenterLined(int16_t v) { centerLined_ = v; }
    // -1 while a button is held on the track or an arrow.
    int16_t Clicked() const { return clicked_; }

    // Track length and travel in twips, thumb position in twips.
    int32_t TrackLength() const { return trackLength_; }
    int32_t Travel() const { return travel_; }
    float ThumbPosition() const { return thumbPos_; }

    // Sets Value from thumb position p (twips) and draws the thumb there;
    // beyond either end the value and the thumb stop at that end.
    void Draw(int32_t p);

    // Geometry in pixels, for hosts and tests.
    QRect TrackBox() const { return trackBox_; }
    QRect ArrowBox(int i) const { return arrowBox_[i & 1]; }
    bool RepeatActive() const { return timer_.isActive(); }

    const Surface& Canvas() const { return canvas_; }

  signals:
    void MouseUD(bool IsDown, int16_t nButton);
    void Scrolled(int16_t nButton);
    void DblClicked();

  public slots:
    // One arrow step; the repeat timer calls it every 200 ms.
    void TimerCheck_Timer();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    enum class Part { None, Arrow0, Arrow1, Track };

    Part PartAt(QPoint pos) const;
    int32_t TrackCoordinate(QPoint pos) const;
    int32_t MapValueToPosition(int32_t v) const;
    void DrawThumbAt(float p);
    void Layout();
    void PaintThumbFace(Surface& pic) const;
    void PaintArrowBoxes();
    void PaintThumbPicture();
    void DrawArrow(int i, bool pressed);
    void TrackPress(QMouseEvent* e);
    void ArrowPress(int i);
    void Compose();

    int32_t value_ = 0;
    int32_t min_ = 0;
    int32_t max_ = 1000;
    int32_t smallChange_ = 10;
    int32_t largeChange_ = 0;
    int32_t pointerSize_ = 480;
    bool isVertical_ = false;
    bool noArrow_ = false;
    bool noGrad_ = false;
    int16_t disabletrim_ = 0;
    int16_t refuseInput_ = 0;
    int16_t centerLined_ = 0;
    int16_t clicked_ = 0;

    int32_t trackLength_ = 15;
    int32_t travel_ = 0;
    float thumbPos_ = 0;
    float grabOffset_ = 0;
    int32_t lastC_ = INT32_MIN;
    bool arrowPressed_[2] = {false, false};
    Color thumbColors_[3] = {0, 0, 0};
    bool initialised_ = false;
    Part pressedPart_ = Part::None;

    QRect arrowBox_[2];
    QRect trackBox_;
    Surface canvas_; // the whole control
    Surface arrowPic_[2];
    Surface thumbPic_;  // PictureGrad
    Surface glyphs_[2]; // PictureSrc: horizontal and vertical arrow glyphs
    QTimer timer_;      // TimerCheck
};
