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
    Color font, c1, c2, c3;
};

constexpr StdColorSet kStdColorSets[] = {{0x909090, 0, 0x686868, 0}, {0xD0B0B0, 0, 0x886868, 0},
                                         {0xB0B0D0, 0, 0x686888, 0}, {0xB0D0B0, 0, 0x688868, 0},
                                         {0xC0C0C0, 0, 0x686868, 0}, {0x90B0E0, 0, 0x4878A8, 0}};

} // namespace

UC_TextPicture::UC_TextPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
}

void UC_TextPicture::ResetMe() {
    spaces_.clear();
    sets_.clear();
    designType_ = 0;
    currentSet_ = 0;
    setBackgrounds_ = Surface();
}

void UC_TextPicture::AddTextSpace(float pSize, bool pBold, bool pItalic, const QString& pFace,
                                  int32_t pLeft, int32_t pTop) {
    TextSpace space;
    space.font = CachedFontIndex(pSize, pBold, pItalic, pFace);
    space.left = pLeft;
    space.top = pTop;
    if (pTop == -1) {
        Surface probe(1, 1);
        probe.SetFont(CachedFont(space.font));
        const double th = probe.TextHeight(QStringLiteral("I")) * Px();
        space.top = std::max(0, int32_t(std::nearbyint((ToTwips(height()) - th) / 2)));
    }
    spaces_.push_back(space);
}

void UC_TextPicture::DispMes(int32_t pIndex, const QString& pStr, bool DontDraw) {
    if (!ValidSpace(pIndex) || spaces_[size_t(pIndex)].text == pStr) return;
    spaces_[size_t(pIndex)].text = pStr;
    if (!DontDraw) Draw(-1);
}

QString UC_TextPicture::TextMes(int32_t pIndex) const {
    return ValidSpace(pIndex) ? spaces_[size_t(pIndex)].text : QString();
}

QPoint UC_TextPicture::TextSpacePosition(int32_t pIndex) const {
    if (!ValidSpace(pIndex)) return {};
    return {spaces_[size_t(pIndex)].left, spaces_[size_t(pIndex)].top};
}

int32_t UC_TextPicture::UseClick(int32_t pIndex) const {
    return ValidSpace(pIndex) ? spaces_[size_t(pIndex)].useClick : 0;
}

void UC_TextPicture::SetUseClick(int32_t pIndex, int32_t v) {
    if (ValidSpace(pIndex)) spaces_[size_t(pIndex)].useClick = v;
}

// ---- colours ---------------------------------------------------------------------

void UC_TextPicture::AddColorSet(Color pFontColor, Color pColor1, Color pColor2, Color pColor3) {
    sets_.push_back({pFontColor, pColor1, pColor2, pColor3});
    designType_ = 1;
}

void UC_TextPicture::AddStdColorSet(int32_t pType) {
    designType_ = 1;
    if (pType < 0 || pType >= int32_t(std::size(kStdColorSets))) return;
    const StdColorSet& s = kStdColorSets[pType];
    sets_.push_back({s.font, s.c1, s.c2, s.c3});
}

void UC_TextPicture::SetColor(int32_t pType, bool pDraw) {
    if (designType_ == 0)
        ColorScheme(pType, fore_, back_);
    else if (designType_ == 1 && pType >= 0 && pType < NumColorSets())
        currentSet_ = pType;
    if (pDraw) Draw(-1);
}

void UC_TextPicture::SetColorEx(Color pForeColor, Color pBackColor, bool pDraw) {
    fore_ = pForeColor;
    back_ = pBackColor;
    if (pDraw) Draw(-1);
}

// ---- drawing --------------------------------------------------------------------

void UC_TextPicture::Init(int32_t pWakuWidth, bool pNoGrad) {
    wakuWidth_ = pWakuWidth;
    noGrad_ = pNoGrad;
    canvas_.Resize(width(), height());
    if (designType_ == 1 && setBackgrounds_.IsNull()) PaintSetBackgrounds();
    initialised_ = true;
    Draw(-1);
}

void UC_TextPicture::PaintSetBackgrounds() {
    const int w = width(), h = height();
    setBackgrounds_.Resize(w * std::max(1, NumColorSets()), h);
    Surface one(w, h);
    for (int32_t i = 0; i < NumColorSets(); ++i) {
        one.SetBackColor(sets_[size_t(i)].c1);
        PaintColorSet(one, sets_[size_t(i)].c1, sets_[size_t(i)].c2, noGrad_, wakuWidth_);
        setBackgrounds_.CopyFrom(w * i, 0, one, 0, 0, w, h);
    }
}

void UC_TextPicture::Draw(int32_t plite) {
    if (!initialised_) return;
    const int px = Px();
    canvas_.Resize(width(), height());
    Color text = fore_;
    const bool useSet = designType_ == 1 && currentSet_ < NumColorSets() &&
                        setBackgrounds_.Width() >= width() * NumColorSets();
    if (useSet) {
        canvas_.CopyFrom(0, 0, setBackgrounds_, width() * currentSet_, 0, width(), height());
        text = sets_[size_t(currentSet_)].font;
    } else {
        canvas_.SetBackColor(back_);
        canvas_.Clear();
    }
    const int margin = (isFlat_ != 0 && designType_ == 0 ? 2 : 4) * px;
    const int displayWidth = ToTwips(width());
    for (int32_t i = 0; i < NumTextSpaces(); ++i) {
        const TextSpace& s = spaces_[size_t(i)];
        canvas_.SetFont(CachedFont(s.font));
        const int x = s.left == -1
                          ? std::max(margin, (displayWidth - canvas_.TextWidth(s.text) * px) / 2)
                          : s.left;
        Color ink = text;
        if (i == plite)
            ink = platform::IsSystemColor(text) ? 0xFFFFFF : ShiftColor(text, 30, 30, 30);
        const QString fitted = FitText(s.text, canvas_, displayWidth - x - margin, false);
        canvas_.Print(x / px, s.top / px, fitted, ink);
    }
    if (designType_ == 0 && isFlat_ == 0) canvas_.DrawEdge(0, 0, width(), height(), true);
    update();
}

// ---- mouse -------------------------------------------------------------------------

int32_t UC_TextPicture::HitTest(int32_t x, int32_t y) const {
    int32_t best = 0;
    int32_t bestLeft = INT32_MIN, bestTop = INT32_MIN;
    for (int32_t i = 0; i < NumTextSpaces(); ++i) {
        const TextSpace& s = spaces_[size_t(i)];
        if (s.left == -1 || s.top == -1) continue;
        if (s.left < x && s.top < y && s.left >= bestLeft && s.top >= bestTop) {
            best = i;
            bestLeft = s.left;
            bestTop = s.top;
        }
    }
    return best;
}

void UC_TextPicture::PressAt(QPoint pos, Qt::MouseButton button) {
    const int32_t i = HitTest(ToTwips(pos.x()), ToTwips(pos.y()));
    if (UseClick(i) != 0) Draw(i);
    emit MouseUD(MouseButtonCode(button), true, i);
    pressed_ = 1;
}

void UC_TextPicture::mousePressEvent(QMouseEvent* e) {
    if (locked_ != 0) return;
    PressAt(e->position().toPoint(), e->button());
}

void UC_TextPicture::mouseReleaseEvent(QMouseEvent* e) {
    if (locked_ != 0 || pressed_ == 0) return;
    const QPoint pos = e->position().toPoint();
    const int32_t i = HitTest(ToTwips(pos.x()), ToTwips(pos.y()));
    if (UseClick(i) != 0) Draw(-1);
    emit MouseUD(MouseButtonCode(e->button()), false, i);
    pressed_ = 0;
}

void UC_TextPicture::mouseDoubleClickEvent(QMouseEvent* e) {
    if (locked_ != 0) return;
    if (useDblClick_ != 0)
        emit DblClicked();
    else
        PressAt(e->position().toPoint(), Qt::LeftButton);
}

void UC_TextPicture::dragEnterEvent(QDragEnterEvent* e) {
    e->acceptProposedAction();
}

void UC_TextPicture::dropEvent(QDropEvent* e) {
    const QPointF p = e->position();
    emit OLEDragDrop(e->mimeData(), int32_t(e->dropAction()), MouseButtonState(e->buttons()),
                     ShiftState(e->modifiers()), float(ToTwips(int(p.x()))),
                     float(ToTwips(int(p.y()))));
    e->acceptProposedAction();
}

void UC_TextPicture::paintEvent(QPaintEvent*) {
    ShowCanvas(this, canvas_, back_);
}

void UC_TextPicture::resizeEvent(QResizeEvent*) {
    if (!initialised_) return;
    if (designType_ == 1) PaintSetBackgrounds();
    Draw(-1);
}
