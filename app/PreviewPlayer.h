#pragma once
// Listening from the preview strip: the selected file as the run would write it, the source
// as it is, or the first / last seconds of the result from its cuts. The frames come from
// the engine's write-pass rules (PlayRender) on the player's threads; a cursor follows the
// play on the strip, and a click on the strip while playing seeks there.

#include "engine/EditJob.h"
#include "engine/WaveOverview.h"
#include "platform/gst/Player.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QTimer;
class QWidget;
class UC_ListView;
class UC_WaveStrip;

namespace app {

// What the strip shows, ready to be heard once Preview's gain is known.
struct PlayTarget {
    std::string Path;
    EditJob Job;
    JobPreview Preview;
    std::shared_ptr<const WaveOverview> Overview;
};

class PreviewPlayer : public QObject {
    Q_OBJECT

  public:
    enum class What { Result, Source, Start, End };
    // How long "Play Start" and "Play End" play, seconds.
    static constexpr double kWindowSeconds = 3.0;

    // pTarget tells what the strip shows now (no Overview: nothing to play yet).
    PreviewPlayer(QWidget* pWindow, UC_ListView* pList, UC_WaveStrip* pStrip,
                  std::function<PlayTarget()> pTarget, QMenu* pListMenu);
    ~PreviewPlayer() override;

    void Play(What pWhat);
    void Stop();
    bool Playing() const;
    // A result play starts again from the cuts as they are now (the panel changed).
    void Restart();
    QAction* Action(What pWhat) const { return m_Actions[int(pWhat)]; }
    QAction* StopAction() const { return m_StopAction; }
    platform::gst::Player& Player() { return *m_Player; }

  signals:
    void StatusNote(const QString& pText);
    // A play started ("playing start of take1"), or the play ended (empty).
    void PlayingChanged(const QString& pNote);

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    void MakeActions(QWidget* pWindow, QMenu* pListMenu);
    // Plays frames [pFirst, pEnd) of what pWhat plays from the current target.
    void PlayFrames(What pWhat, int64_t pFirst, int64_t pEnd, bool pAnnounce);
    void Seek(int64_t pSourceFrame);
    void Follow();
    int64_t SourceFrameOf(int64_t pFrame) const;

    UC_ListView* m_List;
    UC_WaveStrip* m_Strip;
    std::function<PlayTarget()> m_Target;
    QAction* m_Actions[4] = {};
    QAction* m_StopAction = nullptr;
    QTimer* m_Follow = nullptr;
    std::unique_ptr<platform::gst::Player> m_Player; // made at the first play
    // The play in hand.
    What m_What = What::Result;
    PlayTarget m_Playing;
    int64_t m_End = 0;
    bool m_ShownError = false;
};

} // namespace app
