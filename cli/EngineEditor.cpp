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
    EditOutcome Edit(const EditJob& job, const ProgressFn& progress) override {
        m_job.Prog = [&](float rate, int32_t& cancel) {
            if (progress(rate)) cancel = 1;
        };
        EditOutcome out;
        out.result = m_job.Edit(job);
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

// The first 12 bytes of a file (fewer when it is shorter or unreadable).
std::string FileHead(const std::string& source) {
    char head[12] = {};
    std::ifstream in(source, std::ios::binary);
    in.read(head, sizeof head);
    return std::string(head, static_cast<size_t>(in.gcount()));
}

bool IsRiffWave(std::string_view head) {
    return head.size() == 12 && head.substr(0, 4) == "RIFF" && head.substr(8) == "WAVE";
}

// What a file the engine found no WAV file in holds, from its first bytes.
std::string NotWavKind(std::string_view h) {
    auto starts = [&](std::string_view magic) { return h.substr(0, magic.size()) == magic; };
    if (h.empty()) return "empty file";
    if (IsRiffWave(h)) return "no usable fmt and data chunks";
    if (starts("RIFF")) return "a RIFF file that is not WAVE";
    if (starts("RIFX")) return "big-endian RIFF";
    if (starts("RF64")) return "RF64 WAV";
    if (starts("ID3") || (h.size() >= 2 && static_cast<unsigned char>(h[0]) == 0xff &&
                          (static_cast<unsigned char>(h[1]) & 0xe0) == 0xe0))
        return "MPEG audio";
    if (starts("fLaC")) return "FLAC";
    if (starts("OggS")) return "Ogg";
    if (starts("FORM")) return "AIFF or another IFF file";
    return "not a RIFF/WAVE file";
}

std::string NotEditable(const std::string& cause) {
    return "not a WAV file it can edit (" + cause + ")";
}

bool FolderIsFull(const std::string& folder) {
    std::error_code ec;
    const auto space = std::filesystem::space(folder.empty() ? "." : folder, ec);
    return !ec && space.available == 0;
}

// What keeps the target's folder from taking the result: full, or no files can be created
// there; empty when neither.
std::string FolderProblem(const std::string& targetFolder) {
    if (FolderIsFull(targetFolder)) return "disk full";
    const std::string folder = targetFolder.empty() ? "." : targetFolder;
    if (const std::error_code ec = platform::CheckCanCreateFilesIn(folder))
        return "write failed: cannot create files in " + folder + ": " + ec.message();
    return {};
}

} // namespace

std::unique_ptr<Editor> MakeEngineEditor() {
    return std::make_unique<EngineEditor>();
}

std::string ExplainFailure(const std::string& source, const std::string& targetFolder,
                           const EditOutcome& outcome) {
    const std::string& detail = outcome.detail;
    auto withDetail = [&](const std::string& text) {
        return detail.empty() ? text : text + ": " + detail;
    };
    switch (outcome.status) {
    case EditStatus::SourceUnreadable:
        // Gone or replaced since the runner looked: say so as it would have.
        if (std::string problem = SourceProblem(source); !problem.empty()) return problem;
        return detail.empty() ? "cannot read" : "cannot read: " + detail;
    case EditStatus::NotWav:
        return NotEditable(NotWavKind(FileHead(source)));
    case EditStatus::NotPcm:
    case EditStatus::UnsupportedLayout:
        return NotEditable(detail.empty() ? EditStatusText(outcome.status) : detail);
    case EditStatus::EmptyRange:
        return "empty range: the range to write ends before it starts";
    case EditStatus::TargetExists:
        return "target exists";
    case EditStatus::ReadFailed:
        return withDetail("read failed");
    case EditStatus::WriteFailed:
        if (std::string problem = FolderProblem(targetFolder); !problem.empty()) return problem;
        return withDetail("write failed");
    case EditStatus::DiskFull:
        return "disk full";
    case EditStatus::InvalidArgument:
        return withDetail("invalid argument");
    case EditStatus::OutputTooLarge:
    case EditStatus::Cancelled:
    case EditStatus::OutOfMemory:
        return EditStatusText(outcome.status);
    case EditStatus::Done:
    case EditStatus::InternalError:
        break;
    }
    // A failed job without a known cause: a missing source, a file that is no WAV file at all
    // or the target's folder may explain it; otherwise say only that the engine failed.
    if (std::string problem = SourceProblem(source); !problem.empty()) return problem;
    if (const std::string head = FileHead(source); !IsRiffWave(head))
        return NotEditable(NotWavKind(head));
    if (std::string problem = FolderProblem(targetFolder); !problem.empty()) return problem;
    return withDetail("edit failed (internal error)");
}

} // namespace cli
