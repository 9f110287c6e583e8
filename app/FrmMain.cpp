#include "app/FrmMain.h"
#include "app/FileColumns.h"
#include "app/OriginalsButton.h"
#include "app/SkipFailingStep.h"

#include "controls/AccessibleControls.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"
#include "services/core/TwipsPerPixel.h"
#include "services/ui/Fonts.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>

namespace app {

namespace {

int32_t ScreenTwipsPerPixel(const QWidget* pW) {
    const QScreen* screen = pW->screen();
    double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    if (!(dpi > 0)) dpi = 96.0;
    long tpp = std::lround(1440.0 / dpi);
    return tpp < 1 ? 1 : int32_t(tpp);
}

// The progress bar's design top, and the gap it keeps below the panel (twips).
constexpr int kBarTopTwips = 3225;
constexpr int kPanelGapTwips = 45;

} // namespace

FrmMain::FrmMain(QWidget* pParent) : QWidget(pParent) {
    InstallAccessibleControls();
    m_RunWorker.setMaxThreadCount(1);
    setWindowTitle(QString::fromUtf8(AppTitle.data(), qsizetype(AppTitle.size())));
}

FrmMain::~FrmMain() {
    // The worker reads this window's flags and posts to it: it lets go first.
    if (m_RunState == 1) StopRunAndWait();
    // A window that goes away without being closed still keeps its settings.
    if (m_Loaded && !m_Unloaded && m_RunState == 0) Form_Unload();
    // Hidden while its members still exist: a focused control's last drawing reads them.
    hide();
}

bool FrmMain::Form_Load() {
    TwipsPerPixel = ScreenTwipsPerPixel(this);
    if (!m_Instance.Acquire()) return false;

    SkipFailingStep([&] {
        setWindowTitle(QString::fromUtf8(AppTitle.data(), qsizetype(AppTitle.size())));
        QDir::setCurrent(QFile::decodeName(AppFolder().c_str()));
    });
    SkipFailingStep([&] { ReadErrorSwitches(); });
    SkipFailingStep([&] {
        DecideLanguageMode();
        if (ExplicitFonts) SetUIFont(this, -2, nullptr, 0, 0, 0, {});
        ForceLogWhenCatching();
    });
    m_Panel = new ParamPanel(this);
    // A panel taller than designed (more modes, more fields) pushes the rest down.
    const int shift = std::max(0, m_Panel->BottomTwips() + kPanelGapTwips - kBarTopTwips);
    m_DesignSize = QSize(ToPx(ClientWidth), ToPx(ClientHeight + shift));
    setMinimumSize(m_DesignSize);
    resize(m_DesignSize);
    CreateDesignControls(shift);
    SkipFailingStep([&] { SetUpButtons(); });
    SkipFailingStep([&] { m_ProgBar->Init(); });
    SkipFailingStep([&] { SetUpFileList(); });
    SkipFailingStep([&] { PaintWindowBackground(); });
    SkipFailingStep([&] { SetAccessibleNames(); });
    SetUpListMenu();
    SetUpUndo();
    m_Pane = new PreviewPane(this, m_LV, m_Panel, m_ListMenu);
    setMinimumSize(MinimumClientSize());
    resize(size().expandedTo(minimumSize()));
    RecordDesignLayout();
    SkipFailingStep([&] { RestorePlacement(); });
    ConnectEvents();
    SkipFailingStep([&] { SetUpKeyboard(); });
    SkipFailingStep([&] { SetUpAccessibility(); });
    m_Loaded = true;
    ListenForOtherStarts();
    show();
    // Shown, the window knows its frame: keep all of it on the screen.
    SkipFailingStep([&] { KeepOnScreen(); });
    return true;
}

void FrmMain::Form_Unload() {
    if (!m_Loaded || m_Unloaded) return;
    m_Unloaded = true;
    m_Panel->Save();
    SaveWindowPlacement(*this, "", 0, 0);
    if (ExplicitFonts) DeleteUIFonts();
    m_Link.Close();
    m_Instance.Release();
}

// The controls below the panel, at their design places (pShift twips lower for a taller panel).
void FrmMain::CreateDesignControls(int pShift) {
    m_ProgBar = new UC_Bar(this);
    m_ProgBar->SetIdle(1);          // it shows a run's progress; no drags while none is going
    m_ProgBar->SetDrawInterval(15); // a file may take less than a frame: no faster than the eye
    PlaceTwips(m_ProgBar, 105, kBarTopTwips + pShift, 7725, 285);

    m_LV = new UC_ListView(this);
    PlaceTwips(m_LV, 105, 3585 + pShift, 7725, 2370);

    m_CtrButtons = new UC_Buttons(this);
    PlaceTwips(m_CtrButtons, 4905, 6675 + pShift, 2940, 330);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_Panel->OverWriteBox(), m_Panel->OutputTo()}) {
        const QRect g = GeometryTwips(control);
        PlaceTwips(control, g.x(), g.y() + pShift, g.width(), g.height());
    }
    // Beside OverWrite, up to the right end of Output To.
    m_Originals = new OriginalsButton(this);
    const QRect overWrite = GeometryTwips(m_Panel->OverWriteBox());
    const int left = overWrite.x() + overWrite.width() + 45;
    const QRect outputTo = GeometryTwips(m_Panel->OutputTo());
    PlaceTwips(m_Originals, left, overWrite.y(), outputTo.x() + outputTo.width() - left,
               overWrite.height());
}

void FrmMain::SetUpButtons() {
    m_CtrButtons->SetDesignType(1);
    m_CtrButtons->SetNumButtons(3);
    m_CtrButtons->SetButtonChar(0, QStringLiteral("Clear"));
    m_CtrButtons->SetButtonChar(1, QStringLiteral("Abort"));
    m_CtrButtons->SetButtonChar(2, QStringLiteral("Start"));
    m_CtrButtons->Init();
}

void FrmMain::SetUpFileList() {
    m_LV->SetNumData(kFileColumnCount);
    m_LV->SetNumAux(1);
    m_LV->SetUseUCBar(true);
    m_LV->SetOneHeight();
    m_LV->Init();
    std::array<int32_t, kFileColumnCount> widths{};
    for (const FileColumnLayout& column : kFileColumns)
        widths[size_t(ColumnIndex(column.Column))] = column.Width;
    // A font wider than the one the layout was made for would cut the length text's
    // last digits ("001'03.40"), which misreads; the title column gives up the room.
    int32_t& titleWidth = widths[size_t(ColumnIndex(FileColumn::Title))];
    int32_t& lengthWidth = widths[size_t(ColumnIndex(FileColumn::Length))];
    const int32_t lengthNeeds = m_LV->CellWidthFor(QStringLiteral("000'00.000"));
    if (lengthNeeds > lengthWidth) {
        titleWidth -= lengthNeeds - lengthWidth;
        lengthWidth = lengthNeeds;
    }
    for (const FileColumnLayout& column : kFileColumns) {
        const int32_t index = ColumnIndex(column.Column);
        m_LV->SetTabName(index, QString::fromLatin1(column.Name));
        m_LV->SetTabWidth(index, widths[size_t(index)]);
    }
    m_LV->ReDrawTab(-1);
    m_LV->SetFillWidth(true); // the last column takes the room of a wider window
}

// The background is one picture of the client area, with the panel's captions printed on it.
void FrmMain::PaintWindowBackground() {
    m_Background.Resize(std::max(width(), m_DesignSize.width()),
                        std::max(height(), m_DesignSize.height()));
    m_Background.SetFont(font());
    PaintBackground(m_Background, 14, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultNumber,
                    kDefaultNumber, kDefaultNumber);
    m_Panel->PaintOn(m_Background);
    update();
}

void FrmMain::ConnectEvents() {
    connect(m_CtrButtons, &UC_Buttons::ButtonClicked, this,
            [this](int32_t pIndex) { CtrButtons_ButtonClicked(pIndex); });
    connect(m_LV, &UC_ListView::OLEDragDrop, this, &FrmMain::LV_OLEDragDrop);
    connect(m_LV, &UC_ListView::DblClicked, this, [this] { LV_DblClicked(); });
    connect(m_LV, &UC_ListView::DeletePressed, this, [this] { LV_DeletePressed(); });
    connect(m_LV, &UC_ListView::OLEDragOver, this, [this] { BringToFront(); });
    connect(m_Pane, &PreviewPane::ShownChanged, this,
            [this](bool pOn) { PreviewShownChanged(pOn); });
    connect(m_Pane, &PreviewPane::StatusNote, this, &FrmMain::ShowStatus);
    ConnectRun();
    connect(m_Panel, &ParamPanel::Changed, this,
            [this] { m_Originals->setEnabled(m_Panel->OverWriteBox()->Value() != 0); });
    // What becomes of the originals only matters while OverWrite is on.
    m_Originals->setEnabled(m_Panel->OverWriteBox()->Value() != 0);
    setAcceptDrops(true);
}

void FrmMain::paintEvent(QPaintEvent*) {
    if (m_Background.IsNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_Background.Image());
}

void FrmMain::closeEvent(QCloseEvent* pEvent) {
    if (m_RunState == 1) {
        // Stop the run first; the window closes once the current file is settled.
        m_AbortRequested = 1;
        m_CloseWhenIdle = true;
        pEvent->ignore();
        return;
    }
    Form_Unload();
    pEvent->accept();
}

void FrmMain::dragEnterEvent(QDragEnterEvent* pEvent) {
    BringToFront();
    pEvent->ignore(); // only the list takes drops
}

void FrmMain::BringToFront() {
    if (isActiveWindow()) return;
    raise();
    activateWindow();
}

// ---- placement ---------------------------------------------------------

int32_t FrmMain::Left() const {
    return ToTwips(pos().x());
}
int32_t FrmMain::Top() const {
    return ToTwips(pos().y());
}
// The size is the client area's: a frame whose size the platform only knows
// once the window is shown must not make the window grow from start to start.
int32_t FrmMain::Width() const {
    return ToTwips(width());
}
int32_t FrmMain::Height() const {
    return ToTwips(height());
}

int32_t FrmMain::WindowState() const {
    Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized) return 1;
    if (s & Qt::WindowMaximized) return 2;
    return 0;
}

void FrmMain::SetLeft(int32_t pTwips) {
    move(ToPx(pTwips), pos().y());
}
void FrmMain::SetTop(int32_t pTwips) {
    move(pos().x(), ToPx(pTwips));
}
// Never below the design size, which the panel needs.
void FrmMain::SetWidth(int32_t pTwips) {
    resize(std::max(ToPx(pTwips), minimumWidth()), height());
}
void FrmMain::SetHeight(int32_t pTwips) {
    resize(width(), std::max(ToPx(pTwips), minimumHeight()));
}

void FrmMain::SetWindowState(int32_t pState) {
    if (pState == 1)
        setWindowState(Qt::WindowMinimized);
    else if (pState == 2)
        setWindowState(Qt::WindowMaximized);
    else
        setWindowState(Qt::WindowNoState);
}

} // namespace app
