#include "controls/UC_Slider.h"

#include "controls/MouseButtons.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kArrowBoxTwips = 270;
constexpr int kRepeatMs = 200;
// Glyph cells: 6 x 10 for the horizontal arrows, 10 x 6 for the vertical ones.
constexpr int kGlyphLong = 10;
constexpr int kGlyphShort = 6;
constexpr Color kGlyphReleased = 0x404040;
constexpr Color kGlyphPressed = 0x101010;

// Builds the glyph source: four glyphs side by side (arrow 0 pressed, arrow 1
// pressed, arrow 0 released, arrow 1 released) with their masks in the row below.
Surface MakeGlyphSource(bool vertical) {
    const int gw = vertical ? kGlyphLong : kGlyphShort;
    const int gh = vertical ? kGlyphShort : kGlyphLong;
    Surface s(gw * 4, gh * 2);
    s.SetBackColor(0);
    s.Clear();
    s.FillBox(0, gh, gw * 4, gh, 0xFFFFFF); // masks: white keeps the background
    for (int g = 0; g < 4; ++g) {
        const bool pressed = g < 2;
        const bool increasing = (g % 2) == 1;
        const int shift = pressed ? 1 : 0;
        const Color colour = pressed ? kGlyphPressed : kGlyphReleased;
        // A triangle four pixels deep pointing to its end of the slider.
        for (int col = 0; col < 4; ++col) {
            const int along = (increasing ? 4 - col : 1 + col) + shift;
            for (int a = 4 - col; a <= 5 + col; ++a) {
                const int across = a + shift;
                const int x = vertical ? across : along;
                const int y = vertical ? along : across;
                s.SetPixel(g * gw + x, y, colour);
                s.SetPixel(g * gw + x, gh + y, 0);
            }
        }
    }
    return s;
}

} // namespace

UC_Slider::UC_Slider(QWidget* parent) : QWidget(parent) {
    timer_.setObjectName(QStringLiteral("TimerCheck"));
    timer_.setInterval(kRepeatMs);
    connect(&timer_, &QTimer::timeout, this, &UC_Slider::TimerCheck_Timer);
    glyphs_[0] = MakeGlyphSource(false);
    glyphs_[1] = MakeGlyphSource(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UC_Slider::SetNoArrow(bool v) {
    noArrow_ = v;
    if (v) disabletrim_ = -1;
}

// ---- layout -------------------------------------------------------------------

void UC_Slider::Layout() {
    const int px = Px();
    const int along = ToTwips(isVertical_ ? height() : width());
    const int across = isVertical_ ? width() : height();
    int trackStart = 0;
    int trackBoxLen = along;
    if (!noArrow_) {
        trackBoxLen = std::max(15, along - 2 * kArrowBoxTwips - px);
        trackStart = kArrowBoxTwips + px;
        const int arrowPx = ToPx(kArrowBoxTwips);
        const int arrow1 = ToPx(trackStart + trackBoxLen);
        arrowBox_[0] = isVertical_ ? QRect(0, 0, across, arrowPx) : QRect(0, 0, arrowPx, across);
        arrowBox_[1] =
            isVertical_ ? QRect(0, arrow1, across, arrowPx) : QRect(arrow1, 0, arrowPx, across);
    } else {
        arrowBox_[0] = arrowBox_[1] = QRect();
    }
    const int start = ToPx(trackStart), len = std::max(1, ToPx(trackBoxLen));
    trackBox_ = isVertical_ ? QRect(0, start, across, len) : QRect(start, 0, len, across);
    trackLength_ = std::max(15, trackBoxLen - 4 * px);
}

void UC_Slider::Init() {
    Layout();
    const Color shadow = platform::SystemColor(platform::kColorButtonShadow);
    const Color face = platform::SystemColor(platform::kColorButtonFace);
    thumbColors_[0] = ShiftColor(shadow, 0, 0, 0, 1.2);
    thumbColors_[1] = ShiftColor(face, 0, 0, 0, 1.1);
    thumbColors_[2] = ShiftColor(shadow, 0, 0, 0, 0.9);
    PaintArrowBoxes();
    if (disabletrim_ != -1) {
        DrawArrow(0, false);
        DrawArrow(1, false);
    }
    initialised_ = true;
    Init2();
}

// Arrow boxes and thumb share one face: raised, or shaded across the bar.
void UC_Slider::PaintThumbFace(Surface& pic) const {
    if (noGrad_)
        PaintBackground(pic, 1);
    else
        PaintBackground(pic, isVertical_ ? 6 : 5, thumbColors_[0], thumbColors_[1],
                        thumbColors_[2]);
}

void UC_Slider::PaintArrowBoxes() {
    const Color dark = platform::SystemColor(platform::kColor3DDarkShadow);
    for (int i = 0; i < 2; ++i) {
        Surface& pic = arrowPic_[i];
        if (arrowBox_[i].isEmpty()) {
            pic = Surface();
            continue;
        }
        pic.Resize(arrowBox_[i].width(), arrowBox_[i].height());
        PaintThumbFace(pic);
        pic.Line(0, pic.Height() - 1, pic.Width() - 1, pic.Height() - 1, dark);
        pic.Line(pic.Width() - 1, 0, pic.Width() - 1, pic.Height() - 1, dark);
    }
}

void UC_Slider::Init2() {
    trackLength_ =
        std::max(15, ToTwips(isVertical_ ? trackBox_.height() : trackBox_.width()) - 4 * Px());
    travel_ = trackLength_ - pointerSize_;
    PaintThumbPicture();
    Compose();
}

void UC_Slider::PaintThumbPicture() {
    const int px = Px();
    const int len = std::max(1, pointerSize_ / px);
    const int thick = std::max(1, (isVertical_ ? trackBox_.width() : trackBox_.height()) - 4);
    thumbPic_.Resize(isVertical_ ? thick : len, isVertical_ ? len : thick);
    PaintThumbFace(thumbPic_);
    auto grip = [&](int at, Color c) {
        if (isVertical_)
            thumbPic_.Line(0, at, thick - 1, at, c);
        else
            thumbPic_.Line(at, 0, at, thick - 1, c);
    };
    const Color shadow = platform::SystemColor(platform::kColorButtonShadow);
    if (centerLined_ == -1)
        grip(pointerSize_ / (2 * px) - 1, shadow);
    else if (!noGrad_) {
        grip(4, shadow);
        grip(len - 6, shadow);
    }
    if (!noGrad_) grip(len - 1, platform::SystemColor(platform::kColor3DDarkShadow));
}

void UC_Slider::DrawArrow(int i, bool pressed) {
    Surface& pic = arrowPic_[i];
    if (pic.IsNull()) return;
    const Surface& src = glyphs_[isVertical_ ? 1 : 0];
    const int gw = isVertical_ ? kGlyphLong : kGlyphShort;
    const int gh = isVertical_ ? kGlyphShort : kGlyphLong;
    const int x = pic.Width() / 2 - gw / 2;
    const int y = pic.Height() / 2 - gh / 2;
    const int glyph = (pressed ? 0 : 2) + i;
    // Repaint the box first so that the previous glyph goes.
    if (noGrad_)
        PaintBackground(pic, 1);
    else
        PaintBackground(pic, isVertical_ ? 6 : 5, thumbColors_[0], thumbColors_[1],
                        thumbColors_[2]);
    const Color dark = platform::SystemColor(platform::kColor3DDarkShadow);
    pic.Line(0, pic.Height() - 1, pic.Width() - 1, pic.Height() - 1, dark);
    pic.Line(pic.Width() - 1, 0, pic.Width() - 1, pic.Height() - 1, dark);
    pic.CopyFrom(x, y, src, glyph * gw, gh, gw, gh, platform::CopyMode::And);
    pic.CopyFrom(x, y, src, glyph * gw, 0, gw, gh, platform::CopyMode::Xor);
}

// ---- value and thumb ------------------------------------------------------------

int32_t UC_Slider::MapValueToPosition(int32_t v) const {
    const int64_t range = int64_t(max_) - min_;
    if (range == 0 || travel_ <= 0) return 0;
    // A value left outside a narrowed range still maps onto the track.
    const double p = std::nearbyint(double(travel_) / double(range) * double(int64_t(v) - min_));
    return int32_t(std::clamp(p, 0.0, double(travel_)));
}

void UC_Slider::SetValue(int32_t v) {
    if (int64_t(max_) - min_ == 0) return;
    if (v > max_) v = max_;
    if (v < min_) v = min_;
    value_ = v;
    DrawThumbAt(float(MapValueToPosition(v)));
}

void UC_Slider::SetPointerSizeTwips(int32_t twips) {
    pointerSize_ = twips;
    travel_ = trackLength_ - pointerSize_;
}

void UC_Slider::SetPointerSize(float pRate) {
    if (pRate >= 1) pRate = 0.95f;
    const int px = Px();
    pointerSize_ = std::max(8 * px, int32_t(std::nearbyint(double(trackLength_) * pRate)));
    Init2();
}

void UC_Slider::Draw(int32_t p) {
    const int64_t range = int64_t(max_) - min_;
    // Without travel every position stands for the start of the range.
    const double raw = travel_ > 0 ? double(range) / travel_ * p + min_ : double(min_);
    const double v = std::nearbyint(raw);
    if (travel_ <= 0) {
        value_ = min_;
        p = 0;
    } else if (v > max_) {
        value_ = max_;
        p = travel_;
    } else if (v < min_) {
        value_ = min_;
        p = 0;
    } else {
        value_ = int32_t(v);
    }
    DrawThumbAt(float(p));
}

void UC_Slider::DrawThumbAt(float p) {
    thumbPos_ = p;
    Compose();
}

void UC_Slider::Compose() {
    if (!initialised_) return;
    canvas_.SetBackColor(platform::SystemColor(platform::kColorButtonFace));
    canvas_.Resize(width(), height());
    for (int i = 0; i < 2; ++i)
        if (!arrowPic_[i].IsNull())
            canvas_.CopyFrom(arrowBox_[i].x(), arrowBox_[i].y(), arrowPic_[i], 0, 0,
                             arrowPic_[i].Width(), arrowPic_[i].Height());
    const QRect inner = trackBox_.adjusted(2, 2, -2, -2);
    canvas_.FillBox(inner.x(), inner.y(), inner.width(), inner.height(),
                    ShiftColor(DefaultColor(1), 0, 0, 0, 0.92));
    const int at = int(std::nearbyint(thumbPos_ / Px()));
    if (isVertical_)
        canvas_.CopyFrom(inner.x(), inner.y() + at, thumbPic_, 0, 0, thumbPic_.Width(),
                         std::min(thumbPic_.Height(), std::max(0, inner.height() - at)));
    else
        canvas_.CopyFrom(inner.x() + at, inner.y(), thumbPic_, 0, 0,
                         std::min(thumbPic_.Width(), std::max(0, inner.width() - at)),
                         thumbPic_.Height());
    canvas_.DrawEdge(trackBox_.left(), trackBox_.top(), trackBox_.right() + 1,
                     trackBox_.bottom() + 1, true);
    update();
}

// ---- mouse ----------------------------------------------------------------------

UC_Slider::Part UC_Slider::PartAt(QPoint pos) const {
    if (arrowBox_[0].contains(pos)) return Part::Arrow0;
    if (arrowBox_[1].contains(pos)) return Part::Arrow1;
    return Part::Track;
}

int32_t UC_Slider::TrackCoordinate(QPoint pos) const {
    const int inside = isVertical_ ? pos.y() - trackBox_.y() - 2 : pos.x() - trackBox_.x() - 2;
    return ToTwips(inside);
}

void UC_Slider::TrackPress(QMouseEvent* e) {
    const int16_t button = MouseButtonCode(e->button());
    if (button == kMouseLeft) {
        const int32_t c = TrackCoordinate(e->position().toPoint());
        const float t = thumbPos_;
        grabOffset_ = (t < c && c < t + pointerSize_) ? c - t : pointerSize_ / 2.0f;
        lastC_ = c;
        Draw(int32_t(std::nearbyint(c - grabOffset_)));
    }
    clicked_ = -1;
    emit MouseUD(true, button);
    if (button == kMouseLeft) emit Scrolled(1);
}

void UC_Slider::ArrowPress(int i) {
    arrowPressed_[i] = true;
    arrowPressed_[1 - i] = false;
    DrawArrow(i, true);
    clicked_ = -1;
    Compose();
    TimerCheck_Timer();
    timer_.start();
}

void UC_Slider::TimerCheck_Timer() {
    if (arrowPressed_[0])
        SetValue(value_ - smallChange_);
    else if (arrowPressed_[1])
        SetValue(value_ + smallChange_);
    emit Scrolled(1);
}

void UC_Slider::mousePressEvent(QMouseEvent* e) {
    if (refuseInput_ == -1 || !initialised_) return;
    pressedPart_ = PartAt(e->position().toPoint());
    if (pressedPart_ == Part::Track) {
        TrackPress(e);
        return;
    }
    if (disabletrim_ == -1 || e->button() != Qt::LeftButton) return;
    ArrowPress(pressedPart_ == Part::Arrow0 ? 0 : 1);
}

void UC_Slider::mouseMoveEvent(QMouseEvent* e) {
    if (refuseInput_ == -1 || pressedPart_ != Part::Track) return;
    if (!(e->buttons() & Qt::LeftButton)) return;
    const int32_t c = TrackCoordinate(e->position().toPoint());
    if (c == lastC_) return;
    lastC_ = c;
    Draw(int32_t(std::nearbyint(c - grabOffset_)));
    emit Scrolled(MouseButtonState(e->buttons()));
}

void UC_Slider::mouseReleaseEvent(QMouseEvent* e) {
    const Part part = pressedPart_;
    if (e->buttons() == Qt::NoButton) pressedPart_ = Part::None;
    if (refuseInput_ == -1) return;
    const int16_t button = MouseButtonCode(e->button());
    if (part == Part::Track) {
        clicked_ = 0;
        emit MouseUD(false, button);
        if (button == kMouseLeft) emit Scrolled(1);
        return;
    }
    if (part == Part::None || disabletrim_ == -1) return;
    if (button == kMouseLeft) {
        const int i = part == Part::Arrow0 ? 0 : 1;
        arrowPressed_[i] = false;
        DrawArrow(i, false);
        timer_.stop();
        clicked_ = 0;
        Compose();
    }
    emit MouseUD(false, button);
}

void UC_Slider::mouseDoubleClickEvent(QMouseEvent* e) {
    if (refuseInput_ == -1 || !initialised_) return;
    pressedPart_ = PartAt(e->position().toPoint());
    if (pressedPart_ == Part::Track) {
        emit DblClicked();
        emit Scrolled(1);
        return;
    }
    if (disabletrim_ == -1 || e->button() != Qt::LeftButton) return;
    ArrowPress(pressedPart_ == Part::Arrow0 ? 0 : 1);
}

// ---- painting -------------------------------------------------------------------

void UC_Slider::paintEvent(QPaintEvent*) {
    ShowCanvas(this, canvas_, platform::SystemColor(platform::kColorButtonFace));
}

void UC_Slider::resizeEvent(QResizeEvent*) {
    if (!initialised_) return;
    Init();
    if (int64_t(max_) - min_ != 0) DrawThumbAt(float(MapValueToPosition(value_)));
}
