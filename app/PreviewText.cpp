#include "app/PreviewText.h"

#include "services/core/DurationText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace app {

namespace {

std::string Fixed(double pValue, int pDecimals, bool pSign = false) {
    if (std::isinf(pValue)) return pValue < 0 ? "-inf" : "inf";
    char text[64];
    std::snprintf(text, sizeof text, pSign ? "%+.*f" : "%.*f", pDecimals, pValue);
    return text;
}

double Seconds(int64_t pFrames, int32_t pRate) {
    return pRate > 0 ? double(pFrames) / pRate : 0.0;
}

std::string TrimPart(const JobPreview& pP, const WaveOverview& pO) {
    if (!pP.Trims) return "no trim";
    if (pP.NoSound) return "no sound above the start threshold";
    if (!pP.Range) return "the margins leave nothing: the file fails";
    return "trim " + Fixed(Seconds(pP.Range->Start, pO.SampleRate), 2) + " s / " +
           Fixed(Seconds(pO.Frames - pP.Range->End, pO.SampleRate), 2) + " s";
}

std::string GainPart(const JobPreview& pP, const EditJob& pJob) {
    if (!pJob.Trim && !pJob.Normalize) return "no gain";
    const NormModeRow& row = NormModeInfo(pJob.Normalize ? pJob.Mode : NormMode::Peak);
    std::string s(row.Caption);
    s += " \u2192 " + Fixed(pJob.NormLevelDb, 0) + (row.ByLoudness ? " LUFS: " : " dB: ");
    if (!pP.Gain) return s + "measuring\u2026";
    s += Fixed(pP.GainDb(), 1, true) + " dB";
    if (pP.CeilingLowered) s += " (true-peak ceiling)";
    return s;
}

} // namespace

std::string PreviewLine(const JobPreview& pP, const EditJob& pJob, const WaveOverview& pO) {
    std::string s = TrimPart(pP, pO);
    if (pP.Range) s += " \u00b7 " + GainPart(pP, pJob);
    if (pJob.AdjustLeftDb != 0.0f)
        s += " \u00b7 adjust " + Fixed(pJob.AdjustLeftDb, 0, true) + " dB";
    if (pP.Range) {
        const double ms = Seconds(pP.ResultFrames, pO.SampleRate) * 1000.0;
        // To the nearest millisecond, as the list shows a file's length.
        s += " \u00b7 result " + DurationText(int32_t(std::min(std::nearbyint(ms), 2147483647.0)));
    }
    return s;
}

std::string AlbumGainText(double pGainDb) {
    return "album: " + Fixed(pGainDb, 1, true) + " dB";
}

std::string AlbumText(const job::SetFigures& pSet, bool pLufs) {
    if (!pSet.Error.empty()) return "album not written: " + pSet.Error;
    std::string s = "album of " + std::to_string(pSet.Files) +
                    (pSet.Files == 1 ? " file at " : " files at ") + Fixed(pSet.Level, 1) +
                    (pLufs ? " LUFS: " : " dB: ") + Fixed(pSet.GainDb, 1, true) + " dB";
    if (!pSet.LeftOut.empty()) s += ", " + std::to_string(pSet.LeftOut.size()) + " left out";
    return s;
}

std::string LevelsTip(const FileLevels& pL) {
    if (!pL.Ok) return pL.Error;
    return "peak " + Fixed(pL.PeakDb, 1) + " dB \u00b7 RMS(Max) " + Fixed(pL.RmsMaxDb, 1) +
           " dB \u00b7 RMS(Average) " + Fixed(pL.RmsAverageDb, 1) + " dB \u00b7 " +
           Fixed(pL.IntegratedLufs, 1) + " LUFS \u00b7 true peak " + Fixed(pL.TruePeakDbtp, 1) +
           " dBTP";
}

std::string LevelsCsv(const std::vector<LevelsRow>& pRows) {
    // An empty field where there is no finite level, as the batch report's JSON says null.
    auto level = [](double pValue) { return std::isfinite(pValue) ? Fixed(pValue, 2) : ""; };
    auto quoted = [](std::string_view pText) {
        std::string q = "\"";
        for (char c : pText) {
            if (c == '"') q += '"';
            q += c;
        }
        return q + "\"";
    };
    std::string csv =
        "source,max_peak_db,max_rms_db,norm_rms_db,integrated_lufs,true_peak_dbtp,error\n";
    for (const LevelsRow& row : pRows) {
        const FileLevels& l = row.Levels;
        csv += quoted(row.Name) + ",";
        if (l.Ok)
            csv += level(l.PeakDb) + "," + level(l.RmsMaxDb) + "," + level(l.RmsAverageDb) + "," +
                   level(l.IntegratedLufs) + "," + level(l.TruePeakDbtp) + ",\n";
        else
            csv += ",,,,," + quoted(l.Error) + "\n";
    }
    return csv;
}

} // namespace app
