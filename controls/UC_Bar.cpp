#include "controls/UC_Bar.h"

#include "controls/ControlFonts.h"

#include <QMouseEvent>

#include <cmath>

namespace {
using platform::SystemColor;
} // namespace

UC_Bar::UC_Bar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas_.SetFont(ControlFont(nullptr, 9, false));
}

void UC_Bar::SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor) {
    canvas_.SetFont(ControlFont(this, pSize, pBold, false, pName));
    textColor_ = pForeColor;
    if (initialised_) Redraw();
}

void UC_Bar::SetTextToDisp(const QString& t) {
    text_ = t;
    if (initialised_) Redraw();
}

void UC_Bar::Init() {
    max_ = 1000;
    const int px = Px();
    barLength_ = ToTwips(width()) - 4 * px;
    canvas_.SetBackColor(SystemColor(platform::kColorButtonFace));
    canvas_.Resize(width(), height());
    // The looks cover everything inside the control's one-pixel margin.
    const int w = std::max(1, width() - 2), half = std::max(1, height() - 2);
    const Color shadow = SystemColor(platform::kColorButtonShadow);
    Surface filled(w, half), empty(w, half);
    PaintBackground(filled, 5, shadow, SystemColor(platform::kColor3DHighlight), shadow);
    filled.Line(w - 1, 0, w - 1, half - 1, ShiftColor(shadow, -80, -80, -80));
    PaintBackground(empty, 2, ShiftColor(shadow, 20, 20, 20), ShiftColor(shadow, -40, -40, -40));
    looks_.Resize(w, half * 2);
    looks_.CopyFrom(0, 0, empty, 0, 0, w, half);
    looks_.CopyFrom(0, half, filled, 0, 0, w, half);
    initialised_ = true;
    DrawFill(0);
}

void UC_Bar::SetValue(int32_t v) {
    if (clicked_ == -1) return;
    if (v > max_) v = max_;
    if (v < 0) v = 0;
    value_ = v;
    const int px = Px();
    const int32_t x =
        max_ > 0 ? int32_t(std::nearbyint(double(barLength_) * v / max_ + 2 * px)) : 2 * px;
    DrawFill(v == 0 ? 0 : x);
}

void UC_Bar::DrawFill(int32_t x) {
    if (!initialised_) return;
    const int px = Px();
    const bool none = x <= 0;
    x = std::clamp(x, 2 * px, ToTwips(looks_.Width()) + 2 * px);
    fillEnd_ = none ? 0 : x;
    canvas_.Clear();
    const int half = looks_.Height() / 2;
    canvas_.CopyFrom(1, 1, looks_, 0, 0, looks_.Width(), half);
    const int piece = none ? 0 : std::min(looks_.Width(), x / px - 1);
    if (piece > 0) canvas_.CopyFrom(1, 1, looks_, looks_.Width() - piece, half, piece, half);
    canvas_.DrawEdge(0, 0, width(), height(), true);
    DrawText();
    update();
}

void UC_Bar::DrawText() {
    if (text_.isEmpty()) return;
    const int px = Px();
    const int tw = canvas_.TextWidth(text_) * px;
    const int th = canvas_.TextHeight(QStringLiteral("I")) * px;
    const int x = std::max(2 * px, (ToTwips(width()) - 2 * px - tw) / 2);
    const int y = std::max(2 * px, (ToTwips(height()) - 2 * px - th) / 2);
    canvas_.Print(x / px, y / px, text_, textColor_);
}

// Draws the fill to pixel x and takes the value there.
void UC_Bar::FollowPointer(int x) {
    const int px = Px();
    const int32_t xt = ToTwips(x);
    DrawFill(xt);
    const double v = barLength_ > 0 ? std::nearbyint(double(xt - 2 * px) / barLength_ * max_) : 0;
    value_ = int32_t(std::clamp<double>(v, 0, std::max(0, max_)));
}

void UC_Bar::mousePressEvent(QMouseEvent* e) {
    if (locked_ != 0) return;
    if (e->button() == Qt::LeftButton) {
        lastX_ = e->position().toPoint().x();
        FollowPointer(lastX_);
        clicked_ = -1;
        emit MouseUD(true);
    } else if (e->button() == Qt::RightButton) {
        emit RightClicked(true);
    }
}

void UC_Bar::mouseMoveEvent(QMouseEvent* e) {
    if (locked_ != 0 || !(e->buttons() & Qt::LeftButton)) return;
    const int x = e->position().toPoint().x();
    if (x == lastX_) return;
    lastX_ = x;
    FollowPointer(x);
    emit Scrolled();
}

void UC_Bar::mouseReleaseEvent(QMouseEvent* e) {
    if (locked_ != 0) return;
    if (e->button() == Qt::LeftButton) {
        FollowPointer(e->position().toPoint().x());
        clicked_ = 0;
        emit MouseUD(false);
    } else {
        emit RightClicked(false);
    }
}

void UC_Bar::paintEvent(QPaintEvent*) {
    ShowCanvas(this, canvas_, SystemColor(platform::kColorButtonFace));
}

void UC_Bar::resizeEvent(QResizeEvent*) {
    if (!initialised_) return;
    const int32_t max = max_, value = value_;
    Init();
    max_ = max;
    SetValue(value);
}
