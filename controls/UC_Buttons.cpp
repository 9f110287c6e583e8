#include "controls/UC_Buttons.h"

#include "controls/ButtonIcons.h"
#include "controls/ControlFonts.h"
#include "controls/MouseButtons.h"

#include <QMouseEvent>

#include <cmath>

namespace {

using platform::SystemColor;

Color StripBackColor() {
    return SystemColor(platform::kColorButtonFace);
}

int FaceStyle(int32_t designType) {
    switch (designType) {
    case 0:
        return 7;
    case 1:
        return 12;
    case 2:
        return 13;
    case 3:
        return 14;
    default:
        return 15;
    }
}

} // namespace

UC_Buttons::UC_Buttons(QWidget* parent) : QWidget(parent), icons_(MakeButtonIcons()) {
    SetNumButtons(1);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UC_Buttons::SetNumButtons(int32_t n) {
    buttons_.assign(size_t(std::max<int32_t>(1, n)), Button{});
}

void UC_Buttons::SetDesignType(int32_t v) {
    designType_ = v;
    if (v == 1) SetSelectedColor(0xFFFFFF);
}

void UC_Buttons::SetSelectedColor(Color c) {
    selectedColor_ = c;
    darkSelectedColor_ = ShiftColor(c, -70, -70, -70);
}

int32_t UC_Buttons::ButtonLeft(int32_t i) const {
    return ValidIndex(i) ? buttons_[size_t(i)].left : 0;
}

QPoint UC_Buttons::ContentPosition(int32_t i) const {
    if (!ValidIndex(i)) return {};
    return {buttons_[size_t(i)].contentX, buttons_[size_t(i)].contentY};
}

// ---- captions and icons -------------------------------------------------------

void UC_Buttons::CentreCaption(Button& b) {
    const int tw = canvas_.TextWidth(b.caption);
    const int th = canvas_.TextHeight(b.caption);
    b.contentY = int32_t(std::nearbyint(buttonHeight_ / 2.0 - th / 2.0));
    b.contentX = int32_t(std::nearbyint(b.left + buttonWidth_ / 2.0 - tw / 2.0));
}

void UC_Buttons::SetButtonChar(int32_t pIndex, const QString& pValue) {
    if (!ValidIndex(pIndex)) return;
    Button& b = buttons_[size_t(pIndex)];
    b.caption = pValue;
    b.iconNormal = b.iconActive = -1;
    if (initialised_) CentreCaption(b);
}

QString UC_Buttons::GetButtonChar(int32_t pIndex) const {
    return ValidIndex(pIndex) ? buttons_[size_t(pIndex)].caption : QString();
}

void UC_Buttons::SetButtonCharNum() {
    for (int32_t i = 0; i < NumButtons(); ++i)
        SetButtonChar(i, QString::number(i + 1));
}

void UC_Buttons::SetPicIndexn(int32_t pIndex, int32_t pValue) {
    if (!ValidIndex(pIndex)) return;
    buttons_[size_t(pIndex)].iconNormal = pValue;
    buttons_[size_t(pIndex)].caption.clear();
}

void UC_Buttons::SetPicIndexa(int32_t pIndex, int32_t pValue) {
    if (!ValidIndex(pIndex)) return;
    buttons_[size_t(pIndex)].iconActive = pValue;
    buttons_[size_t(pIndex)].usesActive = 1;
    buttons_[size_t(pIndex)].caption.clear();
}

void UC_Buttons::ApplyPreset(const std::vector<std::pair<int, int>>& icons, int32_t usesActive) {
    SetNumButtons(int32_t(icons.size()));
    for (size_t i = 0; i < icons.size(); ++i) {
        buttons_[i].iconNormal = icons[i].first;
        buttons_[i].iconActive = icons[i].second;
        buttons_[i].usesActive = usesActive;
    }
}

void UC_Buttons::SetButtonsMCI() {
    ApplyPreset({{1, 9}, {2, 10}, {3, 11}}, 1);
}
void UC_Buttons::SetButtonsPCXplay() {
    ApplyPreset({{15, 18}, {16, 19}, {1, 9}, {3, 11}, {17, 20}}, 1);
}
void UC_Buttons::SetButtonsEditorCtrl() {
    ApplyPreset({{4, 4}, {5, 5}, {6, 6}, {7, 7}}, 0);
}
void UC_Buttons::SetButtonsEditorPlay() {
    ApplyPreset({{0, 8}, {1, 9}, {2, 10}, {3, 11}}, 1);
}

void UC_Buttons::SetOKCancel(int32_t pOKIsZero, int32_t pNoSize, int32_t pType) {
    SetNumButtons(2);
    SetButtonChar(pOKIsZero != 0 ? 0 : 1, QStringLiteral("OK"));
    SetButtonChar(pOKIsZero != 0 ? 1 : 0, QStringLiteral("Cancel"));
    SetDesignType(pType);
    if (pNoSize == 0) resize(ToPx(1950), ToPx(330));
    Init();
}

// ---- states --------------------------------------------------------------------

void UC_Buttons::SetButtonDisable(int32_t index, int32_t pValue, bool pDraw, int32_t pTemp) {
    if (!ValidIndex(index)) return;
    (pTemp != 0 ? buttons_[size_t(index)].tempDisabled : buttons_[size_t(index)].disabled) = pValue;
    if (pDraw) DrawButton(index, 0);
}

int32_t UC_Buttons::GetButtonDisable(int32_t pIndex, int32_t pTemp) const {
    if (!ValidIndex(pIndex)) return 0;
    const Button& b = buttons_[size_t(pIndex)];
    return pTemp != 0 ? b.tempDisabled : b.disabled;
}

void UC_Buttons::SetButtonDisableAll(int32_t pValue, int32_t pTemp) {
    for (int32_t i = 0; i < NumButtons(); ++i) {
        SetButtonDisable(i, pValue, false, pTemp);
        if (buttons_[size_t(i)].usesActive == 0) DrawButton(i, 0);
    }
}

bool UC_Buttons::IsButtonEnabled(int32_t index) const {
    if (!ValidIndex(index)) return false;
    const Button& b = buttons_[size_t(index)];
    return b.disabled == 0 && b.tempDisabled == 0;
}

void UC_Buttons::SetButtonOn(int32_t index, int32_t pValue, bool pDraw) {
    if (!ValidIndex(index)) return;
    buttons_[size_t(index)].on = pValue;
    if (pDraw) DrawButton(index, 0);
}

int32_t UC_Buttons::GetButtonOn(int32_t pIndex) const {
    return ValidIndex(pIndex) ? buttons_[size_t(pIndex)].on : 0;
}

void UC_Buttons::SetSelectedButton(int32_t index) {
    const int32_t previous = selectedButton_;
    selectedButton_ = index;
    DrawButton(previous, 0);
    DrawButton(index, 0);
}

// ---- layout and drawing -------------------------------------------------------------

void UC_Buttons::Init() {
    canvas_.SetBackColor(StripBackColor());
    canvas_.Resize(width(), height());
    SetSelectedColor(selectedColor_);
    canvas_.SetFont(ControlFont(this, fontSize_, fontBold_, false, fontFace_));

    const bool anyIcon = std::any_of(buttons_.begin(), buttons_.end(),
                                     [this](const Button& b) { return HasIcon(b); });
    if (anyIcon && !iconsTinted_) {
        TintButtonIcons(icons_, StripBackColor());
        iconsTinted_ = true;
    }

    usedMimi_ = mimiWidth_ >= 0 ? mimiWidth_ : (designType_ == 0 ? 8 : 0);
    const int32_t n = NumButtons();
    buttonWidth_ = std::max<int32_t>(1, (width() - 2 * usedMimi_ - 2) / n);
    const int stripWidth = buttonWidth_ * n + 2 * usedMimi_ + 2;
    if (stripWidth != width()) {
        resize(stripWidth, height());
        canvas_.Resize(width(), height());
    }
    buttonHeight_ = height();
    for (int32_t i = 0; i < n; ++i)
        buttons_[size_t(i)].left = buttonWidth_ * i + usedMimi_ + 1;

    PaintFace();
    if (usedMimi_ != 0) PaintEnds();
    initialised_ = true;
    for (Button& b : buttons_) {
        if (HasIcon(b)) {
            b.contentY = buttonHeight_ / 2 - kIconSize / 2;
            b.contentX = b.left + buttonWidth_ / 2 - kIconSize / 2;
        } else {
            CentreCaption(b);
        }
    }
    for (int32_t i = 0; i < n; ++i)
        DrawButton(i, 0);
}

void UC_Buttons::PaintFace() {
    face_.Resize(buttonWidth_, buttonHeight_);
    PaintBackground(face_, FaceStyle(designType_));
}

void UC_Buttons::PaintEnds() {
    endPiece_.Resize(usedMimi_, buttonHeight_);
    PaintBackground(endPiece_, 8);
    const int right = buttonWidth_ * NumButtons() + usedMimi_ + 1;
    canvas_.CopyFrom(0, 0, endPiece_, 0, 0, usedMimi_, buttonHeight_);
    canvas_.CopyFrom(right, 0, endPiece_, 0, 0, usedMimi_, buttonHeight_);
    const Color dark = SystemColor(platform::kColor3DDarkShadow);
    canvas_.Line(usedMimi_, 0, usedMimi_, buttonHeight_ - 1, dark);
    canvas_.Line(width() - 1, 0, width() - 1, buttonHeight_ - 1, dark);
    update();
}

void UC_Buttons::DrawAll() {
    for (int32_t i = 0; i < NumButtons(); ++i)
        DrawButton(i, 0);
}

void UC_Buttons::SetButtonState(int32_t index, int32_t pMode) {
    if (ValidIndex(index)) DrawButton(index, pMode);
}

void UC_Buttons::DrawButton(int32_t pIndex, int32_t pType) {
    if (!ValidIndex(pIndex) || !initialised_) return;
    const Button& b = buttons_[size_t(pIndex)];
    const int offset = pType == 1 ? 1 : 0;
    const bool hot = pType == 1 || pType == 2;
    canvas_.FillBox(b.left, 0, buttonWidth_, buttonHeight_, StripBackColor());
    canvas_.CopyFrom(b.left, offset, face_, 0, 0, buttonWidth_, buttonHeight_);
    if (HasIcon(b))
        DrawIcon(b, (b.usesActive == 1 && hot) ? b.iconActive : b.iconNormal, offset);
    else if (!b.caption.isEmpty())
        DrawCaption(pIndex, b, hot, offset);
    update();
}

void UC_Buttons::DrawIcon(const Button& b, int32_t icon, int offset) {
    if (icon < 0 || icon >= kIconCount) return;
    const int sx = icon * kIconSize;
    canvas_.CopyFrom(b.contentX, b.contentY + offset, icons_, sx, kIconSize, kIconSize, kIconSize,
                     platform::CopyMode::And);
    canvas_.CopyFrom(b.contentX, b.contentY + offset, icons_, sx, 0, kIconSize, kIconSize,
                     platform::CopyMode::Xor);
}

void UC_Buttons::DrawCaption(int32_t index, const Button& b, bool hot, int offset) {
    const bool disabled = b.disabled != 0 || b.tempDisabled != 0;
    const bool emphasised = b.on == 1 || hot || index == selectedButton_;
    const Color highlight = SystemColor(platform::kColor3DHighlight);
    const Color dark = SystemColor(platform::kColor3DDarkShadow);
    Color text;
    if (disabled && noGrayAtDisabled_ == 0)
        text = highlight;
    else if (emphasised)
        text = selectedColor_;
    else
        text = disable3D_ != 0 ? dark : highlight;
    if (disable3D_ == 0) {
        const Color emboss = disabled ? highlight : emphasised ? darkSelectedColor_ : dark;
        canvas_.Print(b.contentX + 1, b.contentY + offset + 1, b.caption, emboss);
    }
    canvas_.Print(b.contentX, b.contentY + offset, b.caption, text);
}

// ---- mouse --------------------------------------------------------------------------

int32_t UC_Buttons::HitTest(int x) const {
    const int32_t n = NumButtons();
    if (!initialised_ || x < ButtonLeft(0) || x >= ButtonLeft(n - 1) + buttonWidth_) return -1;
    for (int32_t i = 0; i < n; ++i)
        if (x < ButtonLeft(i) + buttonWidth_) return i;
    return -1;
}

void UC_Buttons::PressAt(int x, Qt::MouseButton button) {
    pressedX_ = x;
    pressedButton_ = HitTest(x);
    if (!IsButtonEnabled(pressedButton_) || button != Qt::LeftButton) return;
    DrawButton(pressedButton_, 1);
    emit ButtonDown(pressedButton_);
}

void UC_Buttons::mousePressEvent(QMouseEvent* e) {
    PressAt(e->position().toPoint().x(), e->button());
}

void UC_Buttons::mouseDoubleClickEvent(QMouseEvent*) {
    PressAt(pressedX_, Qt::LeftButton);
}

void UC_Buttons::mouseReleaseEvent(QMouseEvent* e) {
    const int32_t i = pressedButton_;
    if (!IsButtonEnabled(i)) return;
    const QPoint p = e->position().toPoint();
    const int left = ButtonLeft(i);
    if (p.x() < left || p.x() > left + buttonWidth_ || p.y() < 0 || p.y() > buttonHeight_) return;
    if (e->button() == Qt::LeftButton) {
        DrawButton(i, 0);
        const int16_t shift = ShiftState(e->modifiers());
        if (shift != 0)
            emit ShiftClicked(i, shift);
        else
            emit ButtonClicked(i);
    } else if (e->button() == Qt::RightButton) {
        emit RightClicked(i);
    }
    pressedButton_ = -1;
}

void UC_Buttons::HoverAt(int32_t index) {
    if (index == hoverButton_) return;
    hoverButton_ = index;
    emit Hover(index);
}

void UC_Buttons::mouseMoveEvent(QMouseEvent* e) {
    HoverAt(HitTest(e->position().toPoint().x()));
}

// Leaving the strip is leaving every button.
void UC_Buttons::leaveEvent(QEvent*) {
    HoverAt(-1);
}

void UC_Buttons::paintEvent(QPaintEvent*) {
    ShowCanvas(this, canvas_, StripBackColor());
}
