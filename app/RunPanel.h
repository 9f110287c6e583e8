#pragma once
// The panel as a run's worker reads it at each file's start: the window keeps it current
// while the panel changes, and the worker builds each file's step from it under a lock.

#include "services/core/Originals.h"
#include "services/job/FileStep.h"
#include "services/job/PanelSettings.h"

#include <mutex>
#include <string>

namespace app {

class RunPanel {
  public:
    // The window's side: the panel now, the originals choice and the folder Output To names.
    // OverWrite off also keeps the file in hand's result beside its source.
    void Set(const panel::PanelSettings& pNow, const results::OriginalsRule& pOriginals,
             std::string pFolder);

    // The step of pSource as the panel now asks for it: OverWrite replaces the source (and
    // keeps the result numbered beside it when it cannot), else the output folder when it
    // exists, else beside the source. The margins and the level come from pAtStart.
    job::StepRequest Request(const std::string& pSource, const panel::PanelSettings& pAtStart);

  private:
    bool ReplaceStillWanted() const;

    mutable std::mutex m_Lock;
    panel::PanelSettings m_Now;
    results::OriginalsRule m_Originals;
    std::string m_Folder;
    // OverWrite stayed on since the file in hand started (read by the worker at its end).
    bool m_ReplaceWanted = false;
};

} // namespace app
