// The window's run in album mode: every row is measured first, the levels of all rows are
// pooled into the set's, and every row is then written with the set's one gain.

#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include "app/PreviewText.h"
#include "controls/UC_ListView.h"

#include <QFile>

namespace app {

bool FrmMain::AlbumRunWanted(const panel::PanelSettings& pAtStart) {
    return pAtStart.Album == 1 && pAtStart.UseOf(panel::UseBox::Normalize) == 1;
}

void FrmMain::StartAlbumRun() {
    std::vector<job::SetFile> files;
    std::vector<int32_t> rows; // the row of each file of the set
    std::vector<std::string> sources;
    for (int32_t i = 0; i < std::min(m_Run->Count, m_LV->ItemCount()); ++i) {
        const std::string source = PathOfRow(*m_LV, i);
        if (source.empty()) {
            ShowRowStatus(i, FailedStatus("the row names no file"));
            continue;
        }
        // The panel as it stands at Start serves every file: they share one gain.
        files.push_back({0, RunRequest(source, m_Run->AtStart)});
        rows.push_back(i);
        sources.push_back(source);
    }
    m_PostedProgress = -1;
    m_RunWorker.start(
        [this, files = std::move(files), rows, sources, journal = m_Journal]() mutable {
            const float count = float(files.size());
            auto post = [this](auto pCall) {
                QMetaObject::invokeMethod(this, std::move(pCall), Qt::QueuedConnection);
            };
            job::SetRunHooks hooks;
            hooks.FileStarted = [&](job::SetPhase pPhase, size_t i, int64_t) {
                post([this, row = rows[i], pPhase] { SelectAlbumItem(row, pPhase); });
            };
            // The bar runs once over both phases: measuring fills its first half.
            hooks.FileProgress = [&](job::SetPhase pPhase, size_t i, float pRate) {
                const float before = pPhase == job::SetPhase::Write ? count : 0.0f;
                PostProgress((before + float(i) + pRate) / (2.0f * count));
            };
            hooks.SetsPooled = [&](const std::vector<job::SetFigures>& pSets) {
                post([this, sources, set = pSets.front()] { ShowAlbumFigures(sources, set); });
            };
            hooks.FileDone = [&](size_t i, const job::StepOutcome& pOutcome) {
                job::StepOutcome outcome = pOutcome;
                job::RecordReplaced(*journal, outcome); // at once: the window may close first
                post([this, row = rows[i], source = sources[i], outcome] {
                    ShowOutcome(row, source, outcome);
                });
            };
            hooks.Stopped = [this] { return m_AbortRequested == 1; };
            const job::SetRunResult result = job::RunSets(std::move(files), 1, false, hooks);
            std::vector<int32_t> unwritten;
            for (size_t i = 0; i < result.Steps.size(); ++i)
                if (!result.Steps[i]) unwritten.push_back(rows[i]);
            post([this, unwritten] { FinishAlbumRun(unwritten); });
        });
}

void FrmMain::SelectAlbumItem(int32_t pRow, job::SetPhase pPhase) {
    SelectRunItem(pRow);
    m_LV->SetItemTip(pRow, pPhase == job::SetPhase::Measure
                               ? QStringLiteral("measuring for the set")
                               : QStringLiteral("writing with the set's gain"));
}

void FrmMain::ShowAlbumFigures(const std::vector<std::string>& pSources,
                               const job::SetFigures& pSet) {
    std::vector<std::string> pooled = pSources;
    for (auto k = pSet.LeftOut.rbegin(); k != pSet.LeftOut.rend(); ++k)
        pooled.erase(pooled.begin() + std::ptrdiff_t(*k));
    if (pSet.Levels) m_Pane->SetAlbumGain(pooled, pSet.GainDb);
    const std::optional<NormMode> mode = NormModeFromIndex(m_Run->AtStart.NormMode);
    m_RunNote = " \u00b7 " + AlbumText(pSet, mode && NormModeInfo(*mode).ByLoudness);
}

void FrmMain::FinishAlbumRun(const std::vector<int32_t>& pUnwritten) {
    for (int32_t row : pUnwritten)
        if (row < m_LV->ItemCount()) ShowRowStatus(row, SkippedStatus());
    FinishRun(m_Run->Count); // every row has its status
}

} // namespace app
