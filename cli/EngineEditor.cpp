#include "cli/EngineEditor.h"

#include "cli/MediaHelper.h"
#include "engine/C_EditWave.h"
#include "engine/WaveMMIO.h"
#include "platform/core/FolderAccess.h"

#include <filesystem>
#include <mutex>

namespace cli {

namespace {

class EngineEditor : public Editor {
  public:
    EditOutcome Edit(const EditRequest& q, const ProgressFn& progress) override {
        m_job.Prog = [&](float rate, int32_t& cancel) {
            if (progress(rate)) cancel = 1;
        };
        const EditParams& p = q.params;
        EditOutcome out;
        out.result = m_job.EditWave(q.source, q.target, p.from, p.to, p.useTh, p.thIn, p.thOut,
                                    p.startMargin, p.endMargin, p.forceMargin, p.useNorm,
                                    p.normLevel, p.normMode, p.rmsMsec, p.rmsDb, p.clip, p.adjustL,
                                    p.adjustR, p.fadeIn, p.fadeOut, q.checkLevel);
        m_job.Prog = nullptr;
        out.levels = {m_job.MaxPeak(),   m_job.MaxRMS(),   m_job.NormRMS(),
                      m_job.MaxPeakDB(), m_job.MaxRMSDB(), m_job.NormRMSDB()};
        out.status = m_job.Status();
        out.detail = m_job.StatusDetail();
        out.keptFrames = m_job.KeptFrames();
        return out;
    }

  private:
    C_EditWave m_job;
};

// What the file is, for a file the WAV reader refuses; one helper asked at a time.
std::string DescribeFormat(const std::string& source, const WaveInfo& wave) {
    if (wave.Valid && wave.FormatCode > 5)
        return std::to_string(wave.BitsPerSample) + "-bit " + std::to_string(wave.Channels) +
               "-channel WAV; only mono and stereo are edited";
    static std::mutex helperMutex;
    std::lock_guard lock(helperMutex);
    std::string error;
    auto facts = AudioFactsOf({source}, error);
    if (facts && !facts->front().text.empty()) return facts->front().text;
    std::string type = TypeNameOf(source);
    return type.empty() ? "unknown data" : type;
}

bool FolderIsFull(const std::string& folder) {
    std::error_code ec;
    const auto space = std::filesystem::space(folder.empty() ? "." : folder, ec);
    return !ec && space.available == 0;
}

} // namespace

std::unique_ptr<Editor> MakeEngineEditor() {
    return std::make_unique<EngineEditor>();
}

std::string ExplainFailure(const std::string& source, const std::string& targetFolder,
                           const EditOutcome&) {
    if (std::string problem = SourceProblem(source); !problem.empty()) return problem;
    WaveInfo wave = ReadWaveInfo(source);
    if (!wave.Valid || wave.FormatCode > 5)
        return "not a WAV file it can edit (" + DescribeFormat(source, wave) + ")";
    if (FolderIsFull(targetFolder)) return "disk full";
    const std::string folder = targetFolder.empty() ? "." : targetFolder;
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(folder))
        return "write failed: cannot create files in " + folder + ": " + ec.message();
    return "edit failed (empty range after trimming, or a read or write error)";
}

} // namespace cli
