#include "media/C_FGraph.h"

#include "media/AdtsLength.h"
#include "media/WaveFact.h"
#include "services/core/Paths.h"

#include <cmath>
#include <limits>
#include <stdexcept>

void C_FGraph::Init() {
    CreateGraph(m_Ctx);
    m_FileName.clear();
    m_Length = 0;
    ProbeFilters(m_Ctx);
}

void C_FGraph::FileName(const std::string& pPath) {
    if (pPath == m_FileName) return;
    try {
        BuildGraph(pPath);
    } catch (...) {
        Forget();
    }
}

void C_FGraph::BuildGraph(const std::string& pPath) {
    m_FileName = pPath;
    if (m_Ctx.MediaControl) m_Ctx.MediaControl->Stop();
    DestroyGraph(m_Ctx);
    if (!FileExists(pPath)) {
        Forget();
        return;
    }
    CreateGraph(m_Ctx);
    m_Ctx.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PrerollTimeoutMs);
    int32_t built = SetupPinsToDecode(pPath, 0, m_Ctx);
    if (!built) {
        DisconnectAll(m_Ctx);
        built = SetupPinsToDecode(pPath, 1, m_Ctx);
    }
    if (!built) {
        DestroyGraph(m_Ctx);
        CreateGraph(m_Ctx);
        if (!RenderPinsToDecode(pPath, m_Ctx)) {
            Forget();
            return;
        }
    }
    if (!m_Ctx.MediaControl) throw std::runtime_error("no graph");
    auto seconds = m_Ctx.MediaControl->Duration(TimeLeftMs(m_Ctx));
    if (!seconds) throw std::runtime_error("no duration");
    double ms = std::nearbyint(*seconds * 1000.0);
    if (auto fact = CompressedWaveLengthMs(pPath)) ms = *fact;
    // GStreamer estimates an ADTS stream's length from the bit rate of what it has read.
    if (PathPart(pPath, PathParts::Extension, LetterCase::Lower) == "aac")
        if (auto counted = AdtsLengthMs(pPath)) ms = *counted;
    if (!(ms >= 0 && ms <= std::numeric_limits<int32_t>::max()))
        throw std::overflow_error("length out of range");
    m_Length = int32_t(ms);
}

void C_FGraph::Forget() {
    m_FileName.clear();
    m_Length = 0;
}

void C_FGraph::CloseWave() {
    DestroyGraph(m_Ctx);
    Forget();
}
