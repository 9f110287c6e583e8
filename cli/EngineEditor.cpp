#include "cli/EngineEditor.h"

#include "engine/C_EditWave.h"
#include "platform/core/FolderAccess.h"

#include <filesystem>
#include <fstream>
#include <string_view>

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

// The first 12 bytes of a file (fewer when it is shorter or unreadable).
std::string FileHead(const std::string& pSource) {
    char head[12] = {};
    std::ifstream in(pSource, std::ios::binary);
    in.read(head, sizeof head);
    return std::string(head, static_cast<size_t>(in.gcount()));
}

bool IsRiffWave(std::string_view pHead) {
    return pHead.size() == 12 && pHead.substr(0, 4) == "RIFF" && pHead.substr(8) == "WAVE";
}

// What a file the engine found no WAV file in holds, from its first bytes.
std::string NotWavKind(std::string_view pH) {
    auto starts = [&](std::string_view pMagic) { return pH.substr(0, pMagic.size()) == pMagic; };
    if (pH.empty()) return "empty file";
    if (IsRiffWave(pH)) return "no usable fmt and data chunks";
    if (starts("RIFF")) return "a RIFF file that is not WAVE";
    if (starts("RIFX")) return "big-endian RIFF";
    if (starts("RF64")) return "RF64 WAV";
    if (starts("ID3") || (pH.size() >= 2 && static_cast<unsigned char>(pH[0]) == 0xff &&
                          (static_cast<unsigned char>(pH[1]) & 0xe0) == 0xe0))
        return "MPEG audio";
    if (starts("fLaC")) return "FLAC";
    if (starts("OggS")) return "Ogg";
    if (starts("FORM")) return "AIFF or another IFF file";
    return "not a RIFF/WAVE file";
}

std::string NotEditable(const std::string& pCause) {
    return "not a WAV file it can edit (" + pCause + ")";
}

bool FolderIsFull(const std::string& pFolder) {
    std::error_code ec;
    const auto space = std::filesystem::space(pFolder.empty() ? "." : pFolder, ec);
    return !ec && space.available == 0;
}

// What keeps the target's folder from taking the result: full, or no files can be created
// there; empty when neither.
std::string FolderProblem(const std::string& pTargetFolder) {
    if (FolderIsFull(pTargetFolder)) return "disk full";
    const std::string folder = pTargetFolder.empty() ? "." : pTargetFolder;
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(folder))
        return "write failed: cannot create files in " + folder + ": " + ec.message();
    return {};
}

} // namespace

std::unique_ptr<Editor> MakeEngineEditor() {
    return std::make_unique<EngineEditor>();
}

std::string ExplainFailure(const std::string& pSource, const std::string& pTargetFolder,
                           const EditOutcome& pOutcome) {
    const std::string& detail = pOutcome.Detail;
    auto withDetail = [&](const std::string& pText) {
        return detail.empty() ? pText : pText + ": " + detail;
    };
    switch (pOutcome.Status) {
    case EditStatus::SourceUnreadable:
        // Gone or replaced since the runner looked: say so as it would have.
        if (std::string problem = SourceProblem(pSource); !problem.empty()) return problem;
        return detail.empty() ? "cannot read" : "cannot read: " + detail;
    case EditStatus::NotWav:
        return NotEditable(NotWavKind(FileHead(pSource)));
    case EditStatus::NotPcm:
    case EditStatus::UnsupportedLayout:
        return NotEditable(detail.empty() ? EditStatusText(pOutcome.Status) : detail);
    case EditStatus::EmptyRange:
        return "empty range: the range to write ends before it starts";
    case EditStatus::TargetExists:
        return "target exists";
    case EditStatus::ReadFailed:
        return withDetail("read failed");
    case EditStatus::WriteFailed:
        if (std::string problem = FolderProblem(pTargetFolder); !problem.empty()) return problem;
        return withDetail("write failed");
    case EditStatus::DiskFull:
        return "disk full";
    case EditStatus::InvalidArgument:
        return withDetail("invalid argument");
    case EditStatus::OutputTooLarge:
    case EditStatus::Cancelled:
    case EditStatus::OutOfMemory:
        return EditStatusText(pOutcome.Status);
    case EditStatus::Done:
    case EditStatus::InternalError:
        break;
    }
    // A failed job without a known cause: a missing source, a file that is no WAV file at all
    // or the target's folder may explain it; otherwise say only that the engine failed.
    if (std::string problem = SourceProblem(pSource); !problem.empty()) return problem;
    if (const std::string head = FileHead(pSource); !IsRiffWave(head))
        return NotEditable(NotWavKind(head));
    if (std::string problem = FolderProblem(pTargetFolder); !problem.empty()) return problem;
    return withDetail("edit failed (internal error)");
}

} // namespace cli
