#include "engine/Loudness.h"

#include "engine/TruePeak.h"
#include "engine/WaveMMIO.h"

#include <ebur128.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct StateDeleter {
    void operator()(ebur128_state* pState) const { ebur128_destroy(&pState); }
};
using StatePtr = std::unique_ptr<ebur128_state, StateDeleter>;

// The rates libebur128 takes.
constexpr int32_t kMinRate = 16;
constexpr int32_t kMaxRate = 2822400;

StatePtr MakeState(int32_t pChannels, int32_t pSampleRate, int pMode) {
    ebur128_state* state =
        ebur128_init(unsigned(pChannels), static_cast<unsigned long>(pSampleRate), pMode);
    if (!state) throw std::bad_alloc();
    return StatePtr(state);
}

// Full scale of the converted samples, as libebur128 scales them.
constexpr double kShortFullScale = 32768.0;
constexpr double kIntFullScale = 2147483648.0;

// Samples as libebur128 takes them: 8 and 16-bit as shorts (8-bit moved to the top byte),
// 24-bit as ints with the sample in the top three bytes, so full scale is 1 in both; 32-bit
// integers and floats as they are.
struct Samples {
    std::vector<int16_t> Short;
    std::vector<int32_t> Int;
    std::vector<float> Float;
};

void Convert(int32_t pBits, bool pFloat, const uint8_t* pData, size_t pCount, Samples& pOut) {
    if (pBits == 32 && pFloat) {
        pOut.Float.resize(pCount);
        std::memcpy(pOut.Float.data(), pData, pCount * 4);
        return;
    }
    switch (pBits) {
    case 8:
        pOut.Short.resize(pCount);
        for (size_t i = 0; i < pCount; ++i)
            pOut.Short[i] = int16_t((int32_t(pData[i]) - 128) * 256);
        break;
    case 16:
        pOut.Short.resize(pCount);
        std::memcpy(pOut.Short.data(), pData, pCount * 2);
        break;
    case 24:
        pOut.Int.resize(pCount);
        for (size_t i = 0; i < pCount; ++i)
            pOut.Int[i] = int32_t(uint32_t(Unpack24(pData + 3 * i)) << 8);
        break;
    default:
        pOut.Int.resize(pCount);
        std::memcpy(pOut.Int.data(), pData, pCount * 4);
        break;
    }
}

// Adds frames of one sample type; false when libebur128 refused them (out of memory).
bool Add(ebur128_state* pState, const int16_t* pData, size_t pFrames) {
    return ebur128_add_frames_short(pState, pData, pFrames) == EBUR128_SUCCESS;
}
bool Add(ebur128_state* pState, const int32_t* pData, size_t pFrames) {
    return ebur128_add_frames_int(pState, pData, pFrames) == EBUR128_SUCCESS;
}
bool Add(ebur128_state* pState, const float* pData, size_t pFrames) {
    return ebur128_add_frames_float(pState, pData, pFrames) == EBUR128_SUCCESS;
}

// The highest true peak over the channels of a state.
double HighestTruePeak(ebur128_state* pState, int32_t pChannels) {
    double highest = 0.0;
    for (int32_t c = 0; c < pChannels; ++c) {
        double peak = 0.0;
        if (ebur128_true_peak(pState, unsigned(c), &peak) == EBUR128_SUCCESS && peak > highest)
            highest = peak;
    }
    return highest;
}

} // namespace

double LoudnessResult::TruePeakDbtp() const {
    if (TruePeak <= 0.0) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(TruePeak);
}

struct LoudnessMeter::State {
    int32_t Bits = 16;
    bool Float = false;
    int32_t Channels = 1;
    LoudnessWanted Wanted;
    StatePtr Loudness;                     // integrated loudness and range, all channels
    std::vector<TruePeakMeter> PeakMeters; // true peak, one per channel (parallel only)
    Samples Converted;
};

LoudnessMeter::LoudnessMeter(int32_t pBitsPerSample, int32_t pChannels, int32_t pSampleRate,
                             LoudnessWanted pWanted, bool pFloat)
    : m_S(std::make_unique<State>()) {
    if ((pBitsPerSample != 8 && pBitsPerSample != 16 && pBitsPerSample != 24 &&
         pBitsPerSample != 32) ||
        (pFloat && pBitsPerSample != 32) || pChannels < 1 || pSampleRate < kMinRate ||
        pSampleRate > kMaxRate)
        throw std::invalid_argument("loudness meter: unsupported format");
    m_S->Bits = pBitsPerSample;
    m_S->Float = pFloat;
    m_S->Channels = pChannels;
    m_S->Wanted = pWanted;
    const bool parallel = pWanted.TruePeak && pWanted.ParallelTruePeak;
    int mode = EBUR128_MODE_I;
    if (pWanted.Range) mode |= EBUR128_MODE_LRA;
    if (pWanted.TruePeak && !parallel) mode |= EBUR128_MODE_TRUE_PEAK;
    m_S->Loudness = MakeState(pChannels, pSampleRate, mode);
    if (parallel) {
        m_S->PeakMeters.assign(size_t(pChannels), TruePeakMeter(pSampleRate));
    }
}

LoudnessMeter::~LoudnessMeter() = default;
LoudnessMeter::LoudnessMeter(LoudnessMeter&&) noexcept = default;
LoudnessMeter& LoudnessMeter::operator=(LoudnessMeter&&) noexcept = default;

void LoudnessMeter::Feed(const uint8_t* pData, int64_t pFrames) {
    if (pFrames <= 0) return;
    State& s = *m_S;
    const size_t frames = size_t(pFrames);
    Convert(s.Bits, s.Float, pData, frames * size_t(s.Channels), s.Converted);

    // The true-peak threads read the converted samples while this thread feeds the loudness
    // state; all are joined before the buffer is used again.
    std::atomic<bool> refused{false};
    std::vector<std::thread> threads;
    auto feedChannel = [&](size_t pChannel) {
        TruePeakMeter& meter = s.PeakMeters[pChannel];
        const size_t stride = size_t(s.Channels);
        try {
            if (s.Float)
                meter.Feed(s.Converted.Float.data() + pChannel, frames, stride, 1.0);
            else if (s.Bits >= 24)
                meter.Feed(s.Converted.Int.data() + pChannel, frames, stride, kIntFullScale);
            else
                meter.Feed(s.Converted.Short.data() + pChannel, frames, stride, kShortFullScale);
        } catch (const std::bad_alloc&) {
            refused = true;
        }
    };
    try {
        for (size_t c = 0; c < s.PeakMeters.size(); ++c)
            threads.emplace_back(feedChannel, c);
    } catch (...) {
        for (auto& t : threads)
            t.join();
        throw;
    }
    const bool ok = s.Float        ? Add(s.Loudness.get(), s.Converted.Float.data(), frames)
                    : s.Bits >= 24 ? Add(s.Loudness.get(), s.Converted.Int.data(), frames)
                                   : Add(s.Loudness.get(), s.Converted.Short.data(), frames);
    for (auto& t : threads)
        t.join();
    if (!ok || refused) throw std::bad_alloc();
}

namespace {

// The loudness library's position of each WAV speaker bit, from bit 0 (front left) on.
constexpr int kSpeakerPositions[] = {
    EBUR128_Mp030, EBUR128_Mm030, EBUR128_Mp000, EBUR128_UNUSED, EBUR128_Mp110, EBUR128_Mm110,
    EBUR128_Mp030, EBUR128_Mm030, EBUR128_Mp180, EBUR128_Mp090,  EBUR128_Mm090, EBUR128_Tp000,
    EBUR128_Up030, EBUR128_Up000, EBUR128_Um030, EBUR128_Up135,  EBUR128_Up180, EBUR128_Um135};

} // namespace

void LoudnessMeter::SetChannelMask(uint32_t pMask) {
    unsigned channel = 0;
    for (int bit = 0; bit < int(std::size(kSpeakerPositions)); ++bit) {
        if (channel >= unsigned(m_S->Channels)) return;
        if ((pMask >> bit) & 1u)
            ebur128_set_channel(m_S->Loudness.get(), channel++, kSpeakerPositions[bit]);
    }
}

LoudnessResult LoudnessMeter::Result() const {
    const State& s = *m_S;
    LoudnessResult r;
    if (ebur128_loudness_global(s.Loudness.get(), &r.IntegratedLufs) != EBUR128_SUCCESS)
        r.IntegratedLufs = -std::numeric_limits<double>::infinity();
    if (s.Wanted.Range) {
        r.HasRange = ebur128_loudness_range(s.Loudness.get(), &r.RangeLu) == EBUR128_SUCCESS;
        if (!r.HasRange) r.RangeLu = 0.0;
    }
    if (s.Wanted.TruePeak) {
        r.HasTruePeak = true;
        if (s.PeakMeters.empty()) {
            r.TruePeak = HighestTruePeak(s.Loudness.get(), s.Channels);
        } else {
            for (const TruePeakMeter& meter : s.PeakMeters) {
                r.TruePeak = std::max(r.TruePeak, meter.Peak());
                r.CeilingPeak = std::max(r.CeilingPeak, meter.CeilingPeak());
            }
        }
        r.CeilingPeak = std::max(r.CeilingPeak, r.TruePeak);
    }
    return r;
}

struct LoudnessBlocks::State {
    StatePtr Loudness;
};

LoudnessBlocks::LoudnessBlocks(std::unique_ptr<State> pState) : m_S(std::move(pState)) {}
LoudnessBlocks::~LoudnessBlocks() = default;

namespace {

// The lowest rate libebur128 takes: a state changed to it keeps a few frames of audio.
constexpr unsigned long kShrunkRate = kMinRate;

} // namespace

std::shared_ptr<const LoudnessBlocks> LoudnessMeter::TakeBlocks() {
    State& s = *m_S;
    // A changed rate drops the audio buffer and the unfinished block and keeps the finished
    // ones: a set of a thousand files holds their blocks, not their filter buffers.
    if (ebur128_change_parameters(s.Loudness.get(), unsigned(s.Channels), kShrunkRate) ==
        EBUR128_ERROR_NOMEM)
        throw std::bad_alloc();
    auto state = std::make_unique<LoudnessBlocks::State>();
    state->Loudness = std::move(s.Loudness);
    return std::shared_ptr<const LoudnessBlocks>(new LoudnessBlocks(std::move(state)));
}

double PooledLoudness(const std::vector<const LoudnessBlocks*>& pRanges) {
    std::vector<ebur128_state*> states;
    for (const LoudnessBlocks* range : pRanges)
        if (range && range->m_S->Loudness) states.push_back(range->m_S->Loudness.get());
    double lufs = -std::numeric_limits<double>::infinity();
    if (states.empty() ||
        ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return lufs;
}
