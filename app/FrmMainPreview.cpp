// The preview strip under the file list (the selected file's envelope with the panel's trim
// points and gain) and the levels report of the list's context menu.

#include "app/FileColumns.h"
#include "app/FrmMain.h"
#include "app/PreviewText.h"

#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_Slider.h"
#include "controls/UC_WaveStrip.h"
#include "services/core/Paths.h"
#include "services/store/Settings.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <algorithm>

namespace app {

namespace {

constexpr const char* kShowPreviewKey = "ShowPreview";
// The strip's design height and its gap to the list, twips.
constexpr int kPreviewHeightTwips = 960;
constexpr int kPreviewGapTwips = 60;
// How often the selection and the shown file's stamp are looked at besides the list's own
// mouse and key events (rows removed, a file changed on disk).
constexpr int kPreviewPollMs = 250;

// Calls pReact after each key press or mouse release on a widget has been handled.
class AfterInput : public QObject {
  public:
    AfterInput(QObject* pParent, std::function<void()> pReact)
        : QObject(pParent), m_React(std::move(pReact)) {}

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        const QEvent::Type t = pEvent->type();
        if (t == QEvent::KeyPress || t == QEvent::MouseButtonRelease ||
            t == QEvent::MouseButtonPress)
            QTimer::singleShot(0, this, [this] { m_React(); });
        return QObject::eventFilter(pWatched, pEvent);
    }

  private:
    std::function<void()> m_React;
};

WaveEnvelope EnvelopeOf(const WaveOverview& pO) {
    WaveEnvelope e;
    e.Frames = pO.Frames;
    e.SampleRate = pO.SampleRate;
    e.Channels = pO.Channels;
    e.BucketFrames = pO.BucketFrames;
    e.BucketsDone = pO.BucketsDone;
    // Fractions of full scale; float data beyond it is drawn at the band's edge.
    const size_t known = size_t(pO.BucketsDone * pO.Channels);
    e.Low.resize(known);
    e.High.resize(known);
    for (size_t i = 0; i < known; ++i) {
        e.Low[i] = std::max(-1.0f, pO.Low[i]);
        e.High[i] = std::min(1.0f, pO.High[i]);
    }
    return e;
}

std::string PathOfRow(const UC_ListView* pLV, int32_t pRow) {
    return QFile::encodeName(pLV->AuxID(pRow, kPathAux).Text()).toStdString();
}

} // namespace

bool FrmMain::PreviewShown() const {
    return m_PreviewAction && m_PreviewAction->isChecked();
}

int FrmMain::PreviewRoomPx() const {
    return ToPx(kPreviewHeightTwips + kPreviewGapTwips);
}

QSize FrmMain::MinimumClientSize() const {
    return m_DesignSize + QSize(0, PreviewShown() ? PreviewRoomPx() : 0);
}

void FrmMain::PlacePreview() {
    if (!m_Preview) return;
    const QRect list = m_LV->geometry();
    const QRect g(list.left(), list.bottom() + 1 + ToPx(kPreviewGapTwips), list.width(),
                  ToPx(kPreviewHeightTwips));
    if (m_Preview->geometry() != g) m_Preview->setGeometry(g);
}

// The strip goes below the list, and the window's smallest size grows by its room: the list
// keeps its designed rows. Hidden, the window may be as small as designed.
void FrmMain::SetUpPreview() {
    m_Measurer = new PreviewMeasurer(this);
    m_Preview = new UC_WaveStrip(this);
    m_Preview->setAccessibleName(QStringLiteral("Preview"));
    m_PreviewAction = new QAction(QStringLiteral("Show Preview"), this);
    m_PreviewAction->setCheckable(true);
    m_PreviewAction->setShortcut(QKeySequence(Qt::Key_F6));
    m_PreviewAction->setShortcutContext(Qt::WindowShortcut);
    m_PreviewAction->setChecked(ReadSettingText(kShowPreviewKey, "1") != "0");
    addAction(m_PreviewAction); // F6 anywhere in the window
    m_Preview->setVisible(m_PreviewAction->isChecked());
    setMinimumSize(MinimumClientSize());
    resize(size().expandedTo(minimumSize()));
    PlacePreview();
}

void FrmMain::ConnectPreview() {
    connect(m_PreviewAction, &QAction::toggled, this, [this](bool pOn) { SetPreviewShown(pOn); });
    connect(m_Measurer, &PreviewMeasurer::OverviewReady, this, [this](const std::string& pPath) {
        if (pPath == m_PreviewPath) RedrawPreview();
    });
    connect(m_Measurer, &PreviewMeasurer::OverviewPart, this, [this](const std::string& pPath) {
        if (pPath == m_PreviewPath) RedrawPreview();
    });
    connect(m_Measurer, &PreviewMeasurer::RangeReady, this, [this](const std::string& pPath) {
        if (pPath == m_PreviewPath) RedrawPreview();
    });
    connect(m_Measurer, &PreviewMeasurer::LevelsReady, this,
            [this](const std::string& pPath, const FileLevels& pLevels) {
                ShowLevels(pPath, pLevels);
            });
    // Every panel change redraws the marks and the text from the kept reading.
    const auto redraw = [this] { RedrawPreview(); };
    for (UC_Slider* slider : m_SliderParm)
        connect(slider, &UC_Slider::Scrolled, this, redraw);
    std::vector<UC_Check*> boxes = m_CheckParm;
    boxes.insert(boxes.end(), m_CheckNormMode.begin(), m_CheckNormMode.end());
    boxes.push_back(m_CheckClip);
    for (UC_Check* box : boxes)
        connect(box, &UC_Check::Click, this, redraw);
    for (QLineEdit* text : m_TextParm)
        connect(text, &QLineEdit::textChanged, this, redraw);
    if (m_TextCeiling) connect(m_TextCeiling, &QLineEdit::textChanged, this, redraw);

    auto* afterInput = new AfterInput(this, [this] { ShowPreviewOfSelection(); });
    m_LV->installEventFilter(afterInput);
    for (QWidget* child : m_LV->findChildren<QWidget*>())
        child->installEventFilter(afterInput);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] { ShowPreviewOfSelection(); });
    poll->start(kPreviewPollMs);
    AddPreviewMenuItems();
    ShowPreviewOfSelection();
}

void FrmMain::SetPreviewShown(bool pShown) {
    if (m_PreviewAction->isChecked() != pShown) {
        m_PreviewAction->setChecked(pShown); // comes back here through toggled
        return;
    }
    WriteSettingText(kShowPreviewKey, pShown ? "1" : "0");
    m_Preview->setVisible(pShown);
    setMinimumSize(MinimumClientSize());
    if (pShown) resize(size().expandedTo(minimumSize()));
    ApplyWindowSize();
    if (!pShown) {
        m_Measurer->CancelPreview();
        m_PreviewPath.clear();
        m_DrawnOverview.reset();
        m_Preview->Clear();
    }
    ShowPreviewOfSelection();
    RedrawList();
}

std::string FrmMain::SelectedPreviewPath() const {
    if (m_LV->NumSelectedItems() < 1) return {};
    const int32_t cursor = m_LV->SelectedItem();
    if (cursor >= 0 && cursor < m_LV->ItemCount() && m_LV->IsSelected(cursor))
        return PathOfRow(m_LV, cursor);
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i)
        if (m_LV->IsSelected(i)) return PathOfRow(m_LV, i);
    return {};
}

void FrmMain::ShowPreviewOfSelection() {
    if (!PreviewShown()) return;
    const std::string path = SelectedPreviewPath();
    if (path == m_PreviewPath && (path.empty() || !m_Measurer->Changed(path))) return;
    m_PreviewPath = path;
    m_DrawnOverview.reset();
    if (path.empty()) {
        m_Measurer->CancelPreview();
        m_PreviewGain.reset();
        m_Preview->ShowMessage(QStringLiteral("Select a file to see what the panel does to it"));
        return;
    }
    RedrawPreview();
}

void FrmMain::RedrawPreview() {
    if (!PreviewShown() || m_PreviewPath.empty()) return;
    m_PreviewGain.reset();
    const std::shared_ptr<const WaveOverview> o = m_Measurer->Overview(m_PreviewPath);
    if (!o) {
        const QString failure = m_Measurer->FailureOf(m_PreviewPath);
        if (!failure.isEmpty()) {
            m_DrawnOverview.reset();
            m_Preview->ShowMessage(failure);
            return;
        }
        m_Measurer->RequestOverview(m_PreviewPath);
        if (!m_DrawnOverview) m_Preview->ShowMessage(QStringLiteral("measuring\u2026"));
        return;
    }
    if (o != m_DrawnOverview) {
        m_Preview->SetEnvelope(EnvelopeOf(*o));
        m_DrawnOverview = o;
    }
    if (o->BucketsDone < o->Buckets) { // a reading in hand: no levels yet
        m_Measurer->RequestOverview(m_PreviewPath);
        m_Preview->SetMarks(WaveMarks{});
        m_Preview->SetText(
            QStringLiteral("measuring\u2026 %1 %").arg(o->BucketsDone * 100 / o->Buckets));
        return;
    }
    const panel::PanelSettings panelNow = ReadPanel();
    const EditJob job = panel::PanelJob(panelNow, panelNow);
    JobPreview p = PreviewJob(*o, job);
    std::string rangeFailure;
    if (p.NeedsRange) {
        if (const RangeResult* r = m_Measurer->Range(m_PreviewPath, *p.NeedsRange)) {
            if (r->Levels)
                p = PreviewJob(*o, job, &*r->Levels);
            else
                rangeFailure = EditStatusText(r->Failure.Status) +
                               (r->Failure.Detail.empty() ? "" : ": " + r->Failure.Detail);
        } else {
            m_Measurer->RequestRange(m_PreviewPath, *p.NeedsRange);
        }
    }
    WaveMarks marks;
    if (p.Trims && p.Range) {
        marks.Trims = true;
        marks.Start = p.Range->Start;
        marks.End = p.Range->End;
        marks.FirstSound = p.FirstSound;
        marks.LastSound = p.FirstSound < 0 ? -1 : p.LastSound;
    }
    m_Preview->SetMarks(marks);
    const std::string line = PreviewLine(p, job, *o);
    m_Preview->SetText(
        QString::fromStdString(rangeFailure.empty() ? line : line + " \u00b7 " + rangeFailure));
    m_PreviewGain = p.Gain;
}

// ---- levels report -----------------------------------------------------------------

void FrmMain::AddPreviewMenuItems() {
    m_MeasureAction = new QAction(QStringLiteral("Measure"), this);
    connect(m_MeasureAction, &QAction::triggered, this, [this] { MeasureSelectedRows(); });
    m_CopyCsvAction = new QAction(QStringLiteral("Copy as CSV"), this);
    connect(m_CopyCsvAction, &QAction::triggered, this, [this] { CopyLevelsCsv(); });
    m_ListMenu->addSeparator();
    m_ListMenu->addAction(m_MeasureAction);
    m_ListMenu->addAction(m_CopyCsvAction);
    m_ListMenu->addSeparator();
    m_ListMenu->addAction(m_PreviewAction);
    connect(m_ListMenu, &QMenu::aboutToShow, this, [this] {
        m_MeasureAction->setEnabled(m_LV->NumSelectedItems() > 0);
        m_CopyCsvAction->setEnabled(!m_Levels.empty());
    });
}

const FileLevels* FrmMain::LevelsOf(const std::string& pPath) const {
    const auto it = m_Levels.find(pPath);
    return it == m_Levels.end() ? nullptr : &it->second;
}

void FrmMain::MeasureSelectedRows() {
    std::vector<std::string> paths;
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i) {
        if (!m_LV->IsSelected(i)) continue;
        paths.push_back(PathOfRow(m_LV, i));
        m_LV->SetItemTip(i, QStringLiteral("measuring\u2026"));
    }
    m_Measurer->RequestLevels(paths);
}

void FrmMain::ShowLevels(const std::string& pPath, const FileLevels& pLevels) {
    m_Levels[pPath] = pLevels;
    const QString tip = QString::fromStdString(LevelsTip(pLevels));
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i)
        if (PathOfRow(m_LV, i) == pPath) m_LV->SetItemTip(i, tip);
    // Readable without pointing at the row: the status line says it too.
    ShowStatus(QFile::decodeName(PathPart(pPath, 0, 0, 1, 0, 0).c_str()) + QStringLiteral(": ") +
               tip);
}

// The measured rows in list order: the selected ones, or all when none of them is selected.
void FrmMain::CopyLevelsCsv() {
    std::vector<LevelsRow> rows, selected;
    for (int32_t i = 0; i < m_LV->ItemCount(); ++i) {
        const std::string path = PathOfRow(m_LV, i);
        const FileLevels* levels = LevelsOf(path);
        if (!levels) continue;
        rows.push_back({path, *levels});
        if (m_LV->IsSelected(i)) selected.push_back(rows.back());
    }
    const std::string csv = LevelsCsv(selected.empty() ? rows : selected);
    QGuiApplication::clipboard()->setText(QString::fromStdString(csv));
}

} // namespace app
