#include "app/RunPanel.h"

#include "services/core/Paths.h"

namespace app {

void RunPanel::Set(const panel::PanelSettings& pNow, const results::OriginalsRule& pOriginals,
                   std::string pFolder) {
    const std::lock_guard<std::mutex> lock(m_Lock);
    m_Now = pNow;
    m_Originals = pOriginals;
    m_Folder = std::move(pFolder);
    if (m_Now.OverWrite != 1) m_ReplaceWanted = false;
}

job::StepRequest RunPanel::Request(const std::string& pSource,
                                   const panel::PanelSettings& pAtStart) {
    std::unique_lock<std::mutex> lock(m_Lock);
    const panel::PanelSettings now = m_Now;
    const results::OriginalsRule originals = m_Originals;
    const std::string folder = m_Folder;
    m_ReplaceWanted = now.OverWrite == 1;
    lock.unlock();
    job::StepRequest q;
    q.Job = panel::PanelJob(pAtStart, now);
    q.Job.SourcePath = pSource;
    job::FileTarget& t = q.Target;
    if (now.OverWrite == 1) {
        t.Where = job::Placement::OverSource;
        t.NotReplaced = job::IfNotReplaced::KeepNumbered;
        t.Originals = originals;
        // Replaced only when OverWrite stayed on for the whole file.
        q.ReplaceStillWanted = [this] { return ReplaceStillWanted(); };
    } else if (FolderExists(folder) == 1) {
        t.Where = job::Placement::OutputFolder;
        t.Wanted = job::NameInFolder(folder, pSource);
    }
    return q;
}

bool RunPanel::ReplaceStillWanted() const {
    const std::lock_guard<std::mutex> lock(m_Lock);
    return m_ReplaceWanted;
}

} // namespace app
