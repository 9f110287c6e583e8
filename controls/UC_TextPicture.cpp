#include "controls/UC_TextPicture.h"

#include "controls/ControlFonts.h"
#include "controls/MouseButtons.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <cmath>

namespace {

struct StdColorSet {
    Color Font, C1, C2, C3;
};

constexpr StdColorSet kStdColorSets[] = {{0x909090, 0, 0x686868, 0}, {0xD0B0B0, 0, 0x886868, 0},
                                         {0xB0B0D0, 0, 0x686888, 0}, {0xB0D0B0, 0, 0x688868, 0},
                                         {0xC0C0C0, 0, 0x686868, 0}, {0x90B0E0, 0, 0x4878A8, 0}};

// How far a disabled display is washed towards the button face.
constexpr double kDisabledFade = 0.6;

} // namespace

UC_TextPicture::UC_TextPicture(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
}

void UC_TextPicture::ResetMe() {
    m_Spaces.clear();
    m_Sets.clear();
    m_DesignType = 0;
    m_CurrentSet = 0;
    m_SetBackgrounds = Surface();
}

void UC_TextPicture::AddTextSpace(float pSize, bool pBold, bool pItalic, const QString& pFace,
                                  int32_t pLeft, int32_t pTop) {
    TextSpace space;
    space.Font = CachedFontIndex(pSize, pBold, pItalic, pFace);
    space.Left = pLeft;
    space.Top = pTop;
    if (pTop == -1) {
        Surface probe(1, 1);
        probe.SetFont(CachedFont(space.Font));
        const double th = probe.TextHeight(QStringLiteral("I")) * Px();
        space.Top = std::max(0, int32_t(std::nearbyint((ToTwips(height()) - th) / 2)));
    }
    m_Spaces.push_back(space);
}

void UC_TextPicture::DispMes(int32_t pIndex, const QString& pStr, bool DontDraw) {
    if (!ValidSpace(pIndex) || m_Spaces[size_t(pIndex)].Text == pStr) return;
    m_Spaces[size_t(pIndex)].Text = pStr;
    if (!DontDraw) Draw(-1);
}

QString UC_TextPicture::TextMes(int32_t pIndex) const {
    return ValidSpace(pIndex) ? m_Spaces[size_t(pIndex)].Text : QString();
}

QPoint UC_TextPicture::TextSpacePosition(int32_t pIndex) const {
    if (!ValidSpace(pIndex)) return {};
    return {m_Spaces[size_t(pIndex)].Left, m_Spaces[size_t(pIndex)].Top};
}

int32_t UC_TextPicture::UseClick(int32_t pIndex) const {
    return ValidSpace(pIndex) ? m_Spaces[size_t(pIndex)].UseClick : 0;
}

void UC_TextPicture::SetUseClick(int32_t pIndex, int32_t pValue) {
    if (ValidSpace(pIndex)) m_Spaces[size_t(pIndex)].UseClick = pValue;
}

// ---- colours ---------------------------------------------------------------------

void UC_TextPicture::AddColorSet(Color pFontColor, Color pColor1, Color pColor2, Color pColor3) {
    m_Sets.push_back({pFontColor, pColor1, pColor2, pColor3});
    m_DesignType = 1;
}

void UC_TextPicture::AddStdColorSet(int32_t pType) {
    m_DesignType = 1;
    if (pType < 0 || pType >= int32_t(std::size(kStdColorSets))) return;
    const StdColorSet& s = kStdColorSets[pType];
    m_Sets.push_back({s.Font, s.C1, s.C2, s.C3});
}

void UC_TextPicture::SetColor(int32_t pType, bool pDraw) {
    if (m_DesignType == 0)
        ColorScheme(pType, m_Fore, m_Back);
    else if (m_DesignType == 1 && pType >= 0 && pType < NumColorSets())
        m_CurrentSet = pType;
    if (pDraw) Draw(-1);
}

void UC_TextPicture::SetColorEx(Color pForeColor, Color pBackColor, bool pDraw) {
    m_Fore = pForeColor;
    m_Back = pBackColor;
    if (pDraw) Draw(-1);
}

// ---- drawing --------------------------------------------------------------------

void UC_TextPicture::Init(int32_t pWakuWidth, bool pNoGrad) {
    m_WakuWidth = pWakuWidth;
    m_NoGrad = pNoGrad;
    m_Canvas.Resize(width(), height());
    if (m_DesignType == 1 && m_SetBackgrounds.IsNull()) PaintSetBackgrounds();
    m_Initialised = true;
    Draw(-1);
}

void UC_TextPicture::PaintSetBackgrounds() {
    const int w = width(), h = height();
    m_SetBackgrounds.Resize(w * std::max(1, NumColorSets()), h);
    Surface one(w, h);
    for (int32_t i = 0; i < NumColorSets(); ++i) {
        one.SetBackColor(m_Sets[size_t(i)].C1);
        PaintColorSet(one, m_Sets[size_t(i)].C1, m_Sets[size_t(i)].C2, m_NoGrad, m_WakuWidth);
        m_SetBackgrounds.CopyFrom(w * i, 0, one, 0, 0, w, h);
    }
}

void UC_TextPicture::Draw(int32_t plite) {
    if (!m_Initialised) return;
    const int px = Px();
    m_Canvas.Resize(width(), height());
    Color text = m_Fore;
    const bool useSet = m_DesignType == 1 && m_CurrentSet < NumColorSets() &&
                        m_SetBackgrounds.Width() >= width() * NumColorSets();
    if (useSet) {
        m_Canvas.CopyFrom(0, 0, m_SetBackgrounds, width() * m_CurrentSet, 0, width(), height());
        text = m_Sets[size_t(m_CurrentSet)].Font;
    } else {
        m_Canvas.SetBackColor(m_Back);
        m_Canvas.Clear();
    }
    const int margin = (m_IsFlat != 0 && m_DesignType == 0 ? 2 : 4) * px;
    const int displayWidth = ToTwips(width());
    for (int32_t i = 0; i < NumTextSpaces(); ++i) {
        const TextSpace& s = m_Spaces[size_t(i)];
        m_Canvas.SetFont(CachedFont(s.Font));
        const int x = s.Left == -1
                          ? std::max(margin, (displayWidth - m_Canvas.TextWidth(s.Text) * px) / 2)
                          : s.Left;
        Color ink = text;
        if (i == plite)
            ink = platform::IsSystemColor(text) ? 0xFFFFFF : ShiftColor(text, 30, 30, 30);
        const QString fitted = FitText(s.Text, m_Canvas, displayWidth - x - margin, false);
        m_Canvas.Print(x / px, s.Top / px, fitted, ink);
    }
    if (m_DesignType == 0 && m_IsFlat == 0) m_Canvas.DrawEdge(0, 0, width(), height(), true);
    if (!isEnabled())
        FadeSurface(m_Canvas, platform::SystemColor(platform::kColorButtonFace), kDisabledFade);
    update();
}

// ---- mouse -------------------------------------------------------------------------

int32_t UC_TextPicture::HitTest(int32_t pX, int32_t pY) const {
    int32_t best = 0;
    int32_t bestLeft = INT32_MIN, bestTop = INT32_MIN;
    for (int32_t i = 0; i < NumTextSpaces(); ++i) {
        const TextSpace& s = m_Spaces[size_t(i)];
        if (s.Left == -1 || s.Top == -1) continue;
        if (s.Left < pX && s.Top < pY && s.Left >= bestLeft && s.Top >= bestTop) {
            best = i;
            bestLeft = s.Left;
            bestTop = s.Top;
        }
    }
    return best;
}

void UC_TextPicture::PressAt(QPoint pPos, Qt::MouseButton pButton) {
    const int32_t i = HitTest(ToTwips(pPos.x()), ToTwips(pPos.y()));
    if (UseClick(i) != 0) Draw(i);
    emit MouseUD(MouseButtonCode(pButton), true, i);
    m_Pressed = 1;
}

void UC_TextPicture::mousePressEvent(QMouseEvent* pEvent) {
    if (m_Locked != 0) return;
    PressAt(pEvent->position().toPoint(), pEvent->button());
}

void UC_TextPicture::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (m_Locked != 0 || m_Pressed == 0) return;
    const QPoint pos = pEvent->position().toPoint();
    const int32_t i = HitTest(ToTwips(pos.x()), ToTwips(pos.y()));
    if (UseClick(i) != 0) Draw(-1);
    emit MouseUD(MouseButtonCode(pEvent->button()), false, i);
    m_Pressed = 0;
}

void UC_TextPicture::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    if (m_Locked != 0) return;
    if (m_UseDblClick != 0)
        emit DblClicked();
    else
        PressAt(pEvent->position().toPoint(), Qt::LeftButton);
}

void UC_TextPicture::dragEnterEvent(QDragEnterEvent* pEvent) {
    pEvent->acceptProposedAction();
}

void UC_TextPicture::dropEvent(QDropEvent* pEvent) {
    const QPointF p = pEvent->position();
    emit OLEDragDrop(pEvent->mimeData(), int32_t(pEvent->dropAction()),
                     MouseButtonState(pEvent->buttons()), ShiftState(pEvent->modifiers()),
                     float(ToTwips(int(p.x()))), float(ToTwips(int(p.y()))));
    pEvent->acceptProposedAction();
}

void UC_TextPicture::paintEvent(QPaintEvent*) {
    ShowCanvas(this, m_Canvas, m_Back);
}

void UC_TextPicture::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::EnabledChange) Draw(-1);
    QWidget::changeEvent(pEvent);
}

void UC_TextPicture::resizeEvent(QResizeEvent*) {
    if (!m_Initialised) return;
    if (m_DesignType == 1) PaintSetBackgrounds();
    Draw(-1);
}
