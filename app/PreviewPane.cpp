#include "app/PreviewPane.h"
#include "app/FileColumns.h"
#include "app/ParamPanel.h"
#include "app/PlayButtons.h"
#include "app/PreviewText.h"

#include "controls/DrawHelpers.h"
#include "controls/UC_ListView.h"
#include "controls/UC_WaveStrip.h"
#include "services/store/SettingKeys.h"
#include "services/store/Settings.h"

#include "services/core/Paths.h"
#include <QAction>
#include <QClipboard>
#include <QEvent>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace app {

namespace {

// The strip's design height and its gap to the list, twips.
constexpr int kStripHeightTwips = 960;
constexpr int kStripGapTwips = 60;
// How often the selection and the shown file's stamp are looked at besides the list's own
// mouse and key events (rows removed, a file changed on disk).
constexpr int kPollMs = 250;

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

} // namespace

PreviewPane::PreviewPane(QWidget* pWindow, UC_ListView* pList, const ParamPanel* pPanel,
                         QMenu* pListMenu)
    : QObject(pWindow), m_List(pList), m_Panel(pPanel) {
    m_Measurer = new PreviewMeasurer(this);
    m_Strip = new UC_WaveStrip(pWindow);
    m_Strip->setAccessibleName(QStringLiteral("Preview"));
    m_ShowAction = new QAction(QStringLiteral("Show Preview"), this);
    m_ShowAction->setCheckable(true);
    m_ShowAction->setShortcut(QKeySequence(Qt::Key_F6));
    m_ShowAction->setShortcutContext(Qt::WindowShortcut);
    m_ShowAction->setChecked(ReadSettingText(keys::kShowPreview, "1") != "0");
    pWindow->addAction(m_ShowAction); // F6 anywhere in the window
    m_Strip->setVisible(m_ShowAction->isChecked());

    connect(m_ShowAction, &QAction::toggled, this, [this](bool pOn) { SetShown(pOn); });
    for (auto ready : {&PreviewMeasurer::OverviewReady, &PreviewMeasurer::OverviewPart,
                       &PreviewMeasurer::RangeReady})
        connect(m_Measurer, ready, this, [this](const std::string& pPath) {
            if (pPath == m_Path) Redraw();
        });
    connect(m_Measurer, &PreviewMeasurer::LevelsReady, this,
            [this](const std::string& pPath, const FileLevels& pLevels) {
                ShowLevels(pPath, pLevels);
            });
    // Every panel change redraws the marks and the text from the kept reading.
    connect(m_Panel, &ParamPanel::Changed, this, [this] {
        m_AlbumGains.clear(); // the set's gain was for the panel as it was
        Redraw();
        m_Player->Restart(); // a result playing starts again from the new cuts
    });
    WatchSelection();
    AddMenuItems(pListMenu);
    m_Player = new PreviewPlayer(
        pWindow, m_List, m_Strip, [this] { return Target(); }, pListMenu);
    connect(m_Player, &PreviewPlayer::StatusNote, this,
            [this](const QString& pText) { Note(pText); });
    connect(m_Player, &PreviewPlayer::PlayingChanged, this, [this](const QString& pNote) {
        // Once the play ends the status line no longer says it plays.
        if (pNote.isEmpty() && m_Noted == m_PlayNote) Note(QString());
        m_PlayNote = pNote;
    });
    m_Buttons = new PlayButtons(pWindow, m_Player);
    m_Buttons->setVisible(m_ShowAction->isChecked());
    ShowSelection();
}

void PreviewPane::WatchSelection() {
    auto* afterInput = new AfterInput(this, [this] { ShowSelection(); });
    m_List->installEventFilter(afterInput);
    for (QWidget* child : m_List->findChildren<QWidget*>())
        child->installEventFilter(afterInput);
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] { ShowSelection(); });
    poll->start(kPollMs);
}

bool PreviewPane::Shown() const {
    return m_ShowAction->isChecked();
}

int PreviewPane::RoomPx() const {
    return Shown() ? ToPx(kStripHeightTwips + 2 * kStripGapTwips) + m_Buttons->HeightPx() : 0;
}

void PreviewPane::Place(const QRect& pList) {
    const QRect strip(pList.left(), pList.bottom() + 1 + ToPx(kStripGapTwips), pList.width(),
                      ToPx(kStripHeightTwips));
    if (m_Strip->geometry() != strip) m_Strip->setGeometry(strip);
    const QRect buttons(strip.left(), strip.bottom() + 1 + ToPx(kStripGapTwips), strip.width(),
                        m_Buttons->HeightPx());
    if (m_Buttons->geometry() != buttons) m_Buttons->setGeometry(buttons);
}

std::vector<QWidget*> PreviewPane::TabOrder() const {
    return {m_Buttons->Buttons().begin(), m_Buttons->Buttons().end()};
}

void PreviewPane::SetShown(bool pShown) {
    if (m_ShowAction->isChecked() != pShown) {
        m_ShowAction->setChecked(pShown); // comes back here through toggled
        return;
    }
    WriteSettingText(keys::kShowPreview, pShown ? "1" : "0");
    if (!pShown) {
        m_Player->Stop(); // its cursor and its Stop button go
        // Keys on a hidden play button go back to the list, not on to the next control.
        if (m_Buttons->isAncestorOf(QApplication::focusWidget())) m_List->setFocus();
    }
    m_Strip->setVisible(pShown);
    m_Buttons->setVisible(pShown);
    emit ShownChanged(pShown);
    if (!pShown) {
        m_Measurer->CancelPreview();
        m_Path.clear();
        m_DrawnOverview.reset();
        m_Strip->Clear();
    }
    ShowSelection();
}

std::string PreviewPane::SelectedPath() const {
    if (m_List->NumSelectedItems() < 1) return {};
    const int32_t cursor = m_List->SelectedItem();
    if (cursor >= 0 && cursor < m_List->ItemCount() && m_List->IsSelected(cursor))
        return PathOfRow(*m_List, cursor);
    for (int32_t i = 0; i < m_List->ItemCount(); ++i)
        if (m_List->IsSelected(i)) return PathOfRow(*m_List, i);
    return {};
}

void PreviewPane::ShowSelection() {
    if (!Shown()) return;
    const std::string path = SelectedPath();
    if (path == m_Path && (path.empty() || !m_Measurer->Changed(path))) return;
    if (path != m_Path && m_Player) m_Player->Stop();
    m_Path = path;
    m_DrawnOverview.reset();
    m_Target = {};
    if (path.empty()) {
        m_Measurer->CancelPreview();
        m_Gain.reset();
        m_Strip->ShowMessage(QStringLiteral("Select a file to see what the panel does to it"));
        return;
    }
    Redraw();
}

void PreviewPane::Redraw() {
    if (!Shown() || m_Path.empty()) return;
    m_Gain.reset();
    m_Target = {};
    const std::shared_ptr<const WaveOverview> o = m_Measurer->Overview(m_Path);
    if (!o) {
        const QString failure = m_Measurer->FailureOf(m_Path);
        if (!failure.isEmpty()) {
            m_DrawnOverview.reset();
            m_Strip->ShowMessage(failure);
            return;
        }
        m_Measurer->RequestOverview(m_Path);
        if (!m_DrawnOverview) m_Strip->ShowMessage(QStringLiteral("measuring\u2026"));
        return;
    }
    if (o != m_DrawnOverview) {
        m_Strip->SetEnvelope(EnvelopeOf(*o));
        m_DrawnOverview = o;
    }
    if (o->BucketsDone < o->Buckets) { // a reading in hand: no levels yet
        m_Measurer->RequestOverview(m_Path);
        m_Strip->SetMarks(WaveMarks{});
        m_Strip->SetText(
            QStringLiteral("measuring\u2026 %1 %").arg(o->BucketsDone * 100 / o->Buckets));
        return;
    }
    const panel::PanelSettings panelNow = m_Panel->Read();
    const EditJob job = panel::PanelJob(panelNow, panelNow);
    JobPreview p = PreviewJob(*o, job);
    std::string rangeFailure;
    if (p.NeedsRange) {
        if (const RangeResult* r = m_Measurer->Range(m_Path, *p.NeedsRange)) {
            if (r->Levels)
                p = PreviewJob(*o, job, &*r->Levels);
            else
                rangeFailure = EditStatusText(r->Failure.Status) +
                               (r->Failure.Detail.empty() ? "" : ": " + r->Failure.Detail);
        } else {
            m_Measurer->RequestRange(m_Path, *p.NeedsRange);
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
    m_Strip->SetMarks(marks);
    std::string line = PreviewLine(p, job, *o);
    if (!rangeFailure.empty()) line += " \u00b7 " + rangeFailure;
    const auto album = m_AlbumGains.find(m_Path);
    if (panelNow.Album == 1 && album != m_AlbumGains.end())
        line += " \u00b7 " + AlbumGainText(album->second);
    m_Strip->SetText(QString::fromStdString(line));
    m_Gain = p.Gain;
    m_Target = {m_Path, job, p, o};
}

void PreviewPane::Note(const QString& pText) {
    m_Noted = pText;
    emit StatusNote(pText);
}

// ---- levels report -----------------------------------------------------------------

void PreviewPane::AddMenuItems(QMenu* pListMenu) {
    m_MeasureAction = new QAction(QStringLiteral("Measure"), this);
    connect(m_MeasureAction, &QAction::triggered, this, [this] { MeasureSelectedRows(); });
    m_CopyCsvAction = new QAction(QStringLiteral("Copy as CSV"), this);
    connect(m_CopyCsvAction, &QAction::triggered, this, [this] { CopyLevelsCsv(); });
    pListMenu->addSeparator();
    pListMenu->addAction(m_MeasureAction);
    pListMenu->addAction(m_CopyCsvAction);
    pListMenu->addSeparator();
    pListMenu->addAction(m_ShowAction);
    connect(pListMenu, &QMenu::aboutToShow, this, [this] {
        m_MeasureAction->setEnabled(m_List->NumSelectedItems() > 0);
        m_CopyCsvAction->setEnabled(!m_Levels.empty());
    });
}

void PreviewPane::SetAlbumGain(const std::vector<std::string>& pPaths, double pGainDb) {
    m_AlbumGains.clear();
    for (const std::string& path : pPaths)
        m_AlbumGains[path] = pGainDb;
    Redraw();
}

const FileLevels* PreviewPane::LevelsOf(const std::string& pPath) const {
    const auto it = m_Levels.find(pPath);
    return it == m_Levels.end() ? nullptr : &it->second;
}

void PreviewPane::MeasureSelectedRows() {
    std::vector<std::string> paths;
    for (int32_t i = 0; i < m_List->ItemCount(); ++i) {
        if (!m_List->IsSelected(i)) continue;
        paths.push_back(PathOfRow(*m_List, i));
        m_List->SetItemTip(i, QStringLiteral("measuring\u2026"));
    }
    m_Measurer->RequestLevels(paths);
}

void PreviewPane::ShowLevels(const std::string& pPath, const FileLevels& pLevels) {
    m_Levels[pPath] = pLevels;
    const QString tip = QString::fromStdString(LevelsTip(pLevels));
    for (int32_t i = 0; i < m_List->ItemCount(); ++i)
        if (PathOfRow(*m_List, i) == pPath) m_List->SetItemTip(i, tip);
    // Readable without pointing at the row: the status line says it too.
    Note(QFile::decodeName(PathPart(pPath, PathParts::BaseName).c_str()) + QStringLiteral(": ") +
         tip);
}

// The measured rows in list order: the selected ones, or all when none of them is selected.
void PreviewPane::CopyLevelsCsv() {
    std::vector<LevelsRow> rows, selected;
    for (int32_t i = 0; i < m_List->ItemCount(); ++i) {
        const std::string path = PathOfRow(*m_List, i);
        const FileLevels* levels = LevelsOf(path);
        if (!levels) continue;
        rows.push_back({path, *levels});
        if (m_List->IsSelected(i)) selected.push_back(rows.back());
    }
    const std::string csv = LevelsCsv(selected.empty() ? rows : selected);
    QGuiApplication::clipboard()->setText(QString::fromStdString(csv));
}

} // namespace app
