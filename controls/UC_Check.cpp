#include "controls/UC_Check.h"

#include "controls/ControlFonts.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

using platform::SystemColor;

constexpr int kBox = 240; // twips

} // namespace

UC_Check::UC_Check(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void UC_Check::SetEnabled(int32_t pValue) {
    m_Enabled = pValue;
    setEnabled(pValue != 0);
    Draw();
}

void UC_Check::SetCaption(const QString& pValue) {
    m_Caption = pValue;
    Layout();
    Draw();
}

void UC_Check::SetValue(int32_t pValue) {
    m_Value = pValue;
    Draw();
}

void UC_Check::SetGradhdc(std::shared_ptr<Surface> pValue) {
    if (pValue) m_BoxImage = std::move(pValue);
}

void UC_Check::SetBGPic(int32_t pX, int32_t pY, const Surface* pObj) {
    m_BgX = pX;
    m_BgY = pY;
    m_BgSource = pObj;
}

void UC_Check::Layout() {
    const int px = Px();
    m_Canvas.SetFont(ControlFont(this, m_FontSize, false));
    m_Canvas.SetBackColor(SystemColor(platform::kColorButtonFace));
    const int captionWidth = m_Caption.isEmpty() ? kBox : m_Canvas.TextWidth(m_Caption) * px;
    // Room right of the caption for the focus mark, which must not cover its last letter.
    const int w = kBox + 4 * px + captionWidth + (m_Caption.isEmpty() ? 0 : 3 * px);
    const int h = std::max(kBox, ToTwips(height()));
    resize(ToPx(w), ToPx(h));
    m_BoxTop = (h - kBox) / (2 * px);
    m_CaptionY = (h - m_Canvas.TextHeight(QStringLiteral("|")) * px) / 2;
    if (!m_BoxImage) MakeBoxImage();
    m_LaidOut = true;
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
    m_BoxImage = std::move(box);
}

void UC_Check::Draw() {
    if (!m_LaidOut) Layout();
    const int px = Px();
    m_Canvas.Resize(width(), height());
    if (m_BgSource != nullptr)
        m_Canvas.CopyFrom(0, 0, *m_BgSource, m_BgX / px, m_BgY / px, width(), height());
    const Color text =
        SystemColor(m_Enabled != 0 ? platform::kColorButtonText : platform::kColorButtonShadow);
    m_Canvas.Print((kBox + 4 * px) / px, m_CaptionY / px, m_Caption, text);
    m_Canvas.CopyFrom(0, m_BoxTop, *m_BoxImage, 0, 0, m_BoxImage->Width(), m_BoxImage->Height());
    if (m_Value != 0) DrawMark();
    if (hasFocus()) DrawFocus();
    update();
}

void UC_Check::DrawFocus() {
    const int px = Px();
    QRect around(0, m_BoxTop, m_BoxImage->Width(), m_BoxImage->Height());
    if (!m_Caption.isEmpty())
        around = QRect((kBox + 4 * px) / px - 2, m_CaptionY / px - 1,
                       m_Canvas.TextWidth(m_Caption) + 4, m_Canvas.TextHeight(m_Caption) + 2);
    DrawFocusMark(m_Canvas, around, SystemColor(platform::kColorButtonText));
}

void UC_Check::DrawMark() {
    const int px = Px();
    const Color mark =
        SystemColor(m_Enabled != 0 ? platform::kColorButtonText : platform::kColorButtonShadow);
    if (m_IsOption != 0) {
        m_Canvas.Circle(105 / px, m_BoxTop + 105 / px, 60 / px, mark, true);
        return;
    }
    const int pts[5][2] = {{45, 105}, {105, 165}, {180, 45}, {90, 135}, {45, 105}};
    std::vector<QPoint> line;
    for (const auto& p : pts)
        line.emplace_back(p[0] / px, m_BoxTop + p[1] / px);
    m_Canvas.Polyline(line, mark);
}

void UC_Check::Activate() {
    if (m_Enabled == 0) return;
    if (m_IsOption == 0)
        m_Value = m_Value != 0 ? 0 : 1;
    else
        m_Value = 1;
    Draw();
    emit Click();
}

void UC_Check::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (rect().contains(pEvent->position().toPoint())) Activate();
}

void UC_Check::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() != Qt::Key_Space || pEvent->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    if (!pEvent->isAutoRepeat()) Activate();
}

void UC_Check::focusInEvent(QFocusEvent*) {
    if (m_LaidOut) Draw();
}

void UC_Check::focusOutEvent(QFocusEvent*) {
    if (m_LaidOut) Draw();
}

void UC_Check::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, SystemColor(platform::kColorButtonFace));
}

void UC_Check::resizeEvent(QResizeEvent*) {
    if (m_LaidOut) Draw();
}
