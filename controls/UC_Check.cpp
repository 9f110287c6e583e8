#include "controls/UC_Check.h"

#include "controls/ControlFonts.h"

#include <QMouseEvent>

namespace {

using platform::SystemColor;

constexpr int kBox = 240; // twips

} // namespace

UC_Check::UC_Check(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UC_Check::SetEnabled(int32_t v) {
    enabled_ = v;
    Draw();
}

void UC_Check::SetCaption(const QString& v) {
    caption_ = v;
    Layout();
    Draw();
}

void UC_Check::SetValue(int32_t v) {
    value_ = v;
    Draw();
}

void UC_Check::SetGradhdc(std::shared_ptr<Surface> v) {
    if (v) boxImage_ = std::move(v);
}

void UC_Check::SetBGPic(int32_t pX, int32_t pY, const Surface* pObj) {
    bgX_ = pX;
    bgY_ = pY;
    bgSource_ = pObj;
}

void UC_Check::Layout() {
    const int px = Px();
    canvas_.SetFont(ControlFont(this, fontSize_, false));
    canvas_.SetBackColor(SystemColor(platform::kColorButtonFace));
    const int captionWidth = caption_.isEmpty() ? kBox : canvas_.TextWidth(caption_) * px;
    const int w = kBox + 4 * px + captionWidth;
    const int h = std::max(kBox, ToTwips(height()));
    resize(ToPx(w), ToPx(h));
    boxTop_ = (h - kBox) / (2 * px);
    captionY_ = (h - canvas_.TextHeight(QStringLiteral("|")) * px) / 2;
    if (!boxImage_) MakeBoxImage();
    laidOut_ = true;
}

void UC_Check::MakeBoxImage() {
    const int n = ToPx(kBox);
    auto box = std::make_shared<Surface>(n, n);
    const Color shadow = SystemColor(platform::kColorButtonShadow);
    const Color highlight = SystemColor(platform::kColor3DHighlight);
    PaintBackground(*box, 5, shadow, SystemColor(platform::kColorButtonFace), highlight);
    box->Line(0, 0, n - 1, 0, shadow);
    box->Line(0, 0, 0, n - 1, shadow);
    box->Line(0, n - 1, n - 1, n - 1, highlight);
    box->Line(n - 1, 0, n - 1, n - 1, highlight);
    boxImage_ = std::move(box);
}

void UC_Check::Draw() {
    if (!laidOut_) Layout();
    const int px = Px();
    canvas_.Resize(width(), height());
    if (bgSource_ != nullptr)
        canvas_.CopyFrom(0, 0, *bgSource_, bgX_ / px, bgY_ / px, width(), height());
    const Color text =
        SystemColor(enabled_ != 0 ? platform::kColorButtonText : platform::kColorButtonShadow);
    canvas_.Print((kBox + 4 * px) / px, captionY_ / px, caption_, text);
    canvas_.CopyFrom(0, boxTop_, *boxImage_, 0, 0, boxImage_->Width(), boxImage_->Height());
    if (value_ != 0) DrawMark();
    update();
}

void UC_Check::DrawMark() {
    const int px = Px();
    const Color mark =
        SystemColor(enabled_ != 0 ? platform::kColorButtonText : platform::kColorButtonShadow);
    if (isOption_ != 0) {
        canvas_.Circle(105 / px, boxTop_ + 105 / px, 60 / px, mark, true);
        return;
    }
    const int pts[5][2] = {{45, 105}, {105, 165}, {180, 45}, {90, 135}, {45, 105}};
    std::vector<QPoint> line;
    for (const auto& p : pts)
        line.emplace_back(p[0] / px, boxTop_ + p[1] / px);
    canvas_.Polyline(line, mark);
}

void UC_Check::mouseReleaseEvent(QMouseEvent* e) {
    if (enabled_ == 0 || !rect().contains(e->position().toPoint())) return;
    if (isOption_ == 0)
        value_ = value_ != 0 ? 0 : 1;
    else
        value_ = 1;
    Draw();
    emit Click();
}

void UC_Check::paintEvent(QPaintEvent*) {
    ShowCanvas(this, canvas_, SystemColor(platform::kColorButtonFace));
}

void UC_Check::resizeEvent(QResizeEvent*) {
    if (laidOut_) Draw();
}
