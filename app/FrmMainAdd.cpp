// More ways to fill the file list than a drop: the file dialog (Ctrl+O and the list's
// context menu), the command line and later starts of the program.

#include "app/AddedFiles.h"
#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "services/core/Paths.h"
#include "services/ui/Pickers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>

namespace app {

namespace {

std::vector<std::string> PickWavFiles(QWidget* pOwner, const std::string& pStartFolder) {
    return PickFiles(pOwner, "WAV files|*.wav", pStartFolder);
}

QString NothingAddedReason(const std::vector<std::string>& pPaths) {
    if (pPaths.empty()) return QStringLiteral("Nothing added: no local files");
    return QStringLiteral("Nothing added: no .wav files");
}

} // namespace

int32_t FrmMain::AddPaths(const std::vector<std::string>& pPaths, bool pRepeats) {
    const std::vector<std::string> found = WavFilesIn(pPaths);
    if (found.empty()) {
        ShowStatus(NothingAddedReason(pPaths));
        return 0;
    }
    std::vector<std::string> listed;
    for (int32_t i = 0; i < m_LV->ItemCount() && !pRepeats; ++i)
        listed.push_back(PathOfRow(*m_LV, i));
    const std::vector<std::string> files = pRepeats ? found : NewFilesOnly(found, listed);
    const size_t passed = found.size() - files.size();
    ShowStatus(passed == 0
                   ? QString()
                   : QStringLiteral("%1 already in the list, not added again (a drop with Ctrl "
                                    "held adds it again)")
                         .arg(passed == 1 ? QStringLiteral("1 file")
                                          : QStringLiteral("%1 files").arg(passed)));
    if (!files.empty()) AddFiles(files, m_LV->ItemCount());
    return int32_t(files.size());
}

void FrmMain::ShowStatus(const QString& pText) {
    // During a run the bar shows the run.
    if (m_RunState == 1 || !m_ProgBar) return;
    m_ProgBar->SetTextToDisp(pText);
}

void FrmMain::OpenFiles() {
    if (!m_Loaded || m_Unloaded) return;
    // The dialog opens where the last listed file is, else in the home folder.
    std::string start = QFile::encodeName(QDir::homePath()).toStdString();
    if (const int32_t count = m_LV->ItemCount(); count > 0) {
        const std::string last = PathOfRow(*m_LV, count - 1);
        if (std::string folder = PathPart(last, PathParts::Folder); FolderExists(folder) == 1)
            start = folder;
    }
    const std::vector<std::string> chosen =
        m_PickFiles ? m_PickFiles(this, start) : PickWavFiles(this, start);
    if (!chosen.empty()) AddPaths(chosen); // a cancelled dialog says nothing
}

void FrmMain::TakeFilesFromOtherStart(const std::vector<std::string>& pFiles) {
    if (!m_Loaded || m_Unloaded) return;
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // The other start made its arguments absolute; anything else is no file of it.
    std::vector<std::string> files;
    for (const std::string& file : pFiles)
        if (!file.empty() && file.front() == '/') files.push_back(file);
    if (!files.empty()) AddPaths(files);
}

void FrmMain::ListenForOtherStarts() {
    m_Link.Listen(
        [this](const std::vector<std::string>& pFiles) { TakeFilesFromOtherStart(pFiles); });
}

void FrmMain::SetUpListMenu() {
    m_AddFilesAction = new QAction(QStringLiteral("Add Files..."), this);
    m_AddFilesAction->setShortcut(QKeySequence::Open);
    m_AddFilesAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_AddFilesAction, &QAction::triggered, this, [this] { OpenFiles(); });
    addAction(m_AddFilesAction); // Ctrl+O anywhere in the window
    m_RemoveRowsAction = new QAction(QStringLiteral("Remove Selected\tDel"), this);
    connect(m_RemoveRowsAction, &QAction::triggered, this, [this] { DeleteSelectedRows(); });
    m_ListMenu = new QMenu(this);
    m_ListMenu->addAction(m_AddFilesAction);
    m_ListMenu->addAction(m_RemoveRowsAction);
    // The right button and the keyboard's menu key alike.
    m_LV->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_LV, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pAt) { ShowListMenu(m_LV->mapToGlobal(pAt)); });
}

void FrmMain::ShowListMenu(const QPoint& pAt) {
    m_RemoveRowsAction->setEnabled(m_RunState == 0 && m_LV->NumSelectedItems() > 0);
    m_ListMenu->popup(pAt);
}

} // namespace app
