// The measuring passes over 32-bit data (integers and floats), and the scaled or gated second
// pass over more than two channels: every value a double, squares added in sample order.

#include "engine/LevelAnalysis.h"
#include "engine/WideKernels.h"

#include <algorithm>
#include <cmath>
#include <vector>

void FirstPass::FindSoundAndPeakWide(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) {
    const size_t samples = size_t(pFrames) * size_t(Channels);
    if (Trim) {
        if (FirstSound == -1) {
            const int64_t i = FirstAboveWide(Float, pData, samples, WideThIn);
            if (i >= 0) FirstSound = pFirstFrame + i / Channels;
        }
        const int64_t i = LastAboveWide(Float, pData, samples, WideThOut);
        if (i >= 0) LastSound = pFirstFrame + i / Channels;
    }
    m_WidePeak = WidePeak(Float, pData, samples, m_WidePeak);
}

void FirstPass::FeedWide(const uint8_t* pData, int64_t pFrames, int64_t pFirstFrame) {
    FindSoundAndPeakWide(pData, pFrames, pFirstFrame);
    const size_t samples = size_t(pFrames) * size_t(Channels);
    m_WideBlockSum = AddWideSquares(Float, pData, samples, m_WideBlockSum);
    BlockFramesSeen += pFrames;
}

void FirstPass::SumFourBlocksWide(const uint8_t* pData, int64_t pFirstFrame, double pSums[4]) {
    // The sound search and the peak see the four blocks as one run.
    FindSoundAndPeakWide(pData, 4 * BlockFrames, pFirstFrame);
    const size_t samples = size_t(BlockFrames) * size_t(Channels);
    const uint8_t* runs[4];
    for (int j = 0; j < 4; ++j) {
        runs[j] = pData + size_t(j) * samples * 4;
        pSums[j] = 0.0;
    }
    AddWideSquaresX4(Float, runs, samples, pSums);
}

void SecondPass::FeedDirect(const uint8_t* pData, int64_t pFrames) {
    const bool wide = BitsPerSample == 32;
    const double scale = double(Scale);
    const double level = wide ? WideGateLevel : double(GateLevel);
    const int64_t gate = GateFrames;
    const size_t channels = size_t(Channels);
    double sum = m_Sum;
    int64_t run = GateRun, counted = GateFrameCount;
    std::vector<double> squares(channels);
    for (size_t k = 0; k < size_t(pFrames); ++k) {
        bool quiet = true;
        for (size_t c = 0; c < channels; ++c) {
            const size_t i = k * channels + c;
            const double m = wide ? std::fabs(WideValue(Float, pData, i))
                                  : double(std::abs(SampleValue(BitsPerSample, pData, i)));
            const double v = m * scale;
            quiet = quiet && v <= level;
            squares[c] = v * v;
        }
        if (gate != 0) {
            run = quiet ? run + 1 : 0;
            if (run > gate) continue;
        }
        for (size_t c = 0; c < channels; ++c)
            sum += squares[c];
        ++counted;
    }
    m_Sum = sum;
    GateRun = run;
    GateFrameCount = counted;
}
