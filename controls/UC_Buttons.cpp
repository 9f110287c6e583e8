#include "controls/UC_Buttons.h"

#include "controls/AccessibleEvents.h"

#include "controls/ButtonIcons.h"
#include "controls/ControlFonts.h"
#include "controls/MouseButtons.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

#include <cmath>

namespace {

using platform::SystemColor;

Color StripBackColor() {
    return SystemColor(platform::kColorButtonFace);
}

int FaceStyle(int32_t pDesignType) {
    switch (pDesignType) {
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

// Weakest contrast of pText against the face pixels in rows pTop..pBottom of
// the face's middle column, where captions sit.
double WorstContrastOnFace(Color pText, const Surface& pFace, int pTop, int pBottom) {
    const int x = pFace.Width() / 2;
    double worst = 21;
    for (int y = std::max(0, pTop); y <= std::min(pBottom, pFace.Height() - 1); ++y)
        worst = std::min(worst, ContrastRatio(pText, pFace.Pixel(x, y)));
    return worst;
}

// An enabled caption must read clearly (4.5:1) on the painted face: the
// desktop's button text when it does, else black or white, whichever is stronger.
Color ReadableCaptionColor(const Surface& pFace, int pTop, int pBottom) {
    constexpr double kReadable = 4.5;
    const Color text = SystemColor(platform::kColorButtonText);
    if (WorstContrastOnFace(text, pFace, pTop, pBottom) >= kReadable) return text;
    return WorstContrastOnFace(0x000000, pFace, pTop, pBottom) >=
                   WorstContrastOnFace(0xFFFFFF, pFace, pTop, pBottom)
               ? 0x000000
               : 0xFFFFFF;
}

} // namespace

UC_Buttons::UC_Buttons(QWidget* pParent) : QWidget(pParent), m_Icons(MakeButtonIcons()) {
    SetNumButtons(1);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void UC_Buttons::SetNumButtons(int32_t pN) {
    m_Buttons.assign(size_t(std::max<int32_t>(1, pN)), Button{});
    m_FocusButton = 0;
    m_DefaultButton = -1;
    m_KeyPressedButton = -1;
}

void UC_Buttons::SetButtonToolTip(int32_t pIndex, const QString& pText) {
    if (ValidIndex(pIndex)) m_Buttons[size_t(pIndex)].ToolTip = pText;
}

QString UC_Buttons::ButtonToolTip(int32_t pIndex) const {
    return ValidIndex(pIndex) ? m_Buttons[size_t(pIndex)].ToolTip : QString();
}

void UC_Buttons::SetFocusButton(int32_t pIndex) {
    if (!ValidIndex(pIndex) || pIndex == m_FocusButton) return;
    const int32_t previous = m_FocusButton;
    m_FocusButton = pIndex;
    DrawButton(previous, 0);
    DrawButton(pIndex, 0);
    TellStripFocus(this);
}

void UC_Buttons::SetDefaultButton(int32_t pIndex) {
    m_DefaultButton = ValidIndex(pIndex) ? pIndex : -1;
    if (m_DefaultButton >= 0 && !hasFocus()) SetFocusButton(m_DefaultButton);
}

int32_t UC_Buttons::HeldButton() const {
    if (m_KeyPressedButton >= 0) return m_KeyPressedButton;
    return m_MouseHeld ? m_PressedButton : -1;
}

void UC_Buttons::SetDesignType(int32_t pValue) {
    m_DesignType = pValue;
    if (pValue == 1) SetSelectedColor(0xFFFFFF);
}

void UC_Buttons::SetSelectedColor(Color pC) {
    m_SelectedColor = pC;
    m_DarkSelectedColor = ShiftColor(pC, -70, -70, -70);
}

int32_t UC_Buttons::ButtonLeft(int32_t pI) const {
    return ValidIndex(pI) ? m_Buttons[size_t(pI)].Left : 0;
}

QPoint UC_Buttons::ContentPosition(int32_t pI) const {
    if (!ValidIndex(pI)) return {};
    return {m_Buttons[size_t(pI)].ContentX, m_Buttons[size_t(pI)].ContentY};
}

// ---- captions and icons -------------------------------------------------------

void UC_Buttons::CentreCaption(Button& pB) {
    const int tw = m_Canvas.TextWidth(pB.Caption);
    const int th = m_Canvas.TextHeight(pB.Caption);
    pB.ContentY = int32_t(std::nearbyint(m_ButtonHeight / 2.0 - th / 2.0));
    pB.ContentX = int32_t(std::nearbyint(pB.Left + m_ButtonWidth / 2.0 - tw / 2.0));
}

void UC_Buttons::SetButtonChar(int32_t pIndex, const QString& pValue) {
    if (!ValidIndex(pIndex)) return;
    Button& b = m_Buttons[size_t(pIndex)];
    b.Caption = pValue;
    b.IconNormal = b.IconActive = -1;
    if (m_Initialised) CentreCaption(b);
}

QString UC_Buttons::GetButtonChar(int32_t pIndex) const {
    return ValidIndex(pIndex) ? m_Buttons[size_t(pIndex)].Caption : QString();
}

void UC_Buttons::SetButtonCharNum() {
    for (int32_t i = 0; i < NumButtons(); ++i)
        SetButtonChar(i, QString::number(i + 1));
}

void UC_Buttons::SetPicIndexn(int32_t pIndex, int32_t pValue) {
    if (!ValidIndex(pIndex)) return;
    m_Buttons[size_t(pIndex)].IconNormal = pValue;
    m_Buttons[size_t(pIndex)].Caption.clear();
}

void UC_Buttons::SetPicIndexa(int32_t pIndex, int32_t pValue) {
    if (!ValidIndex(pIndex)) return;
    m_Buttons[size_t(pIndex)].IconActive = pValue;
    m_Buttons[size_t(pIndex)].UsesActive = 1;
    m_Buttons[size_t(pIndex)].Caption.clear();
}

void UC_Buttons::ApplyPreset(const std::vector<std::pair<int, int>>& pIcons, int32_t pUsesActive) {
    SetNumButtons(int32_t(pIcons.size()));
    for (size_t i = 0; i < pIcons.size(); ++i) {
        m_Buttons[i].IconNormal = pIcons[i].first;
        m_Buttons[i].IconActive = pIcons[i].second;
        m_Buttons[i].UsesActive = pUsesActive;
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

void UC_Buttons::SetButtonDisable(int32_t pIndex, int32_t pValue, bool pDraw, int32_t pTemp) {
    if (!ValidIndex(pIndex)) return;
    const bool wasEnabled = IsButtonEnabled(pIndex);
    (pTemp != 0 ? m_Buttons[size_t(pIndex)].TempDisabled : m_Buttons[size_t(pIndex)].Disabled) =
        pValue;
    if (pDraw) DrawButton(pIndex, 0);
    if (wasEnabled == IsButtonEnabled(pIndex)) return;
    TellStripState(this, pIndex);
    // The keys never stay on a button that does nothing.
    if (pIndex == m_FocusButton || pIndex == m_DefaultButton) SettleFocusButton();
}

int32_t UC_Buttons::GetButtonDisable(int32_t pIndex, int32_t pTemp) const {
    if (!ValidIndex(pIndex)) return 0;
    const Button& b = m_Buttons[size_t(pIndex)];
    return pTemp != 0 ? b.TempDisabled : b.Disabled;
}

void UC_Buttons::SetButtonDisableAll(int32_t pValue, int32_t pTemp) {
    for (int32_t i = 0; i < NumButtons(); ++i) {
        SetButtonDisable(i, pValue, false, pTemp);
        if (m_Buttons[size_t(i)].UsesActive == 0) DrawButton(i, 0);
    }
}

bool UC_Buttons::IsButtonEnabled(int32_t pIndex) const {
    if (!ValidIndex(pIndex)) return false;
    const Button& b = m_Buttons[size_t(pIndex)];
    return b.Disabled == 0 && b.TempDisabled == 0;
}

void UC_Buttons::SetButtonOn(int32_t pIndex, int32_t pValue, bool pDraw) {
    if (!ValidIndex(pIndex)) return;
    m_Buttons[size_t(pIndex)].IsOn = pValue;
    if (pDraw) DrawButton(pIndex, 0);
}

int32_t UC_Buttons::GetButtonOn(int32_t pIndex) const {
    return ValidIndex(pIndex) ? m_Buttons[size_t(pIndex)].IsOn : 0;
}

void UC_Buttons::SetSelectedButton(int32_t pIndex) {
    const int32_t previous = m_SelectedButton;
    m_SelectedButton = pIndex;
    DrawButton(previous, 0);
    DrawButton(pIndex, 0);
}

// ---- layout and drawing -------------------------------------------------------------

void UC_Buttons::Init() {
    m_Canvas.SetBackColor(StripBackColor());
    m_Canvas.Resize(width(), height());
    SetSelectedColor(m_SelectedColor);
    m_Canvas.SetFont(ControlFont(this, m_FontSize, m_FontBold, false, m_FontFace));

    const bool anyIcon = std::any_of(m_Buttons.begin(), m_Buttons.end(),
                                     [this](const Button& pB) { return HasIcon(pB); });
    if (anyIcon && !m_IconsTinted) {
        TintButtonIcons(m_Icons, StripBackColor());
        m_IconsTinted = true;
    }

    m_UsedMimi = m_MimiWidth >= 0 ? m_MimiWidth : (m_DesignType == 0 ? 8 : 0);
    const int32_t n = NumButtons();
    m_ButtonWidth = std::max<int32_t>(1, (width() - 2 * m_UsedMimi - 2) / n);
    const int stripWidth = m_ButtonWidth * n + 2 * m_UsedMimi + 2;
    if (stripWidth != width()) {
        resize(stripWidth, height());
        m_Canvas.Resize(width(), height());
    }
    m_ButtonHeight = height();
    for (int32_t i = 0; i < n; ++i)
        m_Buttons[size_t(i)].Left = m_ButtonWidth * i + m_UsedMimi + 1;

    PaintFace();
    if (m_UsedMimi != 0) PaintEnds();
    m_Initialised = true;
    for (Button& b : m_Buttons) {
        if (HasIcon(b)) {
            b.ContentY = m_ButtonHeight / 2 - kIconSize / 2;
            b.ContentX = b.Left + m_ButtonWidth / 2 - kIconSize / 2;
        } else {
            CentreCaption(b);
        }
    }
    for (int32_t i = 0; i < n; ++i)
        DrawButton(i, 0);
}

void UC_Buttons::PaintFace() {
    m_Face.Resize(m_ButtonWidth, m_ButtonHeight);
    PaintBackground(m_Face, FaceStyle(m_DesignType));
}

void UC_Buttons::PaintEnds() {
    m_EndPiece.Resize(m_UsedMimi, m_ButtonHeight);
    PaintBackground(m_EndPiece, 8);
    const int right = m_ButtonWidth * NumButtons() + m_UsedMimi + 1;
    m_Canvas.CopyFrom(0, 0, m_EndPiece, 0, 0, m_UsedMimi, m_ButtonHeight);
    m_Canvas.CopyFrom(right, 0, m_EndPiece, 0, 0, m_UsedMimi, m_ButtonHeight);
    const Color dark = SystemColor(platform::kColor3DDarkShadow);
    m_Canvas.Line(m_UsedMimi, 0, m_UsedMimi, m_ButtonHeight - 1, dark);
    m_Canvas.Line(width() - 1, 0, width() - 1, m_ButtonHeight - 1, dark);
    update();
}

void UC_Buttons::DrawAll() {
    for (int32_t i = 0; i < NumButtons(); ++i)
        DrawButton(i, 0);
}

void UC_Buttons::SetButtonState(int32_t pIndex, int32_t pMode) {
    if (ValidIndex(pIndex)) DrawButton(pIndex, pMode);
}

void UC_Buttons::DrawButton(int32_t pIndex, int32_t pType) {
    if (!ValidIndex(pIndex) || !m_Initialised) return;
    const Button& b = m_Buttons[size_t(pIndex)];
    const int offset = pType == 1 ? 1 : 0;
    const bool hot = pType == 1 || pType == 2;
    m_Canvas.FillBox(b.Left, 0, m_ButtonWidth, m_ButtonHeight, StripBackColor());
    m_Canvas.CopyFrom(b.Left, offset, m_Face, 0, 0, m_ButtonWidth, m_ButtonHeight);
    if (HasIcon(b))
        DrawIcon(b, (b.UsesActive == 1 && hot) ? b.IconActive : b.IconNormal, offset);
    else if (!b.Caption.isEmpty())
        DrawCaption(pIndex, b, hot, offset);
    if (pIndex == m_FocusButton && hasFocus()) DrawFocus(b, offset);
    update();
}

void UC_Buttons::DrawFocus(const Button& pB, int pOffset) {
    constexpr int kInset = 3;
    const QRect inside(pB.Left + kInset, kInset + pOffset, m_ButtonWidth - 2 * kInset,
                       m_ButtonHeight - 2 * kInset);
    DrawFocusMark(m_Canvas, inside, ReadableCaptionColor(m_Face, kInset, m_ButtonHeight - kInset));
}

void UC_Buttons::DrawIcon(const Button& pB, int32_t pIcon, int pOffset) {
    if (pIcon < 0 || pIcon >= kIconCount) return;
    const int sx = pIcon * kIconSize;
    m_Canvas.CopyFrom(pB.ContentX, pB.ContentY + pOffset, m_Icons, sx, kIconSize, kIconSize,
                      kIconSize, platform::CopyMode::And);
    m_Canvas.CopyFrom(pB.ContentX, pB.ContentY + pOffset, m_Icons, sx, 0, kIconSize, kIconSize,
                      platform::CopyMode::Xor);
}

void UC_Buttons::DrawCaption(int32_t pIndex, const Button& pB, bool pHot, int pOffset) {
    const bool disabled = pB.Disabled != 0 || pB.TempDisabled != 0;
    const bool emphasised = pB.IsOn == 1 || pHot || pIndex == m_SelectedButton;
    const Color highlight = SystemColor(platform::kColor3DHighlight);
    const Color dark = SystemColor(platform::kColor3DDarkShadow);
    Color text;
    if (disabled && m_NoGrayAtDisabled == 0)
        text = highlight;
    else if (emphasised)
        text = m_SelectedColor;
    else if (m_Disable3D != 0)
        text = ReadableCaptionColor(m_Face, pB.ContentY,
                                    pB.ContentY + m_Canvas.TextHeight(pB.Caption));
    else
        text = highlight;
    if (m_Disable3D == 0) {
        const Color emboss = disabled ? highlight : emphasised ? m_DarkSelectedColor : dark;
        m_Canvas.Print(pB.ContentX + 1, pB.ContentY + pOffset + 1, pB.Caption, emboss);
    }
    m_Canvas.Print(pB.ContentX, pB.ContentY + pOffset, pB.Caption, text);
}

// ---- mouse --------------------------------------------------------------------------

int32_t UC_Buttons::HitTest(int pX) const {
    const int32_t n = NumButtons();
    if (!m_Initialised || pX < ButtonLeft(0) || pX >= ButtonLeft(n - 1) + m_ButtonWidth) return -1;
    for (int32_t i = 0; i < n; ++i)
        if (pX < ButtonLeft(i) + m_ButtonWidth) return i;
    return -1;
}

void UC_Buttons::PressAt(int pX, Qt::MouseButton pButton) {
    m_PressedX = pX;
    m_PressedButton = HitTest(pX);
    if (!IsButtonEnabled(m_PressedButton) || pButton != Qt::LeftButton) return;
    m_MouseHeld = true;
    DrawButton(m_PressedButton, 1);
    TellStripState(this, m_PressedButton);
    emit ButtonDown(m_PressedButton);
}

void UC_Buttons::mousePressEvent(QMouseEvent* pEvent) {
    PressAt(pEvent->position().toPoint().x(), pEvent->button());
}

void UC_Buttons::mouseDoubleClickEvent(QMouseEvent*) {
    PressAt(m_PressedX, Qt::LeftButton);
}

void UC_Buttons::mouseReleaseEvent(QMouseEvent* pEvent) {
    const int32_t i = m_PressedButton;
    if (pEvent->button() == Qt::LeftButton) m_MouseHeld = false;
    if (!IsButtonEnabled(i)) return;
    const QPoint p = pEvent->position().toPoint();
    const int left = ButtonLeft(i);
    if (p.x() < left || p.x() > left + m_ButtonWidth || p.y() < 0 || p.y() > m_ButtonHeight) return;
    if (pEvent->button() == Qt::LeftButton) {
        DrawButton(i, 0);
        const int16_t shift = ShiftState(pEvent->modifiers());
        if (shift != 0)
            emit ShiftClicked(i, shift);
        else
            emit ButtonClicked(i);
    } else if (pEvent->button() == Qt::RightButton) {
        emit RightClicked(i);
    }
    m_PressedButton = -1;
}

void UC_Buttons::HoverAt(int32_t pIndex) {
    if (pIndex == m_HoverButton) return;
    m_HoverButton = pIndex;
    emit Hover(pIndex);
}

void UC_Buttons::mouseMoveEvent(QMouseEvent* pEvent) {
    HoverAt(HitTest(pEvent->position().toPoint().x()));
}

// Leaving the strip is leaving every button.
void UC_Buttons::leaveEvent(QEvent*) {
    HoverAt(-1);
}

// ---- keys ---------------------------------------------------------------------------

int32_t UC_Buttons::NextEnabled(int32_t pFrom, int pStep) const {
    for (int32_t i = pFrom + pStep; ValidIndex(i); i += pStep)
        if (IsButtonEnabled(i)) return i;
    return -1;
}

void UC_Buttons::SettleFocusButton() {
    if (IsButtonEnabled(m_FocusButton) &&
        (m_FocusButton == m_DefaultButton || !IsButtonEnabled(m_DefaultButton) || hasFocus()))
        return;
    const int32_t first = IsButtonEnabled(m_DefaultButton) ? m_DefaultButton : NextEnabled(-1, 1);
    if (first >= 0) SetFocusButton(first);
}

bool UC_Buttons::IsPressKey(int pKey) {
    return pKey == Qt::Key_Space || pKey == Qt::Key_Return || pKey == Qt::Key_Enter;
}

void UC_Buttons::keyPressEvent(QKeyEvent* pEvent) {
    const int key = pEvent->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (m_KeyPressedButton < 0) {
            const int32_t next = NextEnabled(m_FocusButton, key == Qt::Key_Left ? -1 : 1);
            if (next >= 0) SetFocusButton(next);
        }
        return;
    }
    if (!IsPressKey(key)) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    if (pEvent->isAutoRepeat() || m_KeyPressedButton >= 0) return;
    SettleFocusButton();
    if (!IsButtonEnabled(m_FocusButton)) return;
    m_KeyPressedButton = m_FocusButton;
    m_PressKey = key;
    DrawButton(m_KeyPressedButton, 1);
    TellStripState(this, m_KeyPressedButton);
    emit ButtonDown(m_KeyPressedButton);
}

// The click comes when the key goes up, as it does with the mouse button.
void UC_Buttons::keyReleaseEvent(QKeyEvent* pEvent) {
    if (pEvent->isAutoRepeat() || pEvent->key() != m_PressKey || m_KeyPressedButton < 0) {
        QWidget::keyReleaseEvent(pEvent);
        return;
    }
    const int32_t i = m_KeyPressedButton;
    m_KeyPressedButton = -1;
    DrawButton(i, 0);
    if (IsButtonEnabled(i)) emit ButtonClicked(i);
}

void UC_Buttons::focusInEvent(QFocusEvent*) {
    SettleFocusButton();
    DrawButton(m_FocusButton, 0);
    TellStripFocus(this);
}

// A key held while the focus leaves presses nothing.
void UC_Buttons::focusOutEvent(QFocusEvent*) {
    m_KeyPressedButton = -1;
    DrawButton(m_FocusButton, 0);
}

// Over a button with a tooltip of its own that tooltip shows, else the strip's.
bool UC_Buttons::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(pEvent);
        const int32_t i = HitTest(help->pos().x());
        const QString text = ButtonToolTip(i);
        if (!text.isEmpty()) {
            QToolTip::showText(help->globalPos(), text, this,
                               QRect(ButtonLeft(i), 0, m_ButtonWidth, m_ButtonHeight));
            return true;
        }
    }
    return QWidget::event(pEvent);
}

void UC_Buttons::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, StripBackColor());
}
