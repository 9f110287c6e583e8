#include "engine/SetMeasure.h"

#include "engine/EditJob.h"
#include "engine/EditPass.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double DbOf(double pLevel, double pFullScale) {
    if (!(pLevel > 0.0)) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(pLevel / pFullScale);
}

// The mode a job normalises by: trimming alone scales by the peak.
NormMode ModeOf(const EditJob& pJob) {
    return pJob.Normalize ? pJob.Mode : NormMode::Peak;
}

} // namespace

SetLevels PoolSetLevels(const std::vector<const SetLevels*>& pFiles) {
    if (pFiles.size() == 1) return *pFiles.front();
    SetLevels pool;
    pool.Files = 0;
    if (pFiles.empty()) return pool;
    pool.FullScale = pFiles.front()->FullScale;
    pool.Wide = pFiles.front()->Wide;
    std::vector<const LoudnessBlocks*> blocks;
    for (const SetLevels* file : pFiles) {
        const double r = pool.FullScale / file->FullScale;
        pool.Peak = std::max(pool.Peak, file->Peak * r);
        pool.MaxBlockRms = std::max(pool.MaxBlockRms, file->MaxBlockRms * r);
        pool.SumOfSquares += file->SumOfSquares * r * r;
        pool.Samples += file->Samples;
        pool.HasLoudness = pool.HasLoudness || file->HasLoudness;
        pool.CeilingPeak = std::max(pool.CeilingPeak, file->CeilingPeak);
        for (const auto& b : file->Blocks) {
            pool.Blocks.push_back(b);
            blocks.push_back(b.get());
        }
        pool.Files += file->Files;
    }
    if (pool.Samples > 0.0 && pool.SumOfSquares > 0.0)
        pool.RangeRms = std::sqrt(pool.SumOfSquares / pool.Samples);
    if (pool.HasLoudness) pool.IntegratedLufs = PooledLoudness(blocks);
    return pool;
}

SetLevels OnScale(const SetLevels& pLevels, double pFullScale, bool pWide) {
    SetLevels out = pLevels;
    out.Wide = pWide;
    if (pFullScale == pLevels.FullScale) return out;
    const double r = pFullScale / pLevels.FullScale;
    out.FullScale = pFullScale;
    out.Peak *= r;
    out.MaxBlockRms *= r;
    out.RangeRms *= r;
    out.SumOfSquares *= r * r;
    return out;
}

GainInputs SetGainInputs(const EditJob& pJob, const SetLevels& pLevels) {
    GainInputs in;
    in.FullScale = pLevels.FullScale;
    in.Mode = ModeOf(pJob);
    in.NormLevel = pJob.NormLevelDb;
    in.Peak = pLevels.Peak;
    in.MaxBlockRms = pLevels.MaxBlockRms;
    in.RangeRms = pLevels.RangeRms;
    in.Scale = pLevels.Scale;
    in.Clip = pJob.Clip;
    if (pLevels.HasLoudness) {
        in.IntegratedLufs = pLevels.IntegratedLufs;
        in.TruePeak = pLevels.CeilingPeak;
    }
    in.Ceiling = pJob.TruePeakCeiling;
    in.CeilingDb = pJob.TruePeakCeilingDb;
    in.Wide = pLevels.Wide;
    return in;
}

double SetGainDb(const EditJob& pJob, const SetLevels& pLevels) {
    if (!pJob.Trim && !pJob.Normalize) return 0.0;
    return 20.0 * std::log10(NormGain(SetGainInputs(pJob, pLevels)));
}

double SetLevelDb(const EditJob& pJob, const SetLevels& pLevels) {
    switch (ModeOf(pJob)) {
    case NormMode::Peak:
        return DbOf(pLevels.Peak, pLevels.FullScale);
    case NormMode::RmsMax:
        return DbOf(pLevels.MaxBlockRms, pLevels.FullScale);
    case NormMode::RmsAverage:
    case NormMode::RmsCalc:
        return DbOf(pLevels.RangeRms / double(pLevels.Scale), pLevels.FullScale);
    case NormMode::Loudness:
        break;
    }
    return pLevels.HasLoudness ? pLevels.IntegratedLufs : -std::numeric_limits<double>::infinity();
}
