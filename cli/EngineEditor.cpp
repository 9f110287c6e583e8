#include "cli/EngineEditor.h"

#include "engine/C_EditWave.h"
#include "engine/FailureReason.h"

namespace cli {

namespace {

class EngineEditor : public Editor {
  public:
    EditOutcome Edit(const EditJob& pJob, const ProgressFn& pProgress) override {
        m_Job.Prog = [&](float pRate, int32_t& pCancel) {
            if (pProgress(pRate)) pCancel = 1;
        };
        EditOutcome out;
        out.Result = m_Job.Edit(pJob);
        m_Job.Prog = nullptr;
        out.Levels = {m_Job.MaxPeak(),   m_Job.MaxRMS(),   m_Job.NormRMS(),
                      m_Job.MaxPeakDB(), m_Job.MaxRMSDB(), m_Job.NormRMSDB()};
        out.Status = m_Job.Status();
        out.Detail = m_Job.StatusDetail();
        out.KeptFrames = m_Job.KeptFrames();
        out.Loudness = m_Job.Loudness();
        out.GainDb = m_Job.GainDb();
        out.CeilingLowered = m_Job.CeilingLowered();
        return out;
    }

  private:
    C_EditWave m_Job;
};

} // namespace

std::unique_ptr<Editor> MakeEngineEditor() {
    return std::make_unique<EngineEditor>();
}

std::string ExplainFailure(const std::string& pSource, const std::string& pTargetFolder,
                           const EditOutcome& pOutcome) {
    return FailureReason(pSource, pTargetFolder, pOutcome.Status, pOutcome.Detail);
}

} // namespace cli
