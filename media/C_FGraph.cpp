#include "media/C_FGraph.h"

#include "media/WaveFact.h"
#include "services/core/Paths.h"

#include <cmath>
#include <limits>
#include <stdexcept>

void C_FGraph::Init() {
    CreateGraph(mCtx);
    mFileName.clear();
    mLength = 0;
    ProbeFilters(mCtx);
}

void C_FGraph::FileName(const std::string& pPath) {
    if (pPath == mFileName) return;
    try {
        BuildGraph(pPath);
    } catch (...) {
        Forget();
    }
}

void C_FGraph::BuildGraph(const std::string& pPath) {
    mFileName = pPath;
    if (mCtx.MediaControl) mCtx.MediaControl->Stop();
    DestroyGraph(mCtx);
    if (!FileExists(pPath)) {
        Forget();
        return;
    }
    CreateGraph(mCtx);
    int32_t built = SetupPinsToDecode(pPath, 0, mCtx);
    if (!built) {
        DisconnectAll(mCtx);
        built = SetupPinsToDecode(pPath, 1, mCtx);
    }
    if (!built) {
        DestroyGraph(mCtx);
        CreateGraph(mCtx);
        if (!RenderPinsToDecode(pPath, mCtx)) {
            Forget();
            return;
        }
    }
    if (!mCtx.MediaControl) throw std::runtime_error("no graph");
    auto seconds = mCtx.MediaControl->Duration(PrerollTimeoutMs);
    if (!seconds) throw std::runtime_error("no duration");
    double ms = std::nearbyint(*seconds * 1000.0);
    if (auto fact = CompressedWaveLengthMs(pPath)) ms = *fact;
    if (!(ms >= 0 && ms <= std::numeric_limits<int32_t>::max()))
        throw std::overflow_error("length out of range");
    mLength = int32_t(ms);
}

void C_FGraph::Forget() {
    mFileName.clear();
    mLength = 0;
}

void C_FGraph::CloseWave() {
    DestroyGraph(mCtx);
    Forget();
}
