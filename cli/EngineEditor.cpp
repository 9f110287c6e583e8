#include "cli/EngineEditor.h"

#include "engine/C_EditWave.h"
#include "engine/FailureReason.h"

namespace cli {

namespace {

class EngineEditor : public Editor {
  public:
    EditResult Edit(const EditJob& pJob, const ProgressFn& pProgress) override {
        return m_Job.Edit(pJob, pProgress);
    }

  private:
    C_EditWave m_Job;
};

} // namespace

std::unique_ptr<Editor> MakeEngineEditor() {
    return std::make_unique<EngineEditor>();
}

std::string ExplainFailure(const std::string& pSource, const std::string& pTargetFolder,
                           const EditResult& pOutcome) {
    return FailureReason(pSource, pTargetFolder, pOutcome.Status, pOutcome.Detail);
}

} // namespace cli
