#include "controls/UC_ListView.h"

#include "controls/UC_ListViewBar.h"
#include "controls/UC_ListViewPane.h"
#include "controls/UC_Slider.h"
#include "platform/core/Events.h"
#include "services/ui/Fonts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTime>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The frame draws a 2-pixel sunken edge; its parts sit inside it.
constexpr int kFrameEdgePx = 2;

int32_t RoundToInt(double pValue) {
    return int32_t(std::nearbyint(pValue));
}

double SecondsOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace

// ---------------------------------------------------------------- drag data

QStringList UC_ListViewData::FileList() const {
    QStringList files;
    if (!m_Read || !m_Read->hasUrls()) return files;
    for (const QUrl& url : m_Read->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

QString UC_ListViewData::Files(int32_t pIndex) const {
    const QStringList files = FileList();
    return (pIndex >= 1 && pIndex <= files.size()) ? files[pIndex - 1] : QString();
}

// ---------------------------------------------------------------- construction

UC_ListView::UC_ListView(QWidget* pParent) : QWidget(pParent) {
    m_Model.SetPxSource([] { return ::Px(); });
    // A click on the list takes the keyboard away from the text boxes around it.
    setFocusPolicy(Qt::ClickFocus);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(kFrameEdgePx);
    m_PictureAll = new QWidget(frame);
    m_PictureAll->move(kFrameEdgePx, kFrameEdgePx);
    m_PictureTab =
        new UC_ListViewPane(this, UC_ListViewPane::Kind::Header, m_TabSurface, m_PictureAll);
    m_PictureList =
        new UC_ListViewPane(this, UC_ListViewPane::Kind::Rows, m_ListSurface, m_PictureAll);
    m_PictureList->lower();
    m_Menu = new QMenu(this);
    m_ListFont = font();
    m_TabFont = font();
    m_TextLv.push_back(NewTextEditor());
    m_ComboLv.push_back(NewComboEditor());
    m_Clock = SecondsOfDay;
    m_DragOverRepeat.setInterval(50);
    connect(&m_DragOverRepeat, &QTimer::timeout, this,
            [this] { PictureList_OLEDragOver(m_OverX, m_OverY); });
    m_LateDraw.setSingleShot(true);
    connect(&m_LateDraw, &QTimer::timeout, this, [this] { ReDraw(); });
    PaintIcons();
}

UC_ListView::~UC_ListView() {
    // The parts go first, while the store their handlers use still exists.
    m_DragOverRepeat.stop();
    delete m_PictureAll->parentWidget();
}

QWidget* UC_ListView::PictureList() const {
    return m_PictureList;
}
QWidget* UC_ListView::PictureTab() const {
    return m_PictureTab;
}

QLineEdit* UC_ListView::TextLV(int32_t pInstance) const {
    return (pInstance >= 0 && pInstance < int32_t(m_TextLv.size())) ? m_TextLv[size_t(pInstance)]
                                                                    : nullptr;
}

QComboBox* UC_ListView::ComboLV(int32_t pInstance) const {
    return (pInstance >= 0 && pInstance < int32_t(m_ComboLv.size())) ? m_ComboLv[size_t(pInstance)]
                                                                     : nullptr;
}

QLineEdit* UC_ListView::NewTextEditor() {
    auto* edit = new QLineEdit(m_PictureList);
    const int32_t instance = int32_t(m_TextLv.size());
    edit->hide();
    edit->setFrame(false);
    edit->setFont(m_TextLv.empty() ? m_ListFont : m_TextLv[0]->font());
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, instance] { TextLV_Change(instance); });
    return edit;
}

QComboBox* UC_ListView::NewComboEditor() {
    auto* combo = new QComboBox(m_PictureList);
    const int32_t instance = int32_t(m_ComboLv.size());
    combo->hide();
    combo->setFont(m_TextLv.empty() ? m_ListFont : m_TextLv[0]->font());
    combo->installEventFilter(this);
    connect(combo, &QComboBox::activated, this,
            [this, instance](int pPos) { ComboLV_Click(instance, pPos); });
    return combo;
}

// ---------------------------------------------------------------- set-up

void UC_ListView::SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor,
                           Color pBackColor) {
    if (!pName.isEmpty()) {
        m_ListFont.setFamily(pName);
        m_TabFont.setFamily(pName);
    }
    if (pSize > 0) m_ListFont.setPointSizeF(pSize);
    m_ListFont.setBold(pBold);
    m_Model.SetTextColor(pForeColor);
    m_BackColor = pBackColor;
    ApplyFonts();
    if (ExplicitFonts == 1) {
        const std::string face = pName.toStdString();
        const int16_t bold = pBold ? -1 : 0;
        SetUIFont(m_PictureList, -2, nullptr, pSize, bold, 0, face);
        SetUIFont(m_TextLv[0], -2, nullptr, pSize, bold, 0, face);
        const float tabSize = m_TabFont.pointSizeF() > 0 ? float(m_TabFont.pointSizeF()) : 9.0f;
        SetUIFont(m_PictureTab, -2, nullptr, tabSize, 0, 0, face);
        m_ListFont = m_PictureList->font();
        m_TabFont = m_PictureTab->font();
        m_ListSurface.SetFont(m_ListFont);
        m_TabSurface.SetFont(m_TabFont);
    }
    m_StyleSet = true;
}

void UC_ListView::ApplyFonts() {
    m_PictureList->setFont(m_ListFont);
    m_PictureTab->setFont(m_TabFont);
    QFont editorFont = m_TextLv[0]->font();
    editorFont.setFamily(m_ListFont.family());
    editorFont.setPointSizeF(m_ListFont.pointSizeF());
    editorFont.setBold(m_ListFont.bold());
    m_TextLv[0]->setFont(editorFont);
    m_ListSurface.SetFont(m_ListFont);
    m_TabSurface.SetFont(m_TabFont);
    FitHeaderToFont();
}

void UC_ListView::FitHeaderToFont() {
    // Captions start CaptionTop pixels down and must end above the frame's two
    // bottom rings, a pressed caption one pixel lower.
    const int px = Px();
    m_TabSurface.SetFont(m_TabFont);
    const int needed = CaptionTop(true) + m_TabSurface.TextHeight(QStringLiteral("Lg")) + 2;
    const int32_t height = std::max(TabHeight, needed * px);
    if (height == m_TabHeight) return;
    m_TabHeight = height;
    if (!m_Initialised) return;
    PaintTabGrad();
    UserControl_Resize();
}

int32_t UC_ListView::CellWidthFor(const QString& pText) const {
    // Cells other than the first keep 6 pixels beside their text.
    return (m_ListSurface.TextWidth(pText) + 7) * Px();
}

void UC_ListView::SetOneHeight() {
    m_ListSurface.SetFont(m_ListFont);
    const int32_t height = (m_ListSurface.TextHeight("|") + 6) * Px();
    m_Model.SetOneHeightValue(height);
    m_Model.SetEditorHeight(height);
}

void UC_ListView::Init() {
    m_Model.InitModel();
    m_IconArea = (m_Options.IconDisabled ? 6 : 22) * Px();
    if (ExplicitFonts == 1 && !m_StyleSet)
        SetStyle(9, false, QString::fromUtf8(DefaultFace.data(), qsizetype(DefaultFace.size())),
                 SystemColor(platform::kColorWindowText), SystemColor(platform::kColorWindow));
    if (!m_Vbar) CreateBars();
    m_PictureTab->setVisible(m_Options.TabDisabled != 1);
    m_Hbar->SetSmallChange(Px());
    m_Vbar->SetSmallChange(1);
    if (m_UseUcBar) {
        m_Vbar->Slider()->SetIsVertical(true);
        m_Vbar->Prepare(1.0f);
        m_Hbar->Prepare(1.0f);
    }
    FitHeaderToFont();
    PaintTabGrad();
    m_Initialised = true;
    UserControl_Resize();
}

void UC_ListView::CreateBars() {
    m_Hbar = new UC_ListViewBar(m_PictureAll, m_UseUcBar, false, "HBarName");
    m_Vbar = new UC_ListViewBar(m_PictureAll, m_UseUcBar, true, "VBarName");
    connect(m_Vbar, &UC_ListViewBar::Changed, this, &UC_ListView::VBarSync);
    connect(m_Hbar, &UC_ListViewBar::Changed, this, &UC_ListView::HBarSync);
    m_Vbar->Widget()->installEventFilter(this);
    m_Hbar->Widget()->installEventFilter(this);
}

void UC_ListView::PaintTabGrad() {
    m_TabGrad.Resize(1, m_TabHeight / Px());
    PaintBackground(m_TabGrad, 5);
}

void UC_ListView::InitTab() {
    m_Menu->clear();
    for (int32_t i = 0; i < NumData(); ++i) {
        QAction* action = m_Menu->addAction(QString::number(i + 1));
        connect(action, &QAction::triggered, this, [this, i] { MenuRCTab_Click(i); });
    }
    int32_t nextText = 0, nextCombo = 0;
    for (int32_t col = 0; col < NumData(); ++col) {
        const int32_t kind = m_Model.Tab(col).UseTextCombo;
        int32_t textNum = -1, comboNum = -1;
        if (kind & 1) {
            if (nextText >= int32_t(m_TextLv.size())) m_TextLv.push_back(NewTextEditor());
            textNum = nextText++;
        }
        if (kind & 2) {
            if (nextCombo >= int32_t(m_ComboLv.size())) m_ComboLv.push_back(NewComboEditor());
            comboNum = nextCombo++;
        }
        m_Model.SetTabEditors(col, textNum, comboNum);
    }
    if (ExplicitFonts == 1) {
        for (size_t i = 1; i < m_TextLv.size(); ++i)
            m_TextLv[i]->setFont(m_TextLv[0]->font());
        for (QComboBox* combo : m_ComboLv)
            combo->setFont(m_TextLv[0]->font());
    }
    const int32_t comboHeight = m_ComboLv[0]->sizeHint().height() * Px();
    m_TextBoxHeight = nextCombo > 0 ? comboHeight : OneHeight() - 2 * Px();
    m_Model.SetEditorHeight(m_TextBoxHeight);
    UserControl_Resize();
}

void UC_ListView::AddComboItem(int32_t pData, const QString& pValue) {
    if (m_Model.ValidTab(pData) && ComboLV(m_Model.Tab(pData).ComboNum))
        ComboLV(m_Model.Tab(pData).ComboNum)->addItem(pValue);
}

void UC_ListView::ClearComboItem(int32_t pData) {
    if (m_Model.ValidTab(pData) && ComboLV(m_Model.Tab(pData).ComboNum))
        ComboLV(m_Model.Tab(pData).ComboNum)->clear();
}

int32_t UC_ListView::ComboIndex(int32_t pIndex, int32_t pData) const {
    if (!m_Model.ValidTab(pData) || !(m_Model.Tab(pData).UseTextCombo & 2)) return -1;
    const QComboBox* combo = ComboLV(m_Model.Tab(pData).ComboNum);
    if (!combo || combo->count() < 1) return -1;
    const QString text = Value(pIndex, pData).Text();
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) == text) return i;
    return -1;
}

// ---------------------------------------------------------------- layout

int32_t UC_ListView::FrameWidth() const {
    return width() * Px() - 2 * Px();
}
int32_t UC_ListView::FrameHeight() const {
    return height() * Px();
}

void UC_ListView::resizeEvent(QResizeEvent*) {
    UserControl_Resize();
}

void UC_ListView::UserControl_Resize() {
    if (!m_Initialised || width() * Px() < 600 || height() * Px() < 600) return;
    QWidget* frame = m_PictureAll->parentWidget();
    PlaceTwips(frame, Px(), 0, FrameWidth(), FrameHeight());
    m_PictureAll->resize(frame->width() - 2 * kFrameEdgePx, frame->height() - 2 * kFrameEdgePx);
    PlaceTwips(m_PictureTab, 0, 0, FrameWidth(), m_TabHeight);
    m_TabSurface.Resize(m_PictureTab->width(), m_PictureTab->height());
    m_Hbar->Place(0, FrameHeight() - BarThickness - 4 * Px(), m_Hbar->Widget()->width() * Px(),
                  BarThickness);
    m_Vbar->Place(FrameWidth() - BarThickness - 4 * Px(), ListTop(), BarThickness,
                  m_Vbar->Widget()->height() * Px());
    SetVbarParm();
    FillWidth();
    m_Hbar->SetValue(0);
    m_Model.SetHOffset(0);
    if (!m_Vbar->IsShown())
        m_Model.SetTopItem(0);
    else
        WriteVBar(std::min(TopItem(), m_Vbar->Max()));
    ReDrawTab(-1);
    ReDraw();
}

void UC_ListView::SetVbarParm() {
    if (!m_Initialised) return;
    const int32_t px = Px();
    const int64_t rowsHeight = int64_t(ItemCount()) * OneHeight();
    int32_t h = FrameHeight() - ListTop() - 4 * px;
    int32_t w = FrameWidth() - 4 * px;
    bool needV = ItemCount() > 0 && rowsHeight >= h;
    if (needV) w -= BarThickness;
    const int32_t total = TotalTabWidth();
    const bool needH = total > w && m_Options.HbarDisabled == 0;
    if (needH) {
        h -= BarThickness;
        if (!needV && ItemCount() > 0 && rowsHeight >= h) {
            needV = true;
            w -= BarThickness;
        }
    }
    PlaceTwips(m_PictureList, 0, ListTop(), std::max(w, px), std::max(h, px));
    // A new size clears the row picture, so the rows are drawn again below.
    const bool resized = m_ListSurface.Width() != m_PictureList->width() ||
                         m_ListSurface.Height() != m_PictureList->height();
    if (resized) m_ListSurface.Resize(m_PictureList->width(), m_PictureList->height());
    m_VisibleRows = OneHeight() > 0 ? h / OneHeight() : 0;

    if (needV) {
        const int32_t max = std::max(ItemCount() - m_VisibleRows + 1, 1);
        m_Vbar->SetMax(max);
        m_Vbar->SetLargeChange(
            std::max(RoundToInt(double(max) * m_VisibleRows / std::max(ItemCount(), 1)), 1));
        m_Vbar->Place(FrameWidth() - BarThickness - 4 * px, ListTop(), BarThickness, h - 4 * px);
        m_Vbar->Prepare(float(m_VisibleRows) / float(std::max(ItemCount(), 1)));
        m_Vbar->SetShown(true);
    } else {
        m_Vbar->SetValue(0);
        m_Vbar->SetShown(false);
    }
    if (needH) {
        int32_t max = total - w;
        if (!m_Hbar->IsSlider()) max = std::min(max, 32767);
        max = std::max(max, 1);
        m_Hbar->SetMax(max);
        m_Hbar->SetLargeChange(std::max(RoundToInt(double(max) * w / std::max(total, 1)), 1));
        m_Hbar->Place(0, FrameHeight() - BarThickness - 4 * px, w, BarThickness);
        m_Hbar->Prepare(float(w) / float(std::max(total, 1)));
        m_Hbar->SetShown(true);
        m_Model.SetHOffset(m_Hbar->Value());
    } else {
        m_Hbar->SetValue(0);
        m_Hbar->SetShown(false);
        m_Model.SetHOffset(0);
    }
    if (resized) ReDraw();
}

void UC_ListView::SetFillWidth(bool pOn) {
    const std::vector<int32_t>& order = m_Model.TabPositions();
    m_FillBase = pOn && !order.empty() ? TabWidth(order.back()) : -1;
    if (pOn) UserControl_Resize();
}

void UC_ListView::FillWidth() {
    const std::vector<int32_t>& order = m_Model.TabPositions();
    if (m_FillBase < 0 || order.empty()) return;
    int32_t last = -1;
    for (int32_t column : order)
        if (TabHidden(column) != 1) last = column;
    if (last < 0) return;
    const int32_t rows = FrameWidth() - 4 * Px() - (m_Vbar->IsShown() ? BarThickness : 0);
    const int32_t others = TotalTabWidth() - TabWidth(last);
    const int32_t wanted = std::max(m_FillBase, rows - others);
    if (wanted == TabWidth(last)) return;
    m_Model.SetTabWidth(last, wanted);
    SetVbarParm(); // the horizontal bar may come or go
}

void UC_ListView::Refresh() {
    SetVbarParm();
    if (!m_Initialised) return;
    m_Vbar->SetValue(0);
    m_Hbar->SetValue(0);
    m_Model.SetTopItem(0);
    m_Model.SetHOffset(0);
    ReDraw();
    ReDrawTab(-1);
}

// ---------------------------------------------------------------- scrolling

void UC_ListView::Yield() const {
    platform::PumpEvents();
}

void UC_ListView::WriteVBar(int32_t pValue) {
    m_Vbar->SetValue(pValue);
    m_Model.SetTopItem(m_Vbar->Value());
}

void UC_ListView::VBarSync() {
    m_Model.SetTopItem(m_Vbar->Value());
    if (TopItem() != m_DrawnTop && !m_HoldDraw) {
        ReDraw();
        if (!m_Options.BarNoDoEvents) Yield();
    }
}

void UC_ListView::HBarSync() {
    m_Model.SetHOffset(m_Hbar->Value());
    if (!m_Options.BarNoDoEvents) Yield();
    ReDrawTab(-1);
    Yield();
    ReDraw();
    Yield();
}

void UC_ListView::VBarMove(int32_t pValue) {
    if (!m_Vbar || !m_Vbar->IsShown()) return;
    m_Vbar->SetValue(m_Vbar->Value() + pValue);
}

void UC_ListView::VBarScroll(int32_t pValue) {
    if (!m_Vbar || !m_Vbar->IsShown() || pValue == 0) return;
    VBarMove(pValue * m_Options.NumWheelScroll);
    VBarSync();
}

bool UC_ListView::BarWheel(QObject* pWatched, QWheelEvent* pEvent) {
    if (!m_Vbar || (pWatched != m_Vbar->Widget() && pWatched != m_Hbar->Widget())) return false;
    if (pWatched == m_Vbar->Widget()) {
        // The rows add up partial steps of fine-grained wheels.
        QCoreApplication::sendEvent(m_PictureList, pEvent);
        return true;
    }
    m_HWheelRest +=
        pEvent->angleDelta().y() != 0 ? pEvent->angleDelta().y() : pEvent->angleDelta().x();
    const int steps = m_HWheelRest / 120;
    m_HWheelRest -= steps * 120;
    if (steps != 0 && m_Hbar->IsShown())
        m_Hbar->SetValue(m_Hbar->Value() - steps * m_Options.NumWheelScroll * OneHeight());
    pEvent->accept();
    return true;
}

void UC_ListView::ShowSelected(int32_t pIfHidden) {
    const int32_t n = SelectedItem();
    if (n < 0 || n >= ItemCount() || !m_Vbar) return;
    if (!m_Vbar->IsShown()) {
        m_Model.SetTopItem(0);
    } else {
        const int32_t wanted = RoundToInt(n - m_VisibleRows / 2.0);
        if (pIfHidden == 0 || n < TopItem() || n > TopItem() + m_VisibleRows - 1)
            WriteVBar(std::clamp(wanted, 0, m_Vbar->Max()));
    }
    ReDraw();
}

void UC_ListView::ShowItem(int32_t pTopItem, int32_t pIfHidden) {
    const int32_t n = pTopItem;
    if (n < 0 || n >= ItemCount() || !m_Vbar) return;
    if (!m_Vbar->IsShown()) {
        m_Model.SetTopItem(0);
    } else if (pIfHidden == 0 || n < TopItem() || n > TopItem() + m_VisibleRows - 1) {
        WriteVBar(std::clamp(n, 0, m_Vbar->Max()));
    }
    ReDraw();
}

void UC_ListView::SetTabWidthAuto() {
    if (ItemCount() <= 0) return;
    m_ListSurface.SetFont(m_ListFont);
    for (int32_t col = 0; col < NumData(); ++col) {
        int32_t widest = 0;
        for (int32_t i = 0; i < ItemCount(); ++i)
            widest = std::max(widest, m_ListSurface.TextWidth(Value(i, col).Text()));
        int32_t width = (widest + 16) * Px();
        if (m_Model.Tab(col).TabOrder == 0 && !m_Options.IconDisabled) width += 16 * Px();
        m_Model.SetTabWidth(col, width);
    }
    ReDrawTab(-1);
    ReDraw();
}

// ---------------------------------------------------------------- drawing

void UC_ListView::HideAllEditors() {
    for (QLineEdit* e : m_TextLv)
        e->hide();
    for (QComboBox* c : m_ComboLv)
        c->hide();
}

int32_t UC_ListView::DrawnRows() const {
    return OneHeight() > 0 ? (m_ListSurface.Height() * Px()) / OneHeight() : 0;
}

void UC_ListView::ReDraw() {
    if (!m_Initialised) return;
    if (m_DrawDepth == 0) {
        ++m_DrawDepth;
        Yield();
        --m_DrawDepth;
    }
    m_LateDraw.stop(); // a whole drawing is what it waited for
    m_LastScrollDraw.start();
    m_ListSurface.SetBackColor(m_BackColor);
    m_ListSurface.SetFont(m_ListFont);
    m_ListSurface.Clear();
    const int32_t rows = DrawnRows();
    const bool cursorShown = SelectedItem() >= 0 && SelectedItem() < ItemCount() &&
                             SelectedItem() >= TopItem() && SelectedItem() <= TopItem() + rows - 1;
    if (!cursorShown || m_Options.HideTextCombo == 1) HideAllEditors();

    for (int32_t i = 0; i <= rows; ++i)
        DrawStripe(i);
    for (int32_t j = 0; j <= rows && TopItem() + j < ItemCount(); ++j)
        DrawRow(j, TopItem() + j);
    DrawColumnSeparators();
    if (ItemCount() == 0) DrawEmptyView();
    m_DrawnTop = TopItem();
    m_PictureList->update();
}

void UC_ListView::ReDrawItem(int32_t pIndex) {
    if (m_LateDraw.isActive()) return; // the waiting drawing shows it
    if (!m_Initialised || m_ListSurface.IsNull() || m_DrawnTop != TopItem()) return ReDraw();
    const int32_t rows = DrawnRows();
    const int32_t row = pIndex - TopItem();
    if (pIndex < 0 || pIndex >= ItemCount() || row < 0 || row > rows) return;
    const int32_t px = Px();
    // The pixels row `row` owns, and the rows whose marks reach into them from above.
    const int32_t top = (row * OneHeight()) / px;
    const int32_t bottom =
        std::min(((row + 1) * OneHeight() + EditorHeight() + px) / px + 1, m_ListSurface.Height());
    const int32_t reach = OneHeight() > 0 ? EditorHeight() / OneHeight() + 1 : 1;
    if (m_RowBand.Width() != m_ListSurface.Width() || m_RowBand.Height() != bottom - top)
        m_RowBand.Resize(m_ListSurface.Width(), bottom - top);
    m_RowBand.SetBackColor(m_BackColor);
    m_RowBand.SetFont(m_ListFont);
    m_RowBand.Clear();
    m_DrawOn = &m_RowBand;
    m_DrawDy = top;
    const int32_t first = std::max(row - reach, 0), last = std::min(row + 1, rows);
    for (int32_t j = first; j <= last; ++j)
        DrawStripe(j);
    // The neighbours' texts lie outside the row's pixels: only their icons and marks count.
    for (int32_t j = first; j <= last && TopItem() + j < ItemCount(); ++j)
        DrawRow(j, TopItem() + j, j == row);
    DrawColumnSeparators();
    m_DrawOn = &m_ListSurface;
    m_DrawDy = 0;
    // Only the row's own pixels go back: the neighbours were drawn for their marks alone.
    const int32_t ownBottom = std::min(((row + 1) * OneHeight()) / px + 2, bottom);
    m_ListSurface.CopyFrom(0, top, m_RowBand, 0, 0, m_RowBand.Width(), ownBottom - top,
                           platform::CopyMode::Copy);
    m_PictureList->update(0, top, m_ListSurface.Width(), ownBottom - top);
}

void UC_ListView::ReDrawItemIcon(int32_t pIndex) {
    if (m_LateDraw.isActive()) return; // the waiting drawing shows it
    if (!m_Initialised || m_ListSurface.IsNull() || m_DrawnTop != TopItem()) return ReDraw();
    const int32_t row = pIndex - TopItem();
    if (pIndex < 0 || pIndex >= ItemCount() || row < 0 || row > DrawnRows()) return;
    const int32_t px = Px();
    const int32_t oneHeightPx = OneHeight() / px;
    const int32_t d = RoundToInt((double(OneHeight()) / px - 16.0) / 2.0);
    const int32_t y = RoundToInt(double(row) * OneHeight() / px + d);
    // Marks of this row or of its neighbours may reach under the icon: then the whole row.
    bool covered = m_Options.IconDisabled || HOffset() != 0 || m_Options.BorderIfBlank != 0 ||
                   OneHeight() % px != 0 || EditorHeight() != OneHeight() ||
                   (d < 1 && m_Options.UseMadara) || d < 0 || d + 15 > oneHeightPx;
    for (int32_t i = std::max(pIndex - 1, 0);
         !covered && i <= std::min(pIndex + 1, ItemCount() - 1); ++i)
        covered = IsSelected(i) || HLine(i) != 0 || FocusMarkOn(i);
    if (covered) return ReDrawItem(pIndex);
    const bool striped = m_Options.UseMadara && ((TopItem() + row) & 1) == 1;
    m_ListSurface.FillBox(2, y, 16, 16, striped ? StripeColor : m_BackColor);
    if (IconType(pIndex) != -1) DrawIcon(row, IconType(pIndex));
    m_PictureList->update(2, y, 16, 16);
}

bool UC_ListView::ScrollToItem(int32_t pIndex) {
    if (!m_Initialised || !m_Vbar || !m_Vbar->IsShown() || pIndex < 0 || pIndex >= ItemCount())
        return false;
    if (pIndex >= TopItem() && pIndex <= TopItem() + m_VisibleRows - 1) return false;
    // Below the view it becomes the second row, so that a walk down the list scrolls once
    // per page and keeps the row before it in sight; above the view, the top row.
    const int32_t wanted = pIndex > TopItem() ? pIndex - 1 : pIndex;
    m_HoldDraw = true;
    WriteVBar(std::clamp(wanted, 0, m_Vbar->Max()));
    m_HoldDraw = false;
    if (m_DrawnTop == TopItem() || m_LateDraw.isActive()) return true;
    // Pages may pass faster than the eye follows: then a drawing waits for its interval.
    const qint64 since = m_LastScrollDraw.isValid() ? m_LastScrollDraw.elapsed() : -1;
    if (m_ScrollDrawMs > 0 && since >= 0 && since < m_ScrollDrawMs) {
        m_LateDraw.start(int(m_ScrollDrawMs - since));
        return true;
    }
    ReDraw();
    return true;
}

void UC_ListView::SetScrollDrawInterval(int32_t pMs) {
    m_ScrollDrawMs = std::max(pMs, 0);
    if (m_LateDraw.isActive()) ReDraw();
}

int32_t UC_ListView::ItemAtY(float Y) const {
    if (OneHeight() <= 0 || Y < 0) return -1;
    const int32_t item = TopItem() + int32_t(Y / float(OneHeight()));
    return item < ItemCount() ? item : -1;
}

void UC_ListView::DrawStripe(int32_t pRow) {
    if (!m_Options.UseMadara || ((TopItem() + pRow) & 1) == 0) return;
    const int32_t px = Px();
    const int32_t y1 = (pRow * OneHeight() + px) / px, y2 = ((pRow + 1) * OneHeight()) / px;
    m_DrawOn->FillBox(0, y1 - m_DrawDy, m_DrawOn->Width(), y2 - y1 + 1, StripeColor);
}

void UC_ListView::DrawRow(int32_t pRow, int32_t pItem, bool pWithCells) {
    if (!m_Options.IconDisabled && HOffset() < 16 * Px() && IconType(pItem) != -1)
        DrawIcon(pRow, IconType(pItem));
    if (pWithCells) DrawCells(pRow, pItem, pItem == SelectedItem());
    DrawRowMarks(pRow, pItem);
}

void UC_ListView::DrawIcon(int32_t pRow, int32_t pIcon) {
    const int32_t px = Px();
    if (pIcon < 0 || pIcon * 16 >= m_Icons.Width()) return;
    const int32_t x = 2 - HOffset() / px;
    const int32_t d = RoundToInt((double(OneHeight()) / px - 16.0) / 2.0);
    const int32_t y = RoundToInt(double(pRow) * OneHeight() / px + d) - m_DrawDy;
    m_DrawOn->CopyFrom(x, y, m_Icons, pIcon * 16, 16, 16, 16, platform::CopyMode::And);
    m_DrawOn->CopyFrom(x, y, m_Icons, pIcon * 16, 0, 16, 16, platform::CopyMode::Xor);
}

void UC_ListView::DrawCells(int32_t pRow, int32_t pItem, bool pCursorRow) {
    const int32_t px = Px();
    const Color color = DispColor(pItem);
    const int32_t y = (pRow * OneHeight() + 4 * px) / px - m_DrawDy;
    int32_t k = 0;
    for (int32_t col : m_Model.TabPositions()) {
        const LVTab& tab = m_Model.Tab(col);
        if (tab.TabHidden == 1) {
            if (pCursorRow) PlaceEditorsOnRow(tab, pRow, QString());
            continue;
        }
        ++k;
        const QString full = Value(pItem, col).Text();
        const bool right = tab.TabAlign == 1;
        const int32_t maxWidth = tab.TabWidth - (k == 1 ? m_IconArea : 6 * px);
        const QString text = FitText(full, m_ListSurface, maxWidth, right);
        int32_t x;
        if (right)
            x = tab.Right - m_ListSurface.TextWidth(text) * px - 6 * px - HOffset();
        else if (k == 1)
            x = m_IconArea - HOffset();
        else
            x = tab.Left + 6 * px - HOffset();
        if (!text.isEmpty()) m_DrawOn->Print(x / px, y, text, color);
        if (pCursorRow) PlaceEditorsOnRow(tab, pRow, full);
    }
}

void UC_ListView::PlaceEditorsOnRow(const LVTab& pTab, int32_t pRow, const QString& pText) {
    const int32_t px = Px();
    const int top = (pRow * OneHeight() + px) / px;
    auto place = [&](QWidget* pEditor, bool pWanted, auto pSetText) {
        if (!pEditor) return;
        if (!pWanted || pTab.TabHidden == 1) {
            pEditor->hide();
            return;
        }
        if (pEditor->y() != top) pEditor->move(pEditor->x(), top);
        // Showing the cell is not an edit: no change event.
        const QSignalBlocker block(pEditor);
        pSetText();
        if (m_Options.HideTextCombo == 0 && pEditor->isHidden()) pEditor->show();
    };
    QLineEdit* edit = TextLV(pTab.TextNum);
    place(edit, pTab.FrontObj == 1, [&] {
        if (edit->text() != pText) edit->setText(pText);
    });
    QComboBox* combo = ComboLV(pTab.ComboNum);
    place(combo, pTab.FrontObj == 2, [&] {
        if (combo->currentText() != pText) combo->setCurrentIndex(combo->findText(pText));
    });
}

void UC_ListView::DrawRowMarks(int32_t pRow, int32_t pItem) {
    const int32_t px = Px();
    Surface& on = *m_DrawOn;
    const int32_t width = on.Width();
    const int32_t y1 = (pRow * OneHeight() + px) / px - m_DrawDy;
    const int32_t y2 = (pRow * OneHeight() + EditorHeight() + px) / px - m_DrawDy;
    if (IsSelected(pItem)) {
        on.SetDrawMode(m_Options.SelectedColorMode);
        on.FillBox(0, y1, width, y2 - y1 + 1, m_Options.SelectedColor);
        on.SetDrawMode(platform::kRasterCopyPen);
    }
    if (HLine(pItem) != 0) on.Line(0, y1, width, y1, HLine(pItem));
    if (FocusMarkOn(pItem)) {
        const int32_t bottom = ((pRow + 1) * OneHeight()) / px - m_DrawDy;
        DrawFocusMark(on, QRect(QPoint(0, y1), QPoint(width - 1, bottom)), TextColor());
    }
    if (m_Options.BorderIfBlank != 0 &&
        Value(pItem, m_Options.BorderIfBlank - 1).Text().isEmpty()) {
        on.SetDrawMode(m_Options.SelectedColorMode);
        on.FillBox(0, y1, width, y2 - y1 + 1, BlankColor);
        on.SetDrawMode(platform::kRasterCopyPen);
    }
}

// An empty list says what it takes, and shows the focus where the first row would be.
void UC_ListView::DrawEmptyView() {
    const int32_t px = Px();
    if (hasFocus())
        DrawFocusMark(*m_DrawOn, QRect(0, 1, m_DrawOn->Width(), OneHeight() / px - 1), TextColor());
    if (m_EmptyText.isEmpty()) return;
    const QString text = FitText(m_EmptyText, *m_DrawOn, m_DrawOn->Width() * px - 12 * px, false);
    const int x = std::max((m_DrawOn->Width() - m_DrawOn->TextWidth(text)) / 2, 6);
    const int y = std::max((m_DrawOn->Height() - m_DrawOn->TextHeight(text)) / 2, OneHeight() / px);
    m_DrawOn->Print(x, y, text, TextColor());
}

void UC_ListView::DrawColumnSeparators() {
    const int32_t px = Px();
    const Color face = SystemColor(platform::kColorButtonFace);
    const Color color = m_BackColor == face ? SystemColor(platform::kColorButtonShadow) : face;
    for (int32_t col : m_Model.TabPositions()) {
        const LVTab& tab = m_Model.Tab(col);
        if (tab.TabHidden == 1) continue;
        const int32_t x = (tab.Right - HOffset() - px) / px;
        m_DrawOn->Line(x, 0, x, m_DrawOn->Height(), color);
    }
}

void UC_ListView::ReDrawTab(int32_t pPushedData) {
    if (!m_Initialised || m_TabSurface.IsNull()) return;
    const int32_t px = Px();
    m_TabSurface.SetFont(m_TabFont);
    m_TabSurface.Clear();
    const int32_t height = m_TabHeight;
    for (int32_t col : m_Model.TabPositions()) {
        const LVTab& tab = m_Model.Tab(col);
        if (tab.TabHidden == 1) continue;
        if (m_Options.TabDisabled != 1) {
            const int32_t pushed = col == pPushedData ? 1 : 0;
            m_TabSurface.StretchFrom((tab.Left - HOffset()) / px, 0, tab.TabWidth / px, height / px,
                                     m_TabGrad, 0, 0, 1, m_TabGrad.Height());
            const bool right = tab.TabAlign == 1 && m_Options.NoAlign4Tab == 0;
            const QString caption =
                FitText(tab.TabName, m_TabSurface, tab.TabWidth - 6 * px, tab.TabAlign == 1);
            const int32_t x = right ? tab.Right - m_TabSurface.TextWidth(caption) * px -
                                          (pushed + 6) * px - HOffset()
                                    : tab.Left + (pushed + 6) * px - HOffset();
            m_TabSurface.Print(x / px, CaptionTop(pushed != 0), caption,
                               SystemColor(platform::kColorButtonText));
            DrawCellFrame(m_TabSurface, tab.Left - HOffset(), 0, tab.TabWidth, height, pushed);
        }
        const int left = (tab.Left - HOffset() + 3 * px) / px;
        const int editorWidth = std::max((tab.TabWidth - 3 * px) / px, 1);
        const int editorHeight = std::max(m_TextBoxHeight / px, 1);
        if (QLineEdit* edit = TextLV(tab.TextNum))
            edit->setGeometry(left, edit->y(), editorWidth, editorHeight);
        if (QComboBox* combo = ComboLV(tab.ComboNum))
            combo->setGeometry(left, combo->y(), editorWidth, editorHeight);
    }
    m_PictureTab->update();
}

bool UC_ListView::TextComboVisible() const {
    return !m_TextLv[0]->isHidden() || !m_ComboLv[0]->isHidden();
}
