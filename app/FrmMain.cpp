#include "app/FrmMain.h"
#include "app/FileColumns.h"
#include "app/SkipFailingStep.h"

#include "controls/AccessibleControls.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"
#include "services/core/TwipsPerPixel.h"
#include "services/ui/Fonts.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
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

void MoveTopTwips(QWidget* pW, int pTop) {
    QRect g = GeometryTwips(pW);
    PlaceTwips(pW, g.x(), pTop, g.width(), g.height());
}

} // namespace

FrmMain::FrmMain(QWidget* pParent) : QWidget(pParent) {
    InstallAccessibleControls();
    setWindowTitle(QString::fromUtf8(AppTitle.data(), qsizetype(AppTitle.size())));
}

FrmMain::~FrmMain() {
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
    m_DesignSize = QSize(ToPx(ClientWidth), ToPx(ClientHeight));
    setMinimumSize(m_DesignSize);
    resize(m_DesignSize);
    CreateDesignControls();

    SkipFailingStep([&] {
        for (int16_t i = 1; i <= 2; ++i)
            LoadNextElement(m_CheckParm, i, 0, true, false);
        MoveTopTwips(m_CheckParm[1], 900);
        MoveTopTwips(m_CheckParm[2], 2880); // below the last option box of the modes
    });
    SkipFailingStep([&] { SetUpSliders(); });
    SkipFailingStep([&] {
        int top1 = GeometryTwips(m_CheckParm[1]).y();
        MoveTopTwips(m_SliderParm[2], top1);
        MoveTopTwips(m_CheckClip, top1);
        MoveTopTwips(m_SliderParm[3], GeometryTwips(m_CheckParm[2]).y());
    });
    SkipFailingStep([&] { LoadSliderValues(); });
    SkipFailingStep([&] { SetUpValueDisplays(); });
    SkipFailingStep([&] { SetUpButtons(); });
    SkipFailingStep([&] { m_ProgBar->Init(); });
    SkipFailingStep([&] { SetUpFileList(); });
    SkipFailingStep([&] {
        m_TextSoundPath->Init();
        LoadPathAndTexts();
    });
    SkipFailingStep([&] { PaintWindowBackground(); });
    SkipFailingStep([&] { LoadUseChecks(); });
    SkipFailingStep([&] { SetUpNormModes(); });
    SkipFailingStep([&] {
        // The RMS fields stand beside the option box of the mode that reads them.
        size_t gated = 0;
        while (gated + 1 < kNormModeCount && !kNormModes[gated].UsesGate)
            ++gated;
        int top3 = GeometryTwips(m_CheckNormMode[gated]).y();
        MoveTopTwips(m_TextParm[2], top3);
        MoveTopTwips(m_TextParm[3], top3);
    });
    SkipFailingStep([&] { SetUpLoudnessPanel(); });
    SkipFailingStep([&] { PrintLabels(); });
    SkipFailingStep([&] { LoadClipAndOverWrite(); });
    SkipFailingStep([&] { ApplyPanelRules(); });
    SkipFailingStep([&] { SetAccessibleNames(); });
    SkipFailingStep([&] { SetUpPreview(); });
    RecordDesignLayout();
    SkipFailingStep([&] { RestorePlacement(); });
    ConnectEvents();
    SkipFailingStep([&] { ConnectPreview(); });
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
    SavePanel();
    SaveWindowPlacement(*this, "", 0, 0);
    if (ExplicitFonts) DeleteUIFonts();
    m_Link.Close();
    m_Instance.Release();
}

// The controls that exist before loading, at their fixed places.
void FrmMain::CreateDesignControls() {
    auto* trim = new UC_Check(this);
    PlaceTwips(trim, 90, 90, 1320, 300);
    m_CheckParm = {trim};

    auto* slider = new UC_Slider(this);
    PlaceTwips(slider, 2055, 90, 2730, 300);
    m_SliderParm = {slider};

    auto* value = new UC_TextPicture(this);
    PlaceTwips(value, 4845, 90, 675, 300);
    m_TextValue = {value};

    const int textPlaces[4][2] = {{6840, 90}, {6840, 435}, {3345, 2250}, {4395, 2250}};
    m_TextParm.clear();
    for (const auto& place : textPlaces) {
        auto* text = new QLineEdit(this);
        PlaceTwips(text, place[0], place[1], 630, 270);
        m_TextParm.push_back(text);
    }

    m_CheckClip = new UC_Check(this);
    PlaceTwips(m_CheckClip, 5700, 900, 1230, 285);

    auto* peak = new UC_Check(this);
    PlaceTwips(peak, 2055, 1305, 1230, 285);
    m_CheckNormMode = {peak};

    m_ProgBar = new UC_Bar(this);
    m_ProgBar->SetIdle(1);          // it shows a run's progress; no drags while none is going
    m_ProgBar->SetDrawInterval(15); // a file may take less than a frame: no faster than the eye
    PlaceTwips(m_ProgBar, 105, 3225, 7725, 285);

    m_LV = new UC_ListView(this);
    PlaceTwips(m_LV, 105, 3585, 7725, 2370);

    m_CheckOw = new UC_Check(this);
    PlaceTwips(m_CheckOw, 4215, 6045, 1590, 285);

    m_TextSoundPath = new UC_PathText(this);
    PlaceTwips(m_TextSoundPath, 4215, 6360, 3615, 270);

    m_CtrButtons = new UC_Buttons(this);
    PlaceTwips(m_CtrButtons, 4905, 6675, 2940, 330);
}

// Creates element `index` of a control array next to element index - 1:
// placement 0 below it, 1 to its right, other values at its place.
template <class T>
T* FrmMain::LoadNextElement(std::vector<T*>& array, int16_t index, int placement, bool visible,
                            bool setFont, int gap) {
    if (gap == -1) gap = 2 * TwipsPerPixel;
    if (index < 1 || size_t(index) > array.size()) return nullptr;
    T* previous = array[size_t(index - 1)];
    auto* element = new T(previous->parentWidget());
    QRect g = GeometryTwips(previous);
    int left = g.x();
    int top = g.y();
    if (placement == 0) top = g.y() + g.height() + gap;
    if (placement == 1) left = g.x() + g.width() + gap;
    PlaceTwips(element, left, top, g.width(), g.height());
    if (size_t(index) == array.size())
        array.push_back(element);
    else
        array[size_t(index)] = element;
    QWidget::setTabOrder(previous, element);
    if (setFont) {
        SetUIFont(element, -2, nullptr, 0, 0, 0, {});
        if (index == 1) SetUIFont(previous, -2, nullptr, 0, 0, 0, {});
    }
    element->setVisible(visible);
    return element;
}

void FrmMain::InitCheckBox(UC_Check* pBox, const QString& pCaption, int32_t pValue,
                           float pFontSize) {
    QRect g = GeometryTwips(pBox);
    pBox->SetBGPic(g.x(), g.y(), &m_Background);
    pBox->SetFontSize(pFontSize);
    pBox->SetCaption(pCaption);
    pBox->SetValue(pValue);
}

void FrmMain::SetUpSliders() {
    for (int16_t i = 1; i <= 3; ++i)
        LoadNextElement(m_SliderParm, i, 0, true, false);
    for (size_t i = 0; i < m_SliderParm.size(); ++i) {
        UC_Slider* s = m_SliderParm[i];
        s->SetSmallChange(1);
        if (i == 3) {
            s->SetMax(20);
            s->SetMin(-40);
        } else {
            s->SetMax(0);
            s->SetMin(-60);
        }
        s->Init();
    }
}

void FrmMain::SetUpValueDisplays() {
    for (int16_t i = 1; i <= 3; ++i)
        LoadNextElement(m_TextValue, i, 0, true, false);
    for (size_t i = 0; i < m_TextValue.size(); ++i) {
        UC_TextPicture* t = m_TextValue[i];
        MoveTopTwips(t, GeometryTwips(m_SliderParm[i]).y());
        t->AddStdColorSet(1);
        t->AddTextSpace();
        t->Init();
    }
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

void FrmMain::PaintWindowBackground() {
    m_Background.Resize(std::max(width(), m_DesignSize.width()),
                        std::max(height(), m_DesignSize.height()));
    m_Background.SetFont(font());
    PaintBackground(m_Background, 14, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultNumber,
                    kDefaultNumber, kDefaultNumber);
    update();
}

void FrmMain::SetUpNormModes() {
    for (size_t i = 1; i < kNormModeCount; ++i)
        LoadNextElement(m_CheckNormMode, int16_t(i), 0, true, false);
    for (size_t i = 0; i < m_CheckNormMode.size(); ++i) {
        m_CheckNormMode[i]->SetIsOption(1);
        const std::string_view caption = kNormModes[i].Caption;
        InitCheckBox(m_CheckNormMode[i],
                     QString::fromLatin1(caption.data(), qsizetype(caption.size())), 0, 9);
    }
    LoadNormMode();
}

void FrmMain::PrintLabels() {
    PrintCaption(m_Background, m_TextParm[0], QStringLiteral("Start Margin"), 0);
    PrintCaption(m_Background, m_TextParm[1], QStringLiteral("End Margin"), 0);
    for (int i = 0; i < 3; ++i)
        PrintCaption(m_Background, m_TextParm[size_t(i)], "ms", 2);
    PrintCaption(m_Background, m_TextSoundPath, QStringLiteral("Output To"), 0);
    PrintCaption(m_Background, m_TextParm[3], QStringLiteral("db"), 2);
    PrintCaption(m_Background, m_SliderParm[0], QStringLiteral("Start"), 0);
    PrintCaption(m_Background, m_SliderParm[1], QStringLiteral("End"), 0);
    update();
}

void FrmMain::ConnectEvents() {
    for (size_t i = 0; i < m_CheckParm.size(); ++i)
        connect(m_CheckParm[i], &UC_Check::Click, this, [this, i] { CheckParm_Click(int(i)); });
    for (size_t i = 0; i < m_CheckNormMode.size(); ++i)
        connect(m_CheckNormMode[i], &UC_Check::Click, this,
                [this, i] { CheckNormMode_Click(int(i)); });
    connect(m_CheckOw, &UC_Check::Click, this, [this] { CheckOW_Click(); });
    for (size_t i = 0; i < m_SliderParm.size(); ++i)
        connect(m_SliderParm[i], &UC_Slider::Scrolled, this,
                [this, i](int16_t) { SliderParm_Scrolled(int(i)); });
    connect(m_CtrButtons, &UC_Buttons::ButtonClicked, this,
            [this](int32_t pIndex) { CtrButtons_ButtonClicked(pIndex); });
    connect(m_LV, &UC_ListView::OLEDragDrop, this, &FrmMain::LV_OLEDragDrop);
    connect(m_LV, &UC_ListView::DblClicked, this, [this] { LV_DblClicked(); });
    connect(m_LV, &UC_ListView::DeletePressed, this, [this] { LV_DeletePressed(); });
    connect(m_LV, &UC_ListView::OLEDragOver, this, [this] { BringToFront(); });
    setAcceptDrops(true);
    SetUpListMenu();
    connect(m_TextSoundPath, &UC_PathText::TextChange, this, [this] { ShowOutputValidity(); });
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
