#include "engine/FailureReason.h"

#include "platform/core/FolderAccess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

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

std::string SourceProblem(const std::string& pPath, int64_t* pBytes) {
    std::error_code ec;
    const auto status = std::filesystem::status(pPath, ec);
    if (status.type() == std::filesystem::file_type::not_found) return "missing";
    if (ec) return "cannot read: " + ec.message();
    if (!std::filesystem::is_regular_file(status)) return "not a regular file";
    if (pBytes) {
        const auto size = std::filesystem::file_size(pPath, ec);
        *pBytes = ec ? 0 : static_cast<int64_t>(size);
    }
    return {};
}

std::string FailureReason(const std::string& pSource, const std::string& pTargetFolder,
                          EditStatus pStatus, const std::string& pDetail) {
    auto withDetail = [&](const std::string& pText) {
        return pDetail.empty() ? pText : pText + ": " + pDetail;
    };
    switch (pStatus) {
    case EditStatus::SourceUnreadable:
        // Gone or replaced since the runner looked: say so as it would have.
        if (std::string problem = SourceProblem(pSource); !problem.empty()) return problem;
        return pDetail.empty() ? "cannot read" : "cannot read: " + pDetail;
    case EditStatus::NotWav:
        return NotEditable(NotWavKind(FileHead(pSource)));
    case EditStatus::NotPcm:
    case EditStatus::UnsupportedLayout:
        return NotEditable(pDetail.empty() ? EditStatusText(pStatus) : pDetail);
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
    case EditStatus::NonFiniteSample:
        return withDetail(EditStatusText(pStatus));
    case EditStatus::OutputTooLarge:
    case EditStatus::SourceChanged:
    case EditStatus::Cancelled:
    case EditStatus::OutOfMemory:
        return EditStatusText(pStatus);
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

std::string LimitNote(GainLimit pLimit, float pCeilingDb, double pReached, float pTarget,
                      bool pLufs) {
    if (pLimit == GainLimit::None) return {};
    char limit[64];
    if (pLimit == GainLimit::TruePeakCeiling)
        std::snprintf(limit, sizeof limit, "the true-peak ceiling of %.1f dBTP",
                      double(pCeilingDb));
    else
        std::snprintf(limit, sizeof limit, "the sample peak");
    const char* unit = pLufs ? "LUFS" : "dB";
    char text[160];
    std::snprintf(text, sizeof text, "%s lowered the gain: %.1f %s instead of %.1f", limit,
                  pReached, unit, double(pTarget));
    return text;
}
