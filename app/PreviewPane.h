#pragma once
// The preview strip under the file list (the selected file's envelope with the panel's trim
// points and gain) and the levels report of the list's context menu (Measure, Copy as CSV).

#include "app/PreviewMeasurer.h"
#include "app/PreviewPlayer.h"

#include <QObject>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QRect;
class QWidget;
class UC_ListView;
class UC_WaveStrip;

namespace app {

class ParamPanel;
class PlayButtons;

class PreviewPane : public QObject {
    Q_OBJECT

  public:
    // The strip goes on pWindow below pList; it shows what pPanel does to the list's selected
    // file. Its actions join pListMenu; F6 shows or hides it anywhere in the window.
    PreviewPane(QWidget* pWindow, UC_ListView* pList, const ParamPanel* pPanel, QMenu* pListMenu);

    bool Shown() const;
    void SetShown(bool pShown);
    // The strip's and its play buttons' height with their gaps; 0 while hidden.
    int RoomPx() const;
    // Puts the strip and the buttons under the list at its geometry (pixels).
    void Place(const QRect& pList);

    UC_WaveStrip* Strip() const { return m_Strip; }
    PreviewMeasurer* Measurer() const { return m_Measurer; }
    PreviewPlayer* Player() const { return m_Player; }
    PlayButtons* Buttons() const { return m_Buttons; }
    // The controls Tab reaches, in order.
    std::vector<QWidget*> TabOrder() const;
    QAction* ShowAction() const { return m_ShowAction; }
    QAction* MeasureAction() const { return m_MeasureAction; }
    QAction* CopyCsvAction() const { return m_CopyCsvAction; }
    // The file the strip shows, and the gain it shows for it (none while measuring).
    const std::string& Path() const { return m_Path; }
    std::optional<double> Gain() const { return m_Gain; }
    // Album mode: the files a run measured as one set, and the set's gain, shown for them
    // while As one is on and the panel stays as the run had it.
    void SetAlbumGain(const std::vector<std::string>& pPaths, double pGainDb);
    // The levels report of a file, once measured.
    const FileLevels* LevelsOf(const std::string& pPath) const;

  signals:
    // The strip was shown or hidden: the window's layout changes.
    void ShownChanged(bool pShown);
    // A note for the window's status line (a file's measured levels).
    void StatusNote(const QString& pText);

  private:
    void AddMenuItems(QMenu* pListMenu);
    void WatchSelection();
    // The selected file (the cursor row when selected, else the first selected row).
    std::string SelectedPath() const;
    void ShowSelection();
    void Redraw();
    void MeasureSelectedRows();
    void ShowLevels(const std::string& pPath, const FileLevels& pLevels);
    void CopyLevelsCsv();
    void Note(const QString& pText);
    // What the strip shows, for listening.
    PlayTarget Target() const { return m_Target; }

    UC_ListView* m_List;
    const ParamPanel* m_Panel;
    UC_WaveStrip* m_Strip = nullptr;
    PreviewMeasurer* m_Measurer = nullptr;
    PreviewPlayer* m_Player = nullptr;
    PlayButtons* m_Buttons = nullptr;
    PlayTarget m_Target;
    QAction* m_ShowAction = nullptr;
    QAction* m_MeasureAction = nullptr;
    QAction* m_CopyCsvAction = nullptr;
    std::string m_Path;
    std::shared_ptr<const WaveOverview> m_DrawnOverview; // the envelope the strip holds
    std::optional<double> m_Gain;
    std::map<std::string, FileLevels> m_Levels;
    std::map<std::string, double> m_AlbumGains;
    QString m_Noted;    // the last note for the status line
    QString m_PlayNote; // what plays now ("playing start of take1")
};

} // namespace app
