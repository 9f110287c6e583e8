#include "controls/UC_ListView.h"

#include "controls/UC_ListViewBar.h"
#include "controls/UC_ListViewPane.h"
#include "controls/UC_Slider.h"
#include "platform/core/Events.h"
#include "services/ui/Fonts.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTime>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// The frame draws a 2-pixel sunken edge; its parts sit inside it.
constexpr int kFrameEdgePx = 2;

int32_t RoundToInt(double v) {
    return int32_t(std::nearbyint(v));
}

double SecondsOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

} // namespace

// ---------------------------------------------------------------- drag data

QStringList UC_ListViewData::FileList() const {
    QStringList files;
    if (!read_ || !read_->hasUrls()) return files;
    for (const QUrl& url : read_->urls())
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
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(kFrameEdgePx);
    pictureAll_ = new QWidget(frame);
    pictureAll_->move(kFrameEdgePx, kFrameEdgePx);
    pictureTab_ =
        new UC_ListViewPane(this, UC_ListViewPane::Kind::Header, tabSurface_, pictureAll_);
    pictureList_ =
        new UC_ListViewPane(this, UC_ListViewPane::Kind::Rows, listSurface_, pictureAll_);
    pictureList_->lower();
    menu_ = new QMenu(this);
    listFont_ = font();
    tabFont_ = font();
    textLV_.push_back(NewTextEditor());
    comboLV_.push_back(NewComboEditor());
    clock_ = SecondsOfDay;
    dragOverRepeat_.setInterval(50);
    connect(&dragOverRepeat_, &QTimer::timeout, this,
            [this] { PictureList_OLEDragOver(overX_, overY_); });
    PaintIcons();
}

UC_ListView::~UC_ListView() {
    // The parts go first, while the store their handlers use still exists.
    dragOverRepeat_.stop();
    delete pictureAll_->parentWidget();
}

QWidget* UC_ListView::PictureList() const {
    return pictureList_;
}
QWidget* UC_ListView::PictureTab() const {
    return pictureTab_;
}

QLineEdit* UC_ListView::TextLV(int32_t pInstance) const {
    return (pInstance >= 0 && pInstance < int32_t(textLV_.size())) ? textLV_[size_t(pInstance)]
                                                                   : nullptr;
}

QComboBox* UC_ListView::ComboLV(int32_t pInstance) const {
    return (pInstance >= 0 && pInstance < int32_t(comboLV_.size())) ? comboLV_[size_t(pInstance)]
                                                                    : nullptr;
}

QLineEdit* UC_ListView::NewTextEditor() {
    auto* edit = new QLineEdit(pictureList_);
    const int32_t instance = int32_t(textLV_.size());
    edit->hide();
    edit->setFrame(false);
    edit->setFont(textLV_.empty() ? listFont_ : textLV_[0]->font());
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, instance] { TextLV_Change(instance); });
    return edit;
}

QComboBox* UC_ListView::NewComboEditor() {
    auto* combo = new QComboBox(pictureList_);
    const int32_t instance = int32_t(comboLV_.size());
    combo->hide();
    combo->setFont(textLV_.empty() ? listFont_ : textLV_[0]->font());
    combo->installEventFilter(this);
    connect(combo, &QComboBox::activated, this,
            [this, instance](int pos) { ComboLV_Click(instance, pos); });
    return combo;
}

// ---------------------------------------------------------------- set-up

void UC_ListView::SetStyle(float pSize, bool pBold, const QString& pName, Color pForeColor,
                           Color pBackColor) {
    if (!pName.isEmpty()) {
        listFont_.setFamily(pName);
        tabFont_.setFamily(pName);
    }
    if (pSize > 0) listFont_.setPointSizeF(pSize);
    listFont_.setBold(pBold);
    m_Model.SetTextColor(pForeColor);
    backColor_ = pBackColor;
    ApplyFonts();
    if (ExplicitFonts == 1) {
        const std::string face = pName.toStdString();
        const int16_t bold = pBold ? -1 : 0;
        SetUIFont(pictureList_, -2, nullptr, pSize, bold, 0, face);
        SetUIFont(textLV_[0], -2, nullptr, pSize, bold, 0, face);
        const float tabSize = tabFont_.pointSizeF() > 0 ? float(tabFont_.pointSizeF()) : 9.0f;
        SetUIFont(pictureTab_, -2, nullptr, tabSize, 0, 0, face);
        listFont_ = pictureList_->font();
        tabFont_ = pictureTab_->font();
        listSurface_.SetFont(listFont_);
        tabSurface_.SetFont(tabFont_);
    }
    styleSet_ = true;
}

void UC_ListView::ApplyFonts() {
    pictureList_->setFont(listFont_);
    pictureTab_->setFont(tabFont_);
    QFont editorFont = textLV_[0]->font();
    editorFont.setFamily(listFont_.family());
    editorFont.setPointSizeF(listFont_.pointSizeF());
    editorFont.setBold(listFont_.bold());
    textLV_[0]->setFont(editorFont);
    listSurface_.SetFont(listFont_);
    tabSurface_.SetFont(tabFont_);
}

int32_t UC_ListView::CellWidthFor(const QString& pText) const {
    // Cells other than the first keep 6 pixels beside their text.
    return (listSurface_.TextWidth(pText) + 7) * Px();
}

void UC_ListView::SetOneHeight() {
    listSurface_.SetFont(listFont_);
    const int32_t height = (listSurface_.TextHeight("|") + 6) * Px();
    m_Model.SetOneHeightValue(height);
    m_Model.SetEditorHeight(height);
}

void UC_ListView::Init() {
    m_Model.InitModel();
    iconArea_ = (m_Options.IconDisabled ? 6 : 22) * Px();
    if (ExplicitFonts == 1 && !styleSet_)
        SetStyle(9, false, QString::fromUtf8(DefaultFace.data(), qsizetype(DefaultFace.size())),
                 SystemColor(platform::kColorWindowText), SystemColor(platform::kColorWindow));
    if (!vbar_) CreateBars();
    pictureTab_->setVisible(m_Options.TabDisabled != 1);
    hbar_->SetSmallChange(Px());
    vbar_->SetSmallChange(1);
    if (useUCBar_) {
        vbar_->Slider()->SetIsVertical(true);
        vbar_->Prepare(1.0f);
        hbar_->Prepare(1.0f);
    }
    PaintTabGrad();
    initialised_ = true;
    UserControl_Resize();
}

void UC_ListView::CreateBars() {
    hbar_ = new UC_ListViewBar(pictureAll_, useUCBar_, false, "HBarName");
    vbar_ = new UC_ListViewBar(pictureAll_, useUCBar_, true, "VBarName");
    connect(vbar_, &UC_ListViewBar::Changed, this, &UC_ListView::VBarSync);
    connect(hbar_, &UC_ListViewBar::Changed, this, &UC_ListView::HBarSync);
}

void UC_ListView::PaintTabGrad() {
    tabGrad_.Resize(1, TabHeight / Px());
    PaintBackground(tabGrad_, 5);
}

void UC_ListView::InitTab() {
    menu_->clear();
    for (int32_t i = 0; i < NumData(); ++i) {
        QAction* action = menu_->addAction(QString::number(i + 1));
        connect(action, &QAction::triggered, this, [this, i] { MenuRCTab_Click(i); });
    }
    int32_t nextText = 0, nextCombo = 0;
    for (int32_t col = 0; col < NumData(); ++col) {
        const int32_t kind = m_Model.Tab(col).UseTextCombo;
        int32_t textNum = -1, comboNum = -1;
        if (kind & 1) {
            if (nextText >= int32_t(textLV_.size())) textLV_.push_back(NewTextEditor());
            textNum = nextText++;
        }
        if (kind & 2) {
            if (nextCombo >= int32_t(comboLV_.size())) comboLV_.push_back(NewComboEditor());
            comboNum = nextCombo++;
        }
        m_Model.SetTabEditors(col, textNum, comboNum);
    }
    if (ExplicitFonts == 1) {
        for (size_t i = 1; i < textLV_.size(); ++i)
            textLV_[i]->setFont(textLV_[0]->font());
        for (QComboBox* combo : comboLV_)
            combo->setFont(textLV_[0]->font());
    }
    const int32_t comboHeight = comboLV_[0]->sizeHint().height() * Px();
    textBoxHeight_ = nextCombo > 0 ? comboHeight : OneHeight() - 2 * Px();
    m_Model.SetEditorHeight(textBoxHeight_);
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
    if (!initialised_ || width() * Px() < 600 || height() * Px() < 600) return;
    QWidget* frame = pictureAll_->parentWidget();
    PlaceTwips(frame, Px(), 0, FrameWidth(), FrameHeight());
    pictureAll_->resize(frame->width() - 2 * kFrameEdgePx, frame->height() - 2 * kFrameEdgePx);
    PlaceTwips(pictureTab_, 0, 0, FrameWidth(), TabHeight);
    tabSurface_.Resize(pictureTab_->width(), pictureTab_->height());
    hbar_->Place(0, FrameHeight() - BarThickness - 4 * Px(), hbar_->Widget()->width() * Px(),
                 BarThickness);
    vbar_->Place(FrameWidth() - BarThickness - 4 * Px(), ListTop(), BarThickness,
                 vbar_->Widget()->height() * Px());
    SetVbarParm();
    hbar_->SetValue(0);
    m_Model.SetHOffset(0);
    if (!vbar_->IsShown())
        m_Model.SetTopItem(0);
    else
        WriteVBar(std::min(TopItem(), vbar_->Max()));
    ReDrawTab(-1);
    ReDraw();
}

void UC_ListView::SetVbarParm() {
    if (!initialised_) return;
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
    PlaceTwips(pictureList_, 0, ListTop(), std::max(w, px), std::max(h, px));
    // A new size clears the row picture, so the rows are drawn again below.
    const bool resized = listSurface_.Width() != pictureList_->width() ||
                         listSurface_.Height() != pictureList_->height();
    if (resized) listSurface_.Resize(pictureList_->width(), pictureList_->height());
    visibleRows_ = OneHeight() > 0 ? h / OneHeight() : 0;

    if (needV) {
        const int32_t max = std::max(ItemCount() - visibleRows_ + 1, 1);
        vbar_->SetMax(max);
        vbar_->SetLargeChange(
            std::max(RoundToInt(double(max) * visibleRows_ / std::max(ItemCount(), 1)), 1));
        vbar_->Place(FrameWidth() - BarThickness - 4 * px, ListTop(), BarThickness, h - 4 * px);
        vbar_->Prepare(float(visibleRows_) / float(std::max(ItemCount(), 1)));
        vbar_->SetShown(true);
    } else {
        vbar_->SetValue(0);
        vbar_->SetShown(false);
    }
    if (needH) {
        int32_t max = total - w;
        if (!hbar_->IsSlider()) max = std::min(max, 32767);
        max = std::max(max, 1);
        hbar_->SetMax(max);
        hbar_->SetLargeChange(std::max(RoundToInt(double(max) * w / std::max(total, 1)), 1));
        hbar_->Place(0, FrameHeight() - BarThickness - 4 * px, w, BarThickness);
        hbar_->Prepare(float(w) / float(std::max(total, 1)));
        hbar_->SetShown(true);
        m_Model.SetHOffset(hbar_->Value());
    } else {
        hbar_->SetValue(0);
        hbar_->SetShown(false);
        m_Model.SetHOffset(0);
    }
    if (resized) ReDraw();
}

void UC_ListView::Refresh() {
    SetVbarParm();
    if (!initialised_) return;
    vbar_->SetValue(0);
    hbar_->SetValue(0);
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
    vbar_->SetValue(pValue);
    m_Model.SetTopItem(vbar_->Value());
}

void UC_ListView::VBarSync() {
    m_Model.SetTopItem(vbar_->Value());
    if (TopItem() != drawnTop_) {
        ReDraw();
        if (!m_Options.BarNoDoEvents) Yield();
    }
}

void UC_ListView::HBarSync() {
    m_Model.SetHOffset(hbar_->Value());
    if (!m_Options.BarNoDoEvents) Yield();
    ReDrawTab(-1);
    Yield();
    ReDraw();
    Yield();
}

void UC_ListView::VBarMove(int32_t pValue) {
    if (!vbar_ || !vbar_->IsShown()) return;
    vbar_->SetValue(vbar_->Value() + pValue);
}

void UC_ListView::VBarScroll(int32_t pValue) {
    if (!vbar_ || !vbar_->IsShown() || pValue == 0) return;
    VBarMove(pValue * m_Options.NumWheelScroll);
    VBarSync();
}

void UC_ListView::ShowSelected(int32_t pIfHidden) {
    const int32_t n = SelectedItem();
    if (n < 0 || n >= ItemCount() || !vbar_) return;
    if (!vbar_->IsShown()) {
        m_Model.SetTopItem(0);
    } else {
        const int32_t wanted = RoundToInt(n - visibleRows_ / 2.0);
        if (pIfHidden == 0 || n < TopItem() || n > TopItem() + visibleRows_ - 1)
            WriteVBar(std::clamp(wanted, 0, vbar_->Max()));
    }
    ReDraw();
}

void UC_ListView::ShowItem(int32_t pTopItem, int32_t pIfHidden) {
    const int32_t n = pTopItem;
    if (n < 0 || n >= ItemCount() || !vbar_) return;
    if (!vbar_->IsShown()) {
        m_Model.SetTopItem(0);
    } else if (pIfHidden == 0 || n < TopItem() || n > TopItem() + visibleRows_ - 1) {
        WriteVBar(std::clamp(n, 0, vbar_->Max()));
    }
    ReDraw();
}

void UC_ListView::SetTabWidthAuto() {
    if (ItemCount() <= 0) return;
    listSurface_.SetFont(listFont_);
    for (int32_t col = 0; col < NumData(); ++col) {
        int32_t widest = 0;
        for (int32_t i = 0; i < ItemCount(); ++i)
            widest = std::max(widest, listSurface_.TextWidth(Value(i, col).Text()));
        int32_t width = (widest + 16) * Px();
        if (m_Model.Tab(col).TabOrder == 0 && !m_Options.IconDisabled) width += 16 * Px();
        m_Model.SetTabWidth(col, width);
    }
    ReDrawTab(-1);
    ReDraw();
}

// ---------------------------------------------------------------- drawing

void UC_ListView::HideAllEditors() {
    for (QLineEdit* e : textLV_)
        e->hide();
    for (QComboBox* c : comboLV_)
        c->hide();
}

void UC_ListView::ReDraw() {
    if (!initialised_) return;
    if (drawDepth_ == 0) {
        ++drawDepth_;
        Yield();
        --drawDepth_;
    }
    const int32_t px = Px();
    listSurface_.SetBackColor(backColor_);
    listSurface_.SetFont(listFont_);
    listSurface_.Clear();
    const int32_t rows = OneHeight() > 0 ? (listSurface_.Height() * px) / OneHeight() : 0;
    const bool cursorShown = SelectedItem() >= 0 && SelectedItem() < ItemCount() &&
                             SelectedItem() >= TopItem() && SelectedItem() <= TopItem() + rows - 1;
    if (!cursorShown || m_Options.HideTextCombo == 1) HideAllEditors();

    const int32_t width = listSurface_.Width();
    if (m_Options.UseMadara) {
        for (int32_t i = 0; i <= rows; ++i) {
            if (((TopItem() + i) & 1) == 0) continue;
            const int32_t y1 = (i * OneHeight() + px) / px, y2 = ((i + 1) * OneHeight()) / px;
            listSurface_.FillBox(0, y1, width, y2 - y1 + 1, StripeColor);
        }
    }
    for (int32_t j = 0; j <= rows && TopItem() + j < ItemCount(); ++j) {
        const int32_t item = TopItem() + j;
        if (!m_Options.IconDisabled && HOffset() < 16 * px && IconType(item) != -1)
            DrawIcon(j, IconType(item));
        DrawCells(j, item, item == SelectedItem());
        DrawRowMarks(j, item);
    }
    DrawColumnSeparators();
    drawnTop_ = TopItem();
    pictureList_->update();
}

void UC_ListView::DrawIcon(int32_t pRow, int32_t pIcon) {
    const int32_t px = Px();
    if (pIcon < 0 || pIcon * 16 >= icons_.Width()) return;
    const int32_t x = 2 - HOffset() / px;
    const int32_t d = RoundToInt((double(OneHeight()) / px - 16.0) / 2.0);
    const int32_t y = RoundToInt(double(pRow) * OneHeight() / px + d);
    listSurface_.CopyFrom(x, y, icons_, pIcon * 16, 16, 16, 16, platform::CopyMode::And);
    listSurface_.CopyFrom(x, y, icons_, pIcon * 16, 0, 16, 16, platform::CopyMode::Xor);
}

void UC_ListView::DrawCells(int32_t pRow, int32_t pItem, bool pCursorRow) {
    const int32_t px = Px();
    const Color color = DispColor(pItem);
    const int32_t y = (pRow * OneHeight() + 4 * px) / px;
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
        const int32_t maxWidth = tab.TabWidth - (k == 1 ? iconArea_ : 6 * px);
        const QString text = FitText(full, listSurface_, maxWidth, right);
        int32_t x;
        if (right)
            x = tab.Right - listSurface_.TextWidth(text) * px - 6 * px - HOffset();
        else if (k == 1)
            x = iconArea_ - HOffset();
        else
            x = tab.Left + 6 * px - HOffset();
        if (!text.isEmpty()) listSurface_.Print(x / px, y, text, color);
        if (pCursorRow) PlaceEditorsOnRow(tab, pRow, full);
    }
}

void UC_ListView::PlaceEditorsOnRow(const LVTab& pTab, int32_t pRow, const QString& pText) {
    const int32_t px = Px();
    const int top = (pRow * OneHeight() + px) / px;
    auto place = [&](QWidget* editor, bool wanted, auto setText) {
        if (!editor) return;
        if (!wanted || pTab.TabHidden == 1) {
            editor->hide();
            return;
        }
        if (editor->y() != top) editor->move(editor->x(), top);
        // Showing the cell is not an edit: no change event.
        const QSignalBlocker block(editor);
        setText();
        if (m_Options.HideTextCombo == 0 && editor->isHidden()) editor->show();
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
    const int32_t width = listSurface_.Width();
    const int32_t y1 = (pRow * OneHeight() + px) / px;
    const int32_t y2 = (pRow * OneHeight() + EditorHeight() + px) / px;
    if (IsSelected(pItem)) {
        listSurface_.SetDrawMode(m_Options.SelectedColorMode);
        listSurface_.FillBox(0, y1, width, y2 - y1 + 1, m_Options.SelectedColor);
        listSurface_.SetDrawMode(platform::kRasterCopyPen);
    }
    if (HLine(pItem) != 0) listSurface_.Line(0, y1, width, y1, HLine(pItem));
    if (m_Options.BorderIfBlank != 0 &&
        Value(pItem, m_Options.BorderIfBlank - 1).Text().isEmpty()) {
        listSurface_.SetDrawMode(m_Options.SelectedColorMode);
        listSurface_.FillBox(0, y1, width, y2 - y1 + 1, BlankColor);
        listSurface_.SetDrawMode(platform::kRasterCopyPen);
    }
}

void UC_ListView::DrawColumnSeparators() {
    const int32_t px = Px();
    const Color face = SystemColor(platform::kColorButtonFace);
    const Color color = backColor_ == face ? SystemColor(platform::kColorButtonShadow) : face;
    for (int32_t col : m_Model.TabPositions()) {
        const LVTab& tab = m_Model.Tab(col);
        if (tab.TabHidden == 1) continue;
        const int32_t x = (tab.Right - HOffset() - px) / px;
        listSurface_.Line(x, 0, x, listSurface_.Height(), color);
    }
}

void UC_ListView::ReDrawTab(int32_t pPushedData) {
    if (!initialised_ || tabSurface_.IsNull()) return;
    const int32_t px = Px();
    tabSurface_.SetFont(tabFont_);
    tabSurface_.Clear();
    const int32_t height = TabHeight;
    for (int32_t col : m_Model.TabPositions()) {
        const LVTab& tab = m_Model.Tab(col);
        if (tab.TabHidden == 1) continue;
        if (m_Options.TabDisabled != 1) {
            const int32_t pushed = col == pPushedData ? 1 : 0;
            tabSurface_.StretchFrom((tab.Left - HOffset()) / px, 0, tab.TabWidth / px, height / px,
                                    tabGrad_, 0, 0, 1, tabGrad_.Height());
            const bool right = tab.TabAlign == 1 && m_Options.NoAlign4Tab == 0;
            const QString caption =
                FitText(tab.TabName, tabSurface_, tab.TabWidth - 6 * px, tab.TabAlign == 1);
            const int32_t x = right ? tab.Right - tabSurface_.TextWidth(caption) * px -
                                          (pushed + 6) * px - HOffset()
                                    : tab.Left + (pushed + 6) * px - HOffset();
            tabSurface_.Print(x / px, pushed + 3, caption, SystemColor(platform::kColorButtonText));
            DrawCellFrame(tabSurface_, tab.Left - HOffset(), 0, tab.TabWidth, height, pushed);
        }
        const int left = (tab.Left - HOffset() + 3 * px) / px;
        const int editorWidth = std::max((tab.TabWidth - 3 * px) / px, 1);
        const int editorHeight = std::max(textBoxHeight_ / px, 1);
        if (QLineEdit* edit = TextLV(tab.TextNum))
            edit->setGeometry(left, edit->y(), editorWidth, editorHeight);
        if (QComboBox* combo = ComboLV(tab.ComboNum))
            combo->setGeometry(left, combo->y(), editorWidth, editorHeight);
    }
    pictureTab_->update();
}

bool UC_ListView::TextComboVisible() const {
    return !textLV_[0]->isHidden() || !comboLV_[0]->isHidden();
}
