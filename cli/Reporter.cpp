#include "cli/Reporter.h"

#include "services/core/Paths.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace cli {

namespace {

std::string FloatText(float pValue) {
    if (!std::isfinite(pValue)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(pValue));
    return buffer;
}

// A measurement with pDecimals decimals; null when there is none or it is not finite.
std::string MeasureText(std::optional<double> pValue, int pDecimals = 2) {
    if (!pValue || !std::isfinite(*pValue)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", pDecimals, *pValue);
    return buffer;
}

std::string Field(const char* pName, const std::string& pJsonValue) {
    return std::string("\"") + pName + "\": " + pJsonValue;
}

std::string NameOf(const std::string& pPath) {
    return PathPart(pPath, PathParts::Name);
}

// Length of the well-formed UTF-8 sequence that starts at text[i], or 0 when the bytes there
// are not one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(const std::string& pText, size_t pStart) {
    auto at = [&](size_t pK) -> unsigned {
        return pStart + pK < pText.size() ? static_cast<unsigned char>(pText[pStart + pK]) : 0u;
    };
    auto cont = [&](size_t pK, unsigned pLo = 0x80, unsigned pHi = 0xbf) {
        return at(pK) >= pLo && at(pK) <= pHi;
    };
    const unsigned c = at(0);
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) return cont(1) ? 2 : 0;
    if (c == 0xe0) return cont(1, 0xa0) && cont(2) ? 3 : 0;
    if (c == 0xed) return cont(1, 0x80, 0x9f) && cont(2) ? 3 : 0;
    if (c >= 0xe1 && c <= 0xef) return cont(1) && cont(2) ? 3 : 0;
    if (c == 0xf0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (c >= 0xf1 && c <= 0xf3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (c == 0xf4) return cont(1, 0x80, 0x8f) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

} // namespace

std::string JsonString(const std::string& pText) {
    std::string out = "\"";
    for (size_t i = 0; i < pText.size();) {
        const auto c = static_cast<unsigned char>(pText[i]);
        if (c >= 0x80) {
            const size_t n = Utf8SequenceLength(pText, i);
            out += n == 0 ? std::string("\\ufffd") : pText.substr(i, n);
            i += n == 0 ? 1 : n;
            continue;
        }
        ++i;
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string PrintableText(const std::string& pText) {
    std::string out;
    for (size_t i = 0; i < pText.size();) {
        const auto c = static_cast<unsigned char>(pText[i]);
        const size_t n = c >= 0x80 ? Utf8SequenceLength(pText, i) : 1;
        if (n == 2 && c == 0xc2 && static_cast<unsigned char>(pText[i + 1]) < 0xa0) {
            // C1 control characters: some terminals act on them.
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x",
                          static_cast<unsigned char>(pText[i + 1]));
            out += buffer;
            i += 2;
            continue;
        }
        if (n > 1) {
            out += pText.substr(i, n);
            i += n;
            continue;
        }
        ++i;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool LevelsMeasured(const Options& pOptions) {
    return pOptions.Check || pOptions.Edit.Trim || pOptions.Edit.Normalize;
}

bool LoudnessReported(const Options& pOptions) {
    // A check in album mode measures each file's kept range as its write would.
    return pOptions.Edit.MeasureLoudness ||
           (pOptions.Edit.Normalize && NormModeInfo(pOptions.Edit.Mode).ByLoudness &&
            (!pOptions.Check || pOptions.Album != AlbumBy::None));
}

namespace {

// The loudness measurements of a finished file; none where not measured.
struct LoudnessFigures {
    std::optional<double> Integrated, Range, TruePeak;
};

LoudnessFigures FiguresOf(const FileResult& pR) {
    LoudnessFigures f;
    if (pR.Result != 1 || !pR.Loudness) return f;
    f.Integrated = pR.Loudness->IntegratedLufs;
    if (pR.Loudness->HasRange) f.Range = pR.Loudness->RangeLu;
    if (pR.Loudness->HasTruePeak) f.TruePeak = pR.Loudness->TruePeakDbtp();
    return f;
}

// A whole number as JSON: levels of float files above full scale may pass 2^63.
std::string WholeNumberText(double pV) {
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", pV);
    return text;
}

std::string LimitName(GainLimit pLimit) {
    switch (pLimit) {
    case GainLimit::TruePeakCeiling:
        return "\"true_peak\"";
    case GainLimit::SamplePeak:
        return "\"sample_peak\"";
    case GainLimit::None:
        break;
    }
    return "null";
}

} // namespace

std::string LoudnessLine(const FileResult& pR) {
    const LoudnessFigures f = FiguresOf(pR);
    auto shown = [](std::optional<double> pV, const char* pUnit) {
        if (!pV) return std::string("-");
        if (std::isinf(*pV)) return std::string(*pV < 0 ? "-inf " : "inf ") + pUnit;
        return MeasureText(pV) + " " + pUnit;
    };
    std::string s = PrintableText(pR.Source) + "\t" + shown(f.Integrated, "LUFS") + "\t" +
                    shown(f.Range, "LU") + "\t" + shown(f.TruePeak, "dBTP");
    if (pR.GainDb) {
        s += "\tgain " + std::string(*pR.GainDb >= 0.0 ? "+" : "") + MeasureText(pR.GainDb) + " dB";
        if (pR.Limit == GainLimit::TruePeakCeiling) s += " (true-peak ceiling)";
        if (pR.Limit == GainLimit::SamplePeak) s += " (sample peak)";
    }
    return s;
}

std::string JsonLine(const FileResult& pR, bool pLevelsMeasured, bool pLoudness) {
    const bool levels = pLevelsMeasured && pR.HasLevels && pR.Result == 1;
    auto level = [&](double pV) { return levels ? WholeNumberText(pV) : std::string("null"); };
    auto db = [&](float pV) { return levels ? FloatText(pV) : std::string("null"); };
    std::string s = "{";
    s += Field("source", JsonString(pR.Source)) + ", ";
    s += Field("target", pR.Target.empty() ? "null" : JsonString(pR.Target)) + ", ";
    s += Field("result", std::to_string(pR.Result)) + ", ";
    s += Field("error", pR.Error.empty() ? "null" : JsonString(pR.Error)) + ", ";
    s += Field("warning", pR.Warning.empty() ? "null" : JsonString(pR.Warning)) + ", ";
    s += Field("max_peak", level(pR.Levels.MaxPeak)) + ", ";
    s += Field("max_rms", level(pR.Levels.MaxRms)) + ", ";
    s += Field("norm_rms", level(pR.Levels.NormRms)) + ", ";
    s += Field("max_peak_db", db(pR.Levels.MaxPeakDb)) + ", ";
    s += Field("max_rms_db", db(pR.Levels.MaxRmsDb)) + ", ";
    s += Field("norm_rms_db", db(pR.Levels.NormRmsDb));
    if (pLoudness) {
        const LoudnessFigures f = FiguresOf(pR);
        const bool written = pR.Result == 1 && pR.GainDb.has_value();
        s += ", " + Field("integrated_lufs", MeasureText(f.Integrated));
        s += ", " + Field("loudness_range_lu", MeasureText(f.Range));
        s += ", " + Field("true_peak_dbtp", MeasureText(f.TruePeak));
        s += ", " + Field("gain_db", written ? MeasureText(pR.GainDb) : "null");
        s += ", " + Field("true_peak_limited",
                          written && pR.Limit == GainLimit::TruePeakCeiling ? "true" : "false");
        s += ", " + Field("limited_by", written ? LimitName(pR.Limit) : "null");
        std::optional<double> source;
        if (pR.Result == 1 && pR.SourceLoudness) source = pR.SourceLoudness->IntegratedLufs;
        s += ", " + Field("source_integrated_lufs", MeasureText(source));
    }
    if (pR.Album) {
        s += ", " + Field("album", JsonString(*pR.Album));
        s += ", " + Field("album_gain_db", MeasureText(pR.AlbumGainDb));
        s += ", " + Field("album_level", MeasureText(pR.AlbumLevel));
        if (pLoudness) s += ", " + Field("album_integrated_lufs", MeasureText(pR.AlbumLufs));
    }
    return s + "}";
}

std::string AlbumLine(const AlbumSet& pSet, const job::SetFigures& pFigures, bool pLufs,
                      const char* pSeparator) {
    const std::string sep = pSeparator;
    std::string s = "album" + (sep == "\t" ? sep : " ") + PrintableText(pSet.Label) + sep +
                    std::to_string(pFigures.Files) + (pFigures.Files == 1 ? " file" : " files");
    if (!pFigures.Levels) return s + sep + "not written";
    const std::optional<double> level = pFigures.Level;
    s += sep + "level " + MeasureText(level) + (pLufs ? " LUFS" : " dB");
    return s + sep + "gain " + (pFigures.GainDb >= 0.0 ? "+" : "") + MeasureText(pFigures.GainDb) +
           " dB";
}

std::string SummaryText(const Options& pOptions, const std::vector<FileResult>& pResults,
                        bool pCancelled) {
    size_t done = 0, failed = 0, notStarted = 0, cancelled = 0;
    for (const auto& r : pResults) {
        if (!r.Started)
            ++notStarted;
        else if (r.Cancelled)
            ++cancelled;
        else if (r.Result == 1)
            ++done;
        else
            ++failed;
    }
    std::string s = pCancelled ? "cancelled; " : "";
    s += std::to_string(done) + " done, " + std::to_string(failed) + " failed";
    if (cancelled > 0) s += ", " + std::to_string(cancelled) + " cancelled";
    if (notStarted > 0) s += ", " + std::to_string(notStarted) + " not started";
    if (pOptions.Check) return s + "; level check only, nothing written";
    if (done == 0) return s + "; nothing written";
    switch (pOptions.Output) {
    case OutputMode::Overwrite:
        return s + "; sources replaced";
    case OutputMode::Folder:
        return s + "; written to " + pOptions.OutputDir;
    case OutputMode::BesideSource:
        break;
    }
    return s + "; written beside the sources";
}

Reporter::Reporter(const Options& pOptions, std::FILE* pOut, std::FILE* pErr, bool pShowProgress)
    : m_Options(pOptions), m_Context(MakeRunContext(pOptions)), m_Out(pOut), m_Err(pErr),
      m_ShowProgress(pShowProgress), m_InHand(pOptions.Files.size()), m_Done(pOptions.Files.size()),
      m_IsDone(pOptions.Files.size(), false), m_Start(std::chrono::steady_clock::now()) {
    if (m_ShowProgress) m_Ticker = std::thread([this] { TickerLoop(); });
}

Reporter::~Reporter() {
    {
        std::lock_guard lock(m_Mutex);
        m_Finished = true;
    }
    m_Wake.notify_all();
    if (m_Ticker.joinable()) m_Ticker.join();
}

void Reporter::FileStarted(size_t pIndex, int64_t pSourceBytes) {
    std::lock_guard lock(m_Mutex);
    m_InHand[pIndex] = {pSourceBytes, 0.0f, true};
}

void Reporter::FileProgress(size_t pIndex, float pRate) {
    std::lock_guard lock(m_Mutex);
    m_InHand[pIndex].Rate = pRate;
}

void Reporter::FileFinished(size_t pIndex, const FileResult& pResult) {
    std::lock_guard lock(m_Mutex);
    m_DoneBytes += m_InHand[pIndex].Bytes;
    m_InHand[pIndex].Active = false;
    m_Done[pIndex] = pResult;
    m_IsDone[pIndex] = true;
    ++m_DoneCount;
    if (!pResult.Error.empty()) {
        ClearProgressLine();
        std::fprintf(m_Err, "quillan-batch: %s: %s\n", PrintableText(pResult.Source).c_str(),
                     PrintableText(pResult.Error).c_str());
        std::fflush(m_Err);
    } else if (!pResult.Warning.empty() && !m_Options.Quiet) {
        ClearProgressLine();
        std::fprintf(m_Err, "quillan-batch: %s: warning: %s\n",
                     PrintableText(pResult.Source).c_str(), PrintableText(pResult.Warning).c_str());
        std::fflush(m_Err);
    }
    EmitReadyJson();
}

void Reporter::PhaseStarted(job::SetPhase pPhase) {
    std::lock_guard lock(m_Mutex);
    m_Measuring = pPhase == job::SetPhase::Measure;
    // The measure phase's files are done with it; the write phase starts them again.
    for (InHand& f : m_InHand)
        f.Active = false;
}

void Reporter::SetPooled(const AlbumSet& pSet, const job::SetFigures& pFigures,
                         const std::vector<std::string>& pLeftOut) {
    std::lock_guard lock(m_Mutex);
    ClearProgressLine();
    const bool lufs = NormModeInfo(m_Options.Edit.Mode).ByLoudness && m_Options.Edit.Normalize;
    // A check prints the sets' figures as its result; a run that writes tells them.
    if (m_Options.Check && !m_Options.Json)
        std::fprintf(m_Out, "%s\n", AlbumLine(pSet, pFigures, lufs, "\t").c_str());
    else if (!m_Options.Quiet)
        std::fprintf(m_Err, "quillan-batch: %s\n", AlbumLine(pSet, pFigures, lufs, ", ").c_str());
    if (!pLeftOut.empty() && !m_Options.Quiet && pFigures.Error.empty()) {
        std::string names;
        for (const std::string& f : pLeftOut)
            names += (names.empty() ? "" : ", ") + PrintableText(f);
        std::fprintf(m_Err, "quillan-batch: album %s: left out (not measured): %s\n",
                     PrintableText(pSet.Label).c_str(), names.c_str());
    }
    std::fflush(m_Out);
    std::fflush(m_Err);
}

std::optional<std::string> Reporter::OrderedLine(const FileResult& pResult) const {
    if (m_Options.Json)
        return WithRunFields(
            JsonLine(pResult, LevelsMeasured(m_Options), LoudnessReported(m_Options)), pResult,
            m_Context);
    // The text lines answer --loudness; a loudness run without it stays as quiet as others.
    if (m_Options.Edit.MeasureLoudness && pResult.Result == 1) return LoudnessLine(pResult);
    return std::nullopt;
}

void Reporter::EmitReadyJson() {
    while (m_NextJson < m_IsDone.size() && m_IsDone[m_NextJson]) {
        if (auto line = OrderedLine(m_Done[m_NextJson])) {
            ClearProgressLine();
            std::fprintf(m_Out, "%s\n", line->c_str());
        }
        ++m_NextJson;
    }
    std::fflush(m_Out);
}

void Reporter::ClearProgressLine() {
    if (!m_LineShown) return;
    std::fputs("\r\x1b[K", m_Err);
    m_LineShown = false;
}

void Reporter::DrawProgress() {
    int64_t bytes = m_DoneBytes;
    size_t current = m_InHand.size();
    for (size_t i = 0; i < m_InHand.size(); ++i) {
        if (!m_InHand[i].Active) continue;
        bytes += static_cast<int64_t>(static_cast<double>(m_InHand[i].Bytes) * m_InHand[i].Rate);
        if (current == m_InHand.size()) current = i;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_Start).count();
    const double mbps = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    std::fprintf(m_Err, "\r\x1b[K%s[%zu/%zu]", m_Measuring ? "measuring " : "", m_DoneCount,
                 m_InHand.size());
    if (current < m_InHand.size())
        std::fprintf(m_Err, " %s %3d%%", PrintableText(NameOf(m_Options.Files[current])).c_str(),
                     static_cast<int>(std::lround(m_InHand[current].Rate * 100.0f)));
    std::fprintf(m_Err, " %.1f MB/s", mbps);
    std::fflush(m_Err);
    m_LineShown = true;
}

void Reporter::TickerLoop() {
    std::unique_lock lock(m_Mutex);
    while (!m_Finished) {
        DrawProgress();
        m_Wake.wait_for(lock, std::chrono::milliseconds(200));
    }
    ClearProgressLine();
}

void Reporter::Finish(const std::vector<FileResult>& pResults, bool pCancelled) {
    {
        std::lock_guard lock(m_Mutex);
        m_Finished = true;
    }
    m_Wake.notify_all();
    if (m_Ticker.joinable()) m_Ticker.join();
    std::lock_guard lock(m_Mutex);
    for (; m_NextJson < pResults.size(); ++m_NextJson)
        if (pResults[m_NextJson].Started)
            if (auto line = OrderedLine(pResults[m_NextJson]))
                std::fprintf(m_Out, "%s\n", line->c_str());
    std::fflush(m_Out);
    if (!m_Options.Quiet) {
        std::fprintf(m_Err, "quillan-batch: %s\n",
                     PrintableText(SummaryText(m_Options, pResults, pCancelled)).c_str());
        std::fflush(m_Err);
    }
}

} // namespace cli
