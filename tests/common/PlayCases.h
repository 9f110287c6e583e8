#pragma once

// Takes and jobs for the listening tests: a take with silence around a tone in a given
// format, the jobs to hear it through, the job's full preview and the audio bytes of the
// file the run writes.

#include "common/WavWriter.h"
#include "engine/C_EditWave.h"
#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"
#include "engine/WaveOverview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace playcases {

struct Take {
    const char* Name;
    testwav::Format Format;
};

// 16-bit stereo, 24-bit mono, float stereo, 8-bit and 5.1 32-bit integer at 48 kHz.
inline std::vector<Take> Takes() {
    testwav::Format f16{48000, 16, 2}, f24{48000, 24, 1}, ff{48000, 32, 2, true}, f8{48000, 8, 1},
        f51{48000, 32, 6, false, true, 0x3F};
    return {{"16-bit", f16}, {"24-bit", f24}, {"float", ff}, {"8-bit", f8}, {"5.1", f51}};
}

// 0.25 s of silence, 1 s of a loud tone, 0.25 s of silence.
inline void WriteTake(const std::string& pPath, const testwav::Format& pF) {
    const int64_t frames = pF.Rate * 3 / 2;
    const double full = pF.Float ? 1.0 : pF.Bits == 8 ? 127.0 : std::ldexp(1.0, pF.Bits - 1) - 1;
    std::vector<int32_t> ints;
    std::vector<float> floats;
    for (int64_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < pF.Channels; ++c) {
            const bool sound = i >= pF.Rate / 4 && i < frames - pF.Rate / 4;
            const double v = sound ? 0.6 * std::sin(0.05 * double(i) * (c + 1)) : 0.0;
            floats.push_back(float(v));
            ints.push_back(int32_t(std::lround(v * full)) + (pF.Bits == 8 ? 128 : 0));
        }
    testwav::WriteFile(
        pPath, testwav::Wav(pF, pF.Float ? testwav::Floats(floats) : testwav::Samples(pF, ints)));
}

// Trim with forced margins, peak and fades; gated RMS with a level; loudness; level and clip
// alone.
inline std::vector<EditJob> Jobs() {
    EditJob trim;
    trim.Trim = true;
    trim.StartThresholdDb = trim.EndThresholdDb = -40.0f;
    trim.StartMarginMs = trim.EndMarginMs = 400;
    trim.ForceMargins = true;
    trim.Normalize = true;
    trim.NormLevelDb = -1.0f;
    trim.FadeInFrames = 2000;
    trim.FadeOutFrames = 3000;
    EditJob rms = trim;
    rms.ForceMargins = false;
    rms.StartMarginMs = rms.EndMarginMs = 50;
    rms.Mode = NormMode::RmsCalc;
    rms.GateMs = 100;
    rms.GateDb = -30.0f;
    rms.NormLevelDb = -6.0f;
    rms.AdjustLeftDb = rms.AdjustRightDb = -2.5f;
    EditJob loud = rms;
    loud.Mode = NormMode::Loudness;
    loud.NormLevelDb = -20.0f;
    EditJob level;
    level.AdjustLeftDb = level.AdjustRightDb = 7.0f;
    level.Clip = true;
    return {trim, rms, loud, level};
}

// The preview of a job, with its range pass measured when the gain needs one.
inline JobPreview FullPreview(const WaveOverview& pO, const EditJob& pJob) {
    JobPreview p = PreviewJob(pO, pJob);
    if (!p.NeedsRange) return p;
    const RangeResult range = MeasureRange(pJob.SourcePath, *p.NeedsRange);
    return range.Levels ? PreviewJob(pO, pJob, &*range.Levels) : p;
}

// The audio bytes of a WAV file.
inline std::vector<uint8_t> AudioOf(const std::string& pPath) {
    const FileHandle h = OpenForRead(pPath);
    const WaveInfo info = ReadWaveInfoFrom(h);
    std::vector<uint8_t> data(size_t(info.SampleFrames * info.BlockAlign));
    int64_t got = 0;
    ReadByHandle(h, info.DataOffset, data.data(), int32_t(data.size()), &got);
    CloseFile(h);
    data.resize(size_t(got));
    return data;
}

// Every take in every job: the job is run into folder (a path ending in '/') and `check`
// gets the job, the take's overview and the audio bytes the run wrote.
inline void ForEachWrittenCase(const std::string& pFolder,
                               const std::function<void(const EditJob&, const WaveOverview&,
                                                        const std::vector<uint8_t>&)>& pCheck) {
    for (const Take& take : Takes()) {
        const std::string source = pFolder + take.Name + ".wav";
        WriteTake(source, take.Format);
        const OverviewResult o = MeasureOverview(source);
        ASSERT_TRUE(o.Overview) << take.Name;
        int n = 0;
        for (EditJob job : Jobs()) {
            SCOPED_TRACE(std::string(take.Name) + " job " + std::to_string(n));
            job.SourcePath = source;
            job.TargetPath = pFolder + std::to_string(n++) + take.Name + "-out.wav";
            ASSERT_TRUE(C_EditWave().Edit(job).Done());
            pCheck(job, *o.Overview, AudioOf(job.TargetPath));
        }
    }
}

} // namespace playcases
