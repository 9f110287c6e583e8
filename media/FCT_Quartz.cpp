#include "media/FCT_Quartz.h"

#include "engine/WaveMMIO.h"
#include "services/core/ErrorLog.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <optional>

namespace {

using platform::gst::PinInfo;
using Chain = std::vector<std::string>;

const char* const kRendererCandidates[] = {
    "Default WaveOut Device", "既定の WaveOut デバイス", "既定の WAVE 出力デバイス",
    "既定の DirectSound デバイス", "Default DirectSound Device"};

std::string LowerAscii(std::string pText) {
    for (char& c : pText)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return pText;
}

// Registered names are compared trimmed and in lower case.
std::string RegisteredKey(const std::string& pName) {
    return LowerAscii(CutAtNul(pName));
}

void LogGraphError(const std::string& pMessage) {
    WriteLog(pMessage, 1, 1);
}

// Runs f, skipping a fault unless faults are to surface.
template <class F> void SkipFaults(F&& pF) {
    CatchUnlessDebugging(
        [&] {
            pF();
            return 0;
        },
        0);
}

Chain WindowsMediaChain(const GraphContext& pCtx) {
    return {"windows media source filter", "asf acm handler", "windows media audio decoder",
            pCtx.RendererName};
}

Chain DmoChain(const std::string& pKey, const GraphContext& pCtx) {
    if (pKey == "wmariff")
        return {pCtx.SourceName, pCtx.ParserName, "wmaudio decoder dmo", pCtx.RendererName};
    return {"wm asf reader", "wmaudio decoder dmo", pCtx.RendererName};
}

std::string Mp3Decoder(const GraphContext& pCtx) {
    if (pCtx.Mp3DecoderKind == 1) return "mpeg layer-3 decoder";
    if (pCtx.Mp3DecoderKind == 2) return "mp3 decoder dmo";
    return "acm wrapper";
}

// The chain of filter names for a type key and attempt. Empty: the attempt fails at once.
// Nothing: the key is unknown.
std::optional<Chain> ChainFor(const std::string& pKey, int32_t pAttempt, const GraphContext& pCtx) {
    const std::string& source = pCtx.SourceName;
    const std::string& renderer = pCtx.RendererName;
    if (pKey == "wav" || pKey == "aiff" || pKey == "aif")
        return pAttempt == 0 ? Chain{source, pCtx.ParserName, renderer} : Chain{};
    if (pKey == "mp1" || pKey == "mp2" || pKey == "mpg" || pKey == "mpeg")
        return pAttempt == 0
                   ? Chain{source, "mpeg-i stream splitter", "mpeg audio decoder", renderer}
                   : Chain{};
    if (pKey == "mp3")
        return Chain{source, "mpeg-i stream splitter",
                     pAttempt == 0 ? Mp3Decoder(pCtx) : "acm wrapper", renderer};
    if (pKey == "m4a") return Chain{source, "ffdshow audio decoder", renderer};
    if (pKey == "wma" || pKey == "asf" || pKey == "wmariff" || pKey == "wmv") {
        bool dmoFirst = pCtx.HasWmaDmo == 1;
        bool useDmo = pAttempt == 0 ? dmoFirst : !dmoFirst;
        return useDmo ? DmoChain(pKey, pCtx) : WindowsMediaChain(pCtx);
    }
    if (pKey == "mid") return Chain{source, "midi parser", "default midiout device"};
    return std::nullopt;
}

// Adds a registered filter to the graph and gives a file source the path.
void AddToGraph(const platform::gst::RegisteredFilter& pFilter, const std::string& pPath,
                GraphContext& pCtx) {
    auto& graph = *pCtx.MediaControl;
    int32_t index = graph.AddFilter(pFilter);
    if (index >= 0 && graph.IsFileSource(index)) graph.SetFileName(index, pPath);
}

// Adds the registered filters that carry the chain's names, stopping once every name has
// been added.
void AddChain(const Chain& pChain, const std::string& pPath, GraphContext& pCtx) {
    size_t added = 0;
    for (const auto& reg : pCtx.RegFilters) {
        std::string key = RegisteredKey(reg.Name);
        for (const auto& name : pChain) {
            if (key != name) continue;
            AddToGraph(reg, pPath, pCtx);
            if (++added == pChain.size()) return;
        }
    }
}

std::string PinKey(const std::string& pId) {
    std::string key = LowerAscii(pId);
    key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
    return key;
}

std::optional<PinInfo> FirstInputPin(const std::vector<PinInfo>& pPins) {
    for (const auto& pin : pPins)
        if (pin.Direction == 0) return pin;
    return std::nullopt;
}

int32_t ConnectNamed(const std::string& pUp, const std::string& pDown, GraphContext& pCtx) {
    if (!pCtx.MediaControl) return 0;
    auto& graph = *pCtx.MediaControl;
    int32_t upFilter = -1, downFilter = -1;
    std::optional<PinInfo> upPin, downPin;
    for (int32_t i = 0; i < graph.FilterCount() && (upFilter < 0 || downFilter < 0); ++i) {
        std::string name = LowerAscii(graph.FilterName(i));
        if (name == pUp) {
            if (upFilter >= 0) continue;
            upFilter = i;
            upPin = ChooseOutputPin(graph.Pins(i));
        } else if (name == pDown && downFilter < 0) {
            downPin = FirstInputPin(graph.Pins(i));
            if (downPin) downFilter = i;
        }
    }
    if (upFilter < 0 || downFilter < 0) {
        LogGraphError((upFilter < 0 ? pUp : pDown) + "not found");
        return 0;
    }
    if (!upPin) return 0;
    return graph.Connect(upFilter, *upPin, downFilter, *downPin) ? 1 : 0;
}

// The link named in the log when a connected chain does not preroll: the link whose pad came
// with data its filter does not take; else the link out of the filter that reported the
// error (into it, for the last filter); else the last link.
std::pair<std::string, std::string> FailedLink(const Chain& pChain,
                                               const platform::gst::PrerollResult& pResult,
                                               const platform::gst::Graph& pGraph) {
    if (pResult.FailedUp >= 0 && pResult.FailedDown >= 0)
        return {LowerAscii(pGraph.FilterName(pResult.FailedUp)),
                LowerAscii(pGraph.FilterName(pResult.FailedDown))};
    if (pChain.size() < 2) return {pChain.front(), std::string()};
    size_t last = pChain.size() - 1;
    size_t k = last - 1;
    if (pResult.FailedFilter >= 0) {
        auto at = std::find(pChain.begin(), pChain.end(),
                            LowerAscii(pGraph.FilterName(pResult.FailedFilter)));
        if (at != pChain.end()) k = std::min(size_t(at - pChain.begin()), last - 1);
    }
    return {pChain[k], pChain[k + 1]};
}

int32_t SetupChain(const std::string& pPath, int32_t pAttempt, GraphContext& pCtx) {
    std::string key = LowerAscii(GetSoundFileType(pPath));
    auto chain = ChainFor(key, pAttempt, pCtx);
    if (!chain) {
        LogGraphError("SetupPinsToDecode Unknown Filetype #" + pPath);
        return 0;
    }
    if (chain->empty() || !pCtx.MediaControl) return 0;
    AddChain(*chain, pPath, pCtx);
    for (size_t k = 0; k + 1 < chain->size(); ++k) {
        if (!ConnectByName((*chain)[k], (*chain)[k + 1], pCtx)) {
            LogGraphError("SetupPinsToDecode " + (*chain)[k] + "#" + (*chain)[k + 1] +
                          " connect failed");
            return 0;
        }
    }
    // Links to pads that appear only once data flows are made, or refused, while prerolling.
    auto preroll = pCtx.MediaControl->Preroll(TimeLeftMs(pCtx));
    if (preroll.Ok) return 1;
    auto [up, down] = FailedLink(*chain, preroll, *pCtx.MediaControl);
    LogGraphError("SetupPinsToDecode " + up + "#" + down + " connect failed");
    return 0;
}

int32_t RenderChain(const std::string& pPath, GraphContext& pCtx) {
    if (!pCtx.MediaControl) return 0;
    for (const auto& reg : pCtx.RegFilters) {
        std::string key = RegisteredKey(reg.Name);
        if (key == pCtx.SourceName || key == pCtx.RendererName) AddToGraph(reg, pPath, pCtx);
    }
    if (ConnectByName(pCtx.SourceName, pCtx.RendererName, pCtx) &&
        pCtx.MediaControl->Preroll(TimeLeftMs(pCtx)).Ok)
        return 1;
    LogGraphError("RenderPinsToDecode " + pCtx.SourceName + "#" + pCtx.RendererName +
                  " connect failed");
    return 0;
}

void ProbeRenderer(GraphContext& pCtx) {
    pCtx.RendererName.clear();
    for (const char* candidate : kRendererCandidates) {
        std::string wanted = LowerAscii(candidate);
        for (const auto& reg : pCtx.RegFilters) {
            if (RegisteredKey(reg.Name) == wanted) {
                pCtx.RendererName = wanted;
                return;
            }
        }
    }
}

void ProbeDecoders(GraphContext& pCtx) {
    pCtx.HasWmaDmo = 0;
    pCtx.Mp3DecoderKind = 0;
    int32_t matches = 0;
    for (const auto& reg : pCtx.RegFilters) {
        std::string key = RegisteredKey(reg.Name);
        if (key == "wmaudio decoder dmo") {
            pCtx.HasWmaDmo = 1;
        } else if (key == "mpeg layer-3 decoder") {
            pCtx.Mp3DecoderKind = 1;
        } else if (key == "mp3 decoder dmo" && pCtx.Mp3DecoderKind == 0) {
            pCtx.Mp3DecoderKind = 2;
        } else if (key == "microsoft dtv-dvd audio decoder" && pCtx.HasDtvDecoder == 0) {
            pCtx.HasDtvDecoder = 1;
        } else {
            continue;
        }
        if (++matches == 3) return;
    }
}

} // namespace

int32_t TimeLeftMs(const GraphContext& pCtx) {
    if (!pCtx.Deadline) return kPrerollTimeoutMs;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *pCtx.Deadline - std::chrono::steady_clock::now());
    return int32_t(std::clamp<int64_t>(left.count(), 0, kPrerollTimeoutMs));
}

void CreateGraph(GraphContext& pCtx) {
    SkipFaults([&] {
        pCtx.MediaControl = std::make_unique<platform::gst::Graph>();
        pCtx.RegFilters = platform::gst::RegisteredFilters();
    });
}

void DestroyGraph(GraphContext& pCtx) {
    SkipFaults([&] {
        DisconnectAll(pCtx);
        pCtx.RegFilters.clear();
        pCtx.MediaControl.reset();
    });
}

void DisconnectAll(GraphContext& pCtx) {
    if (!pCtx.MediaControl) return;
    try {
        auto& graph = *pCtx.MediaControl;
        for (int32_t i = 0; i < graph.FilterCount(); ++i)
            for (const auto& pin : graph.Pins(i))
                if (pin.Direction != 0) graph.Disconnect(i, pin);
    } catch (...) {
    }
}

void ProbeFilters(GraphContext& pCtx) {
    SkipFaults([&] {
        pCtx.SourceName = "file source (async.)";
        pCtx.ParserName = "wave parser";
        ProbeRenderer(pCtx);
        ProbeDecoders(pCtx);
    });
}

int32_t SetupPinsToDecode(const std::string& pPath, int32_t pAttempt, GraphContext& pCtx) {
    try {
        return SetupChain(pPath, pAttempt, pCtx);
    } catch (...) {
        return 0;
    }
}

int32_t RenderPinsToDecode(const std::string& pPath, GraphContext& pCtx) {
    return CatchUnlessDebugging([&] { return RenderChain(pPath, pCtx); }, int32_t(0));
}

int32_t ConnectByName(const std::string& pUp, const std::string& pDown, GraphContext& pCtx) {
    try {
        return ConnectNamed(pUp, pDown, pCtx);
    } catch (...) {
        return 0;
    }
}

std::optional<PinInfo> ChooseOutputPin(const std::vector<PinInfo>& pPins) {
    std::vector<PinInfo> outputs;
    std::copy_if(pPins.begin(), pPins.end(), std::back_inserter(outputs),
                 [](const PinInfo& pPin) { return pPin.Direction != 0; });
    if (outputs.empty()) return std::nullopt;
    if (outputs.size() > 1) {
        for (const auto& pin : outputs) {
            std::string key = PinKey(pin.Id);
            bool streamOne =
                key.find('1') != std::string::npos && key.find("stream") != std::string::npos;
            if (streamOne || key.find("audio") != std::string::npos) return pin;
        }
    }
    return outputs.front();
}
