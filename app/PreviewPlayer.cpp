#include "app/PreviewPlayer.h"

#include "controls/UC_ListView.h"
#include "controls/UC_WaveStrip.h"
#include "engine/EditStatus.h"
#include "engine/PlayRender.h"
#include "services/core/Paths.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace app {

namespace {

// How often the cursor follows the play, ms.
constexpr int kFollowMs = 40;

struct ActionRow {
    const char* Text;
    QKeySequence Key;
    const char* Announced; // "playing <this> take1"
    const char* Help;
};
const ActionRow kRows[] = {
    {"Play Result", QKeySequence(Qt::Key_Space), "result of",
     "plays the selected file as the run will write it"},
    {"Play Source", QKeySequence(Qt::SHIFT | Qt::Key_Space), "source of",
     "plays the selected file as it is"},
    {"Play Start", QKeySequence(Qt::Key_F7), "start of",
     "plays the first 3 s of the result, from the start cut"},
    {"Play End", QKeySequence(Qt::Key_F8), "end of",
     "plays the last 3 s of the result, up to the end cut"},
};

// "Play Start (F7): plays ..."; the buttons show it as their tooltip.
void Describe(QAction* pAction, const char* pHelp) {
    pAction->setToolTip(QStringLiteral("%1 (%2): %3")
                            .arg(pAction->text(),
                                 pAction->shortcut().toString(QKeySequence::NativeText),
                                 QString::fromUtf8(pHelp)));
}

// The frames of the result, read on the player's thread through the write pass's rules; the
// file is opened at the first read.
platform::gst::PcmFeed FeedOf(const PlayTarget& pTarget, bool pAsIs) {
    auto render = std::make_shared<std::unique_ptr<PlayRender>>();
    return [render, pTarget, pAsIs](int64_t pFirst, int64_t pFrames, std::vector<uint8_t>& pOut,
                                    std::string& pError) {
        if (!*render)
            *render =
                std::make_unique<PlayRender>(pTarget.Path, pTarget.Job, pTarget.Preview, pAsIs);
        if ((*render)->Read(pFirst, pFrames, pOut)) return true;
        const Refusal& why = *(*render)->Failure();
        pError = std::string("cannot play: ") + EditStatusText(why.Status) +
                 (why.Detail.empty() ? "" : " (" + why.Detail + ")");
        return false;
    };
}

} // namespace

PreviewPlayer::PreviewPlayer(QWidget* pWindow, UC_ListView* pList, UC_WaveStrip* pStrip,
                             std::function<PlayTarget()> pTarget, QMenu* pListMenu)
    : QObject(pWindow), m_List(pList), m_Strip(pStrip), m_Target(std::move(pTarget)) {
    MakeActions(pWindow, pListMenu);
    m_Follow = new QTimer(this);
    m_Follow->setInterval(kFollowMs);
    connect(m_Follow, &QTimer::timeout, this, [this] { Follow(); });
    connect(m_Strip, &UC_WaveStrip::FrameClicked, this, [this](int64_t pFrame) { Seek(pFrame); });
    // Space and Shift+Space on the list and the strip; the list keeps Space for a row the
    // cursor is on but that is not selected.
    m_List->installEventFilter(this);
    m_Strip->installEventFilter(this);
}

PreviewPlayer::~PreviewPlayer() = default;

void PreviewPlayer::MakeActions(QWidget* pWindow, QMenu* pListMenu) {
    pListMenu->addSeparator();
    for (int i = 0; i < 4; ++i) {
        auto* a = new QAction(QString::fromUtf8(kRows[i].Text), this);
        a->setShortcut(kRows[i].Key);
        // Space is taken by the key filter; the other keys work anywhere in the window.
        a->setShortcutContext(kRows[i].Key.count() == 1 && (kRows[i].Key[0].key() == Qt::Key_Space)
                                  ? Qt::WidgetShortcut
                                  : Qt::WindowShortcut);
        if (a->shortcutContext() == Qt::WindowShortcut) pWindow->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { Play(What(i)); });
        Describe(a, kRows[i].Help);
        pListMenu->addAction(a);
        m_Actions[i] = a;
    }
    m_StopAction = new QAction(QStringLiteral("Stop Playing"), this);
    m_StopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    m_StopAction->setShortcutContext(Qt::WindowShortcut);
    m_StopAction->setEnabled(false); // Esc goes elsewhere while nothing plays
    Describe(m_StopAction, "stops playing");
    pWindow->addAction(m_StopAction);
    pListMenu->addAction(m_StopAction);
    connect(m_StopAction, &QAction::triggered, this, [this] { Stop(); });
}

bool PreviewPlayer::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() != QEvent::KeyPress) return QObject::eventFilter(pWatched, pEvent);
    auto* key = static_cast<QKeyEvent*>(pEvent);
    if (key->key() != Qt::Key_Space) return false;
    if (key->modifiers() == Qt::ShiftModifier) {
        Play(What::Source);
        return true;
    }
    if (key->modifiers() != Qt::NoModifier) return false;
    if (Playing()) {
        Stop();
        return true;
    }
    const int32_t cursor = m_List->SelectedItem();
    if (pWatched == m_List && (cursor < 0 || !m_List->IsSelected(cursor))) return false;
    Play(What::Result);
    return true;
}

bool PreviewPlayer::Playing() const {
    return m_Player && m_Player->State().Playing;
}

void PreviewPlayer::Play(What pWhat) {
    const PlayTarget target = m_Target();
    if (!target.Overview) {
        emit StatusNote(QStringLiteral("Nothing to play: select a file and wait for its preview"));
        return;
    }
    m_Playing = target;
    const bool asIs = pWhat == What::Source;
    if (!asIs && !(target.Preview.Range && target.Preview.Gain)) {
        emit StatusNote(QStringLiteral("Nothing to play yet: the result is still being measured "
                                       "or keeps no audio"));
        return;
    }
    const int64_t total = asIs ? target.Overview->Frames : target.Preview.ResultFrames;
    const int32_t rate = target.Overview->SampleRate;
    FrameWindow w{0, total};
    if (pWhat == What::Start) w = StartWindow(total, rate, kWindowSeconds);
    if (pWhat == What::End) w = EndWindow(total, rate, kWindowSeconds);
    m_What = pWhat;
    PlayFrames(pWhat, w.First, w.First + w.Frames, true);
}

void PreviewPlayer::PlayFrames(What pWhat, int64_t pFirst, int64_t pEnd, bool pAnnounce) {
    if (!m_Player) m_Player = std::make_unique<platform::gst::Player>();
    const WaveOverview& o = *m_Playing.Overview;
    m_End = pEnd;
    m_ShownError = false;
    m_Player->Play({o.SampleRate, o.Channels, o.BitsPerSample, o.Float}, pFirst, pEnd,
                   FeedOf(m_Playing, pWhat == What::Source));
    m_StopAction->setEnabled(true);
    if (pAnnounce) {
        const QString name =
            QFile::decodeName(PathPart(m_Playing.Path, PathParts::BaseName).c_str())
                .section('.', 0, 0);
        const QString note = QStringLiteral("playing %1 %2")
                                 .arg(QString::fromUtf8(kRows[int(pWhat)].Announced), name);
        // The status line shows it; the strip and the play buttons tell it to a screen reader.
        m_Strip->SetPlayNote(note);
        emit StatusNote(note);
        emit PlayingChanged(note);
    }
    // Followed only once told: a short play may be over already, and is then taken back.
    m_Follow->start();
    Follow();
}

void PreviewPlayer::Stop() {
    if (m_Player) m_Player->Stop();
    Follow();
}

void PreviewPlayer::Restart() {
    if (!Playing() || m_What == What::Source) return;
    Play(m_What);
}

// A click on the strip while playing plays on from there, to the end of what plays.
void PreviewPlayer::Seek(int64_t pSourceFrame) {
    if (!Playing()) return;
    int64_t frame = pSourceFrame;
    if (m_What != What::Source) {
        const TrimmedRange& r = *m_Playing.Preview.Range;
        const int64_t lead = m_Playing.Job.Trim && m_Playing.Job.ForceMargins ? r.LeadPad : 0;
        frame =
            std::clamp<int64_t>(lead + pSourceFrame - r.Start, 0, m_Playing.Preview.ResultFrames);
    }
    const int64_t end = m_What == What::Start
                            ? m_End
                            : (m_What == What::Source ? m_Playing.Overview->Frames
                                                      : m_Playing.Preview.ResultFrames);
    if (frame < end) PlayFrames(m_What, frame, end, false);
}

// The source frame a frame of what plays comes from.
int64_t PreviewPlayer::SourceFrameOf(int64_t pFrame) const {
    if (m_What == What::Source) return pFrame;
    const TrimmedRange& r = *m_Playing.Preview.Range;
    const int64_t lead = m_Playing.Job.Trim && m_Playing.Job.ForceMargins ? r.LeadPad : 0;
    return std::clamp<int64_t>(r.Start + pFrame - lead, r.Start, r.End);
}

void PreviewPlayer::Follow() {
    const platform::gst::PlayState s = m_Player ? m_Player->State() : platform::gst::PlayState{};
    if (s.Playing) {
        m_Strip->SetPlayCursor(SourceFrameOf(s.Frame));
        return;
    }
    m_Follow->stop();
    m_Strip->SetPlayCursor(-1);
    if (m_StopAction->isEnabled()) { // the play in hand has ended
        m_StopAction->setEnabled(false);
        m_Strip->SetPlayNote(QString());
        emit PlayingChanged(QString());
    }
    if (!s.Error.empty() && !m_ShownError) {
        m_ShownError = true;
        emit StatusNote(QString::fromStdString(s.Error));
    }
}

} // namespace app
