#pragma once
// Builds the filter graph that makes the media framework open a file: probes the registered
// filters, picks a chain of filter names by the file's type key, adds those filters and
// connects them pin to pin. Failed chains are written to the error log.

#include "platform/gst/GstGraph.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How long opening one file may take, every chain tried and the length asked included: a
// file the framework cannot read (a container cut short) fails within it.
constexpr int32_t kPrerollTimeoutMs = 1000;

struct GraphContext {
    // The filters the framework offers, by name.
    std::vector<platform::gst::RegisteredFilter> RegFilters;
    // The graph itself; control, events, position and audio are all this one pipeline.
    std::unique_ptr<platform::gst::Graph> MediaControl;
    int32_t HasWmaDmo = 0;      // "WMAudio Decoder DMO" is registered
    int32_t Mp3DecoderKind = 0; // 0 none, 1 "MPEG Layer-3 Decoder", 2 "MP3 Decoder DMO"
    int32_t HasDtvDecoder = 0;  // "Microsoft DTV-DVD Audio Decoder" is registered
    std::string RendererName;   // lower case; empty when no renderer is registered
    std::string SourceName;     // "file source (async.)"
    std::string ParserName;     // "wave parser"
    // When the current file's time is up; unset: each preroll gets the whole time.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
};

// Milliseconds left for the current file (at least 0).
int32_t TimeLeftMs(const GraphContext& pCtx);

// A new graph and the list of registered filters.
void CreateGraph(GraphContext& pCtx);
// Disconnects everything and releases the graph and the filter list.
void DestroyGraph(GraphContext& pCtx);
// Unlinks every output pin of every filter; the filters stay in the graph.
void DisconnectAll(GraphContext& pCtx);
// Chooses the renderer and notes which decoders are registered (needs RegFilters).
void ProbeFilters(GraphContext& pCtx);

// Adds and connects the chain for the file's type key; pAttempt 0 or 1. 1 on success.
int32_t SetupPinsToDecode(const std::string& pPath, int32_t pAttempt, GraphContext& pCtx);
// Last resort: file source straight to the renderer, letting the framework insert decoders.
int32_t RenderPinsToDecode(const std::string& pPath, GraphContext& pCtx);
// Connects the first fitting output pin of the filter named pUp to the first input pin of the
// filter named pDown (lower-case names). 1 on success.
int32_t ConnectByName(const std::string& pUp, const std::string& pDown, GraphContext& pCtx);

// The output pin a connection starts from: the first output pin, or among several the first
// whose id (lower case, blanks removed) names stream 1 or audio.
std::optional<platform::gst::PinInfo>
ChooseOutputPin(const std::vector<platform::gst::PinInfo>& pPins);
