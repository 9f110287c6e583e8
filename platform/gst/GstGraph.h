#pragma once
// A filter graph on top of a GStreamer pipeline, used only to learn the play length of a file.
//
// Filters are known by the names of a fixed table; each name stands for a GStreamer element
// factory (or a small fixed bin for the renderer role), and a name is "registered" when its
// factories are present in the GStreamer registry. Pins are pads: inputs are sink pads,
// outputs are source pads, and a source pad that appears only once data flows (a demuxer's
// "audio_%u") is offered under its template name and linked when it appears. Connecting may
// insert intermediate elements (a decodebin) when the two ends do not fit directly. Nothing is
// played: the renderer ends in a fakesink, so no audio device is needed.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::gst {

// A filter the framework offers under a documented name.
struct RegisteredFilter {
    std::string Name;    // the documented name, original case
    std::string Factory; // the element factory (or "renderer" for the fixed renderer bin)
};

// Every table name whose factories are present, in table order. Empty when GStreamer cannot
// be initialised.
std::vector<RegisteredFilter> RegisteredFilters();

struct PinInfo {
    int32_t Direction = 0; // 0 input, 1 output
    std::string Id;        // pad name, or the template name of a pad still to come
    bool Pending = false;  // an output pad that appears only when data flows
};

// What prerolling a graph came to. On failure, the link whose pad came with data its
// downstream filter does not take (FailedUp, FailedDown), and the filter that reported the
// error (FailedFilter); -1 where not known.
struct PrerollResult {
    bool Ok = false;
    int32_t FailedUp = -1;
    int32_t FailedDown = -1;
    int32_t FailedFilter = -1;
};

class Graph {
  public:
    Graph();
    ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    // False when the pipeline could not be created.
    bool IsValid() const;

    // Adds a new element for the filter; its index in the graph, or -1 on failure.
    int32_t AddFilter(const RegisteredFilter& pFilter);
    int32_t FilterCount() const;
    // The documented name the filter was added under.
    std::string FilterName(int32_t pFilter) const;
    // True for a file source, whose file name is set with SetFileName.
    bool IsFileSource(int32_t pFilter) const;
    bool SetFileName(int32_t pFilter, const std::string& pPath);

    // Input pins first, then output pins.
    std::vector<PinInfo> Pins(int32_t pFilter) const;

    // Links an output pin to an input pin. The link is made directly when the two ends can
    // carry the same data; otherwise a decoder is put in between when the input takes raw
    // audio; otherwise the connection is refused (false).
    bool Connect(int32_t pUpFilter, const PinInfo& pUpPin, int32_t pDownFilter,
                 const PinInfo& pDownPin);
    // Unlinks an output pin (and cancels a link waiting for its pad).
    void Disconnect(int32_t pFilter, const PinInfo& pPin);

    // Takes the pipeline back to READY.
    void Stop();

    // Prerolls the pipeline to PAUSED, waiting at most pTimeoutMs: only then is it known
    // that every link waiting for a pad was made and the data flows to the renderer. A
    // failed graph goes back to NULL, so that filters can be added and linked again.
    PrerollResult Preroll(int32_t pTimeoutMs);

    // Prerolls the pipeline to PAUSED (waiting at most pTimeoutMs) and asks for its duration
    // in seconds. Nothing when the pipeline fails, times out or knows no duration.
    std::optional<double> Duration(int32_t pTimeoutMs);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_Impl;
};

} // namespace platform::gst
