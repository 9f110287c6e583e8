#include "app/FrmMain.h"
#include "app/FileColumns.h"
#include "app/SkipFailingStep.h"

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

#include <cmath>

namespace app {

namespace {

int32_t ScreenTwipsPerPixel(const QWidget* w) {
    const QScreen* screen = w->screen();
    double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    if (!(dpi > 0)) dpi = 96.0;
    long tpp = std::lround(1440.0 / dpi);
    return tpp < 1 ? 1 : int32_t(tpp);
}

void MoveTopTwips(QWidget* w, int top) {
    QRect g = GeometryTwips(w);
    PlaceTwips(w, g.x(), top, g.width(), g.height());
}

} // namespace

FrmMain::FrmMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromUtf8(AppTitle.data(), qsizetype(AppTitle.size())));
}

FrmMain::~FrmMain() {
    // A window that goes away without being closed still keeps its settings.
    if (loaded_ && !unloaded_ && runState_ == 0) Form_Unload();
}

bool FrmMain::Form_Load() {
    TwipsPerPixel = ScreenTwipsPerPixel(this);
    if (!instance_.Acquire()) return false;

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
    setFixedSize(ToPx(ClientWidth), ToPx(ClientHeight));
    CreateDesignControls();

    SkipFailingStep([&] {
        for (int16_t i = 1; i <= 2; ++i)
            LoadNextElement(checkParm_, i, 0, true, false);
        MoveTopTwips(checkParm_[1], 900);
        MoveTopTwips(checkParm_[2], 2760);
    });
    SkipFailingStep([&] { SetUpSliders(); });
    SkipFailingStep([&] {
        int top1 = GeometryTwips(checkParm_[1]).y();
        MoveTopTwips(sliderParm_[2], top1);
        MoveTopTwips(checkClip_, top1);
        MoveTopTwips(sliderParm_[3], GeometryTwips(checkParm_[2]).y());
    });
    SkipFailingStep([&] { LoadSliderValues(); });
    SkipFailingStep([&] { SetUpValueDisplays(); });
    SkipFailingStep([&] { SetUpButtons(); });
    SkipFailingStep([&] { progBar_->Init(); });
    SkipFailingStep([&] { SetUpFileList(); });
    SkipFailingStep([&] {
        textSoundPath_->Init();
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
        int top3 = GeometryTwips(checkNormMode_[gated]).y();
        MoveTopTwips(textParm_[2], top3);
        MoveTopTwips(textParm_[3], top3);
    });
    SkipFailingStep([&] { PrintLabels(); });
    SkipFailingStep([&] { LoadClipAndOverWrite(); });
    SkipFailingStep([&] { ApplyPanelRules(); });
    SkipFailingStep([&] { RestoreWindowPlacement(*this, "", 1, 0, 0); });
    ConnectEvents();
    loaded_ = true;
    show();
    return true;
}

void FrmMain::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    SavePanel();
    SaveWindowPlacement(*this, "", 1, 0);
    if (ExplicitFonts) DeleteUIFonts();
    instance_.Release();
}

// The controls that exist before loading, at their fixed places.
void FrmMain::CreateDesignControls() {
    auto* trim = new UC_Check(this);
    PlaceTwips(trim, 90, 90, 1320, 300);
    checkParm_ = {trim};

    auto* slider = new UC_Slider(this);
    PlaceTwips(slider, 2055, 90, 2730, 300);
    sliderParm_ = {slider};

    auto* value = new UC_TextPicture(this);
    PlaceTwips(value, 4845, 90, 675, 300);
    textValue_ = {value};

    const int textPlaces[4][2] = {{6840, 90}, {6840, 435}, {3345, 2250}, {4395, 2250}};
    textParm_.clear();
    for (const auto& place : textPlaces) {
        auto* text = new QLineEdit(this);
        PlaceTwips(text, place[0], place[1], 630, 270);
        textParm_.push_back(text);
    }

    checkClip_ = new UC_Check(this);
    PlaceTwips(checkClip_, 5700, 900, 1230, 285);

    auto* peak = new UC_Check(this);
    PlaceTwips(peak, 2055, 1305, 1230, 285);
    checkNormMode_ = {peak};

    progBar_ = new UC_Bar(this);
    PlaceTwips(progBar_, 105, 3225, 7725, 285);

    lv_ = new UC_ListView(this);
    PlaceTwips(lv_, 105, 3585, 7725, 2370);

    checkOW_ = new UC_Check(this);
    PlaceTwips(checkOW_, 4215, 6045, 1590, 285);

    textSoundPath_ = new UC_PathText(this);
    PlaceTwips(textSoundPath_, 4215, 6360, 3615, 270);

    ctrButtons_ = new UC_Buttons(this);
    PlaceTwips(ctrButtons_, 4905, 6675, 2940, 330);
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

void FrmMain::InitCheckBox(UC_Check* box, const QString& caption, int32_t value, float fontSize) {
    QRect g = GeometryTwips(box);
    box->SetBGPic(g.x(), g.y(), &background_);
    box->SetFontSize(fontSize);
    box->SetCaption(caption);
    box->SetValue(value);
}

void FrmMain::SetUpSliders() {
    for (int16_t i = 1; i <= 3; ++i)
        LoadNextElement(sliderParm_, i, 0, true, false);
    for (size_t i = 0; i < sliderParm_.size(); ++i) {
        UC_Slider* s = sliderParm_[i];
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
        LoadNextElement(textValue_, i, 0, true, false);
    for (size_t i = 0; i < textValue_.size(); ++i) {
        UC_TextPicture* t = textValue_[i];
        MoveTopTwips(t, GeometryTwips(sliderParm_[i]).y());
        t->AddStdColorSet(1);
        t->AddTextSpace();
        t->Init();
    }
}

void FrmMain::SetUpButtons() {
    ctrButtons_->SetDesignType(1);
    ctrButtons_->SetNumButtons(3);
    ctrButtons_->SetButtonChar(0, QStringLiteral("Clear"));
    ctrButtons_->SetButtonChar(1, QStringLiteral("Abort"));
    ctrButtons_->SetButtonChar(2, QStringLiteral("Start"));
    ctrButtons_->Init();
}

void FrmMain::SetUpFileList() {
    lv_->SetNumData(kFileColumnCount);
    lv_->SetNumAux(1);
    lv_->SetUseUCBar(true);
    lv_->SetOneHeight();
    lv_->Init();
    std::array<int32_t, kFileColumnCount> widths{};
    for (const FileColumnLayout& column : kFileColumns)
        widths[size_t(ColumnIndex(column.Column))] = column.Width;
    // A font wider than the one the layout was made for would cut the length text's
    // last digits ("001'03.40"), which misreads; the title column gives up the room.
    int32_t& titleWidth = widths[size_t(ColumnIndex(FileColumn::Title))];
    int32_t& lengthWidth = widths[size_t(ColumnIndex(FileColumn::Length))];
    const int32_t lengthNeeds = lv_->CellWidthFor(QStringLiteral("000'00.000"));
    if (lengthNeeds > lengthWidth) {
        titleWidth -= lengthNeeds - lengthWidth;
        lengthWidth = lengthNeeds;
    }
    for (const FileColumnLayout& column : kFileColumns) {
        const int32_t index = ColumnIndex(column.Column);
        lv_->SetTabName(index, QString::fromLatin1(column.Name));
        lv_->SetTabWidth(index, widths[size_t(index)]);
    }
    lv_->ReDrawTab(-1);
    lv_->UserControl_Resize();
}

void FrmMain::PaintWindowBackground() {
    background_.Resize(ToPx(ClientWidth), ToPx(ClientHeight));
    background_.SetFont(font());
    PaintBackground(background_, 14, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultNumber,
                    kDefaultNumber, kDefaultNumber);
    update();
}

void FrmMain::SetUpNormModes() {
    for (size_t i = 1; i < kNormModeCount; ++i)
        LoadNextElement(checkNormMode_, int16_t(i), 0, true, false);
    for (size_t i = 0; i < checkNormMode_.size(); ++i) {
        checkNormMode_[i]->SetIsOption(1);
        const std::string_view caption = kNormModes[i].Caption;
        InitCheckBox(checkNormMode_[i],
                     QString::fromLatin1(caption.data(), qsizetype(caption.size())), 0, 9);
    }
    LoadNormMode();
}

void FrmMain::PrintLabels() {
    PrintCaption(background_, textParm_[0], QStringLiteral("Start Margin"), 0);
    PrintCaption(background_, textParm_[1], QStringLiteral("End Margin"), 0);
    for (int i = 0; i < 3; ++i)
        PrintCaption(background_, textParm_[size_t(i)], "ms", 2);
    PrintCaption(background_, textSoundPath_, QStringLiteral("Output To"), 0);
    PrintCaption(background_, textParm_[3], QStringLiteral("db"), 2);
    PrintCaption(background_, sliderParm_[0], QStringLiteral("Start"), 0);
    PrintCaption(background_, sliderParm_[1], QStringLiteral("End"), 0);
    update();
}

void FrmMain::ConnectEvents() {
    for (size_t i = 0; i < checkParm_.size(); ++i)
        connect(checkParm_[i], &UC_Check::Click, this, [this, i] { CheckParm_Click(int(i)); });
    for (size_t i = 0; i < checkNormMode_.size(); ++i)
        connect(checkNormMode_[i], &UC_Check::Click, this,
                [this, i] { CheckNormMode_Click(int(i)); });
    connect(checkOW_, &UC_Check::Click, this, [this] { CheckOW_Click(); });
    for (size_t i = 0; i < sliderParm_.size(); ++i)
        connect(sliderParm_[i], &UC_Slider::Scrolled, this,
                [this, i](int16_t) { SliderParm_Scrolled(int(i)); });
    connect(ctrButtons_, &UC_Buttons::ButtonClicked, this,
            [this](int32_t index) { CtrButtons_ButtonClicked(index); });
    connect(lv_, &UC_ListView::OLEDragDrop, this, &FrmMain::LV_OLEDragDrop);
    connect(lv_, &UC_ListView::DblClicked, this, [this] { LV_DblClicked(); });
    connect(lv_, &UC_ListView::OLEDragOver, this, [this] { BringToFront(); });
    setAcceptDrops(true);
}

void FrmMain::paintEvent(QPaintEvent*) {
    if (background_.IsNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, background_.Image());
}

void FrmMain::closeEvent(QCloseEvent* e) {
    if (runState_ == 1) {
        // Stop the run first; the window closes once the current file is settled.
        abortRequested_ = 1;
        closeWhenIdle_ = true;
        e->ignore();
        return;
    }
    Form_Unload();
    e->accept();
}

void FrmMain::dragEnterEvent(QDragEnterEvent* e) {
    BringToFront();
    e->ignore(); // only the list takes drops
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
int32_t FrmMain::Width() const {
    return ToTwips(frameGeometry().width());
}
int32_t FrmMain::Height() const {
    return ToTwips(frameGeometry().height());
}

int32_t FrmMain::WindowState() const {
    Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized) return 1;
    if (s & Qt::WindowMaximized) return 2;
    return 0;
}

void FrmMain::SetLeft(int32_t twips) {
    move(ToPx(twips), pos().y());
}
void FrmMain::SetTop(int32_t twips) {
    move(pos().x(), ToPx(twips));
}
// The layout is fixed: the size is never changed from outside.
void FrmMain::SetWidth(int32_t) {}
void FrmMain::SetHeight(int32_t) {}

void FrmMain::SetWindowState(int32_t state) {
    if (state == 1)
        setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        setWindowState(Qt::WindowMaximized);
    else
        setWindowState(Qt::WindowNoState);
}

} // namespace app
