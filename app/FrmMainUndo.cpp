// Undo Last Run: the originals of the newest run that replaced files go back over their
// results, by the same undo as quillan-batch --undo, and the status line says what happened.

#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "controls/UC_ListView.h"
#include "services/core/RunJournal.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include <filesystem>
#include <set>
#include <system_error>

namespace app {

namespace {

QString LocalText(const std::string& pText) {
    return QFile::decodeName(pText.c_str());
}

QString Counted(size_t pCount, const char* pOne, const char* pMany) {
    return QString::number(pCount) + QLatin1Char(' ') +
           QString::fromLatin1(pCount == 1 ? pOne : pMany);
}

// The file names of pPaths, comma-separated.
QString Names(const std::vector<std::string>& pPaths) {
    QStringList names;
    for (const std::string& path : pPaths)
        names << LocalText(std::filesystem::path(path).filename().string());
    return names.join(QStringLiteral(", "));
}

QString UndoSummary(const results::UndoReport& pReport) {
    if (!pReport.Error.empty())
        return QStringLiteral("Nothing undone: ") + LocalText(pReport.Error);
    QString text;
    if (!pReport.Restored.empty())
        text =
            QStringLiteral("Restored ") + Counted(pReport.Restored.size(), "original", "originals");
    else if (pReport.AlreadyDone > 0)
        text = QStringLiteral("Nothing to undo: ") + Counted(size_t(pReport.AlreadyDone),
                                                             "original is back already",
                                                             "originals are back already");
    else if (pReport.Changed.empty() && pReport.Failed.empty())
        text = QStringLiteral("Nothing to undo: the last run kept no originals");
    else
        text = QStringLiteral("Nothing restored");
    if (!pReport.Changed.empty())
        text +=
            QStringLiteral("; ") +
            Counted(pReport.Changed.size(),
                    "result changed since, left alone: ", "results changed since, left alone: ") +
            Names(pReport.Changed);
    if (!pReport.Failed.empty())
        text += QStringLiteral("; ") +
                Counted(pReport.Failed.size(), "not restored: ", "not restored, first: ") +
                LocalText(pReport.Failed.front());
    return text;
}

// The file a path leads to, for comparing a row's path with a journal's (links resolved).
std::string FileOf(const std::string& pPath) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(pPath, ec);
    return ec ? pPath : resolved.string();
}

} // namespace

void FrmMain::SetUpUndo() {
    m_UndoAction = new QAction(QStringLiteral("Undo Last Run"), this);
    m_UndoAction->setShortcut(QKeySequence::Undo);
    // Anywhere in the window; a text field with the keys undoes its own typing.
    m_UndoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_UndoAction, &QAction::triggered, this, [this] { UndoLastRun(); });
    addAction(m_UndoAction);
    m_ListMenu->addSeparator();
    m_ListMenu->addAction(m_UndoAction);
}

void FrmMain::UndoLastRun() {
    if (!m_Loaded || m_RunState == 1) return;
    const std::string journal = results::LatestJournal(results::JournalFolder());
    if (journal.empty()) {
        ShowStatus(QStringLiteral("Nothing to undo: no run has replaced files"));
        return;
    }
    results::UndoReport report;
    {
        BusyPointer busy; // a backup is copied back whole
        report = results::UndoRun(journal);
    }
    ShowRestoredRows(report.Restored);
    ShowStatus(UndoSummary(report));
}

void FrmMain::ShowRestoredRows(const std::vector<std::string>& pRestored) {
    std::set<std::string> restored;
    for (const std::string& source : pRestored)
        restored.insert(FileOf(source));
    for (int32_t i = 0; i < m_LV->ItemCount() && !restored.empty(); ++i) {
        const std::string path = PathOfRow(*m_LV, i);
        if (!restored.count(FileOf(path))) continue;
        FillRowCells(i, path);
        m_LV->SetIconType(i, int32_t(LVIcon::Wave));
        m_LV->SetItemTip(i, QStringLiteral("the original is back (Undo Last Run)"));
        m_LV->ReDrawItem(i);
    }
}

} // namespace app
