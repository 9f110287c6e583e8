#pragma once
// What happened to each file of a batch run, as its row in the list shows it (an icon and
// a tooltip), and the run's one-line summary.

#include "services/job/FileStep.h"

#include <cstdint>
#include <string>

namespace app {

enum class RowState {
    Waiting, // not processed by the last run (or no run yet)
    InHand,  // being processed
    Done,    // a result was written, or the source replaced
    NoSound, // nothing above the start threshold: source kept, or an empty result written
    Failed,  // nothing written (or the source not replaced), with the reason
    Skipped, // left out by Abort
};

struct RowStatus {
    RowState State = RowState::Waiting;
    std::string Text; // the row's tooltip; empty while waiting
};

// The row of a file the run stepped through: what became of it, where its result went, why it
// failed, and the warnings of a result that was written.
RowStatus StepStatus(const job::StepOutcome& pOutcome);
RowStatus FailedStatus(const std::string& pReason);
// A row the run did not reach because Abort ended it.
RowStatus SkippedStatus();

// The rows' states of one run, counted for the summary.
class RunTally {
  public:
    void Add(RowState pState);
    // "12 done, 2 failed", with ", 1 without sound" and ", 3 skipped" when there are any.
    std::string Summary() const;

  private:
    int32_t m_Done = 0;
    int32_t m_Failed = 0;
    int32_t m_NoSound = 0;
    int32_t m_Skipped = 0;
};

} // namespace app
