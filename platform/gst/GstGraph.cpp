#include "platform/gst/GstGraph.h"

#include <gst/base/gsttypefindhelper.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <set>

namespace platform::gst {
namespace {

// Documented filter names and the elements that play their part here. Three are small fixed
// bins: "renderer" converts raw audio and discards it, "midiout" synthesises MIDI into such a
// renderer, and "asfreader" is a file source with an ASF demuxer (a reader opens its file).
struct TableEntry {
    const char* Name;
    const char* Factory;
};
constexpr TableEntry kFilterTable[] = {
    {"File Source (Async.)", "filesrc"},
    {"Wave Parser", "waveparser"},
    {"MPEG-I Stream Splitter", "mpegaudioparse"},
    {"MPEG Audio Decoder", "mpg123audiodec"},
    {"MPEG Layer-3 Decoder", "avdec_mp3"},
    {"MP3 Decoder DMO", "mpg123audiodec"},
    {"ACM Wrapper", "decodebin"},
    {"WM ASF Reader", "asfreader"},
    {"WMAudio Decoder DMO", "wmadecoder"},
    {"ffdshow Audio Decoder", "decodebin"},
    {"Microsoft DTV-DVD Audio Decoder", "avdec_ac3"},
    {"MIDI Parser", "midiparse"},
    {"Default MidiOut Device", "midiout"},
    {"Default WaveOut Device", "renderer"},
    {"Default DirectSound Device", "renderer"},
};

constexpr const char* kRendererFactory = "renderer";
constexpr const char* kRendererBin = "audioconvert ! audioresample ! fakesink sync=false";
constexpr const char* kMidiOutFactory = "midiout";
constexpr const char* kMidiOutBin = "fluiddec ! audioconvert ! audioresample ! fakesink sync=false";
constexpr const char* kAsfReaderFactory = "asfreader";
constexpr const char* kDecoderFactory = "decodebin";
constexpr const char* kWaveParserFactory = "waveparser";
constexpr const char* kWmaDecoderFactory = "wmadecoder";
// What the WMA decoder takes: every version that has a decoder here (1 and 2).
constexpr const char* kWmaCaps = "audio/x-wma, wmaversion=(int){ 1, 2 }";
// How much of a file the type finder looks at.
constexpr std::streamsize kTypeFindBytes = 64 * 1024;

// The elements a pseudo factory is built from.
std::vector<const char*> PartsOf(const std::string& pFactory) {
    if (pFactory == kRendererFactory) return {"audioconvert", "audioresample", "fakesink"};
    if (pFactory == kMidiOutFactory)
        return {"fluiddec", "audioconvert", "audioresample", "fakesink"};
    if (pFactory == kAsfReaderFactory) return {"filesrc", "asfdemux"};
    if (pFactory == kWaveParserFactory) return {"typefind", "wavparse", "aiffparse"};
    if (pFactory == kWmaDecoderFactory)
        return {"capsfilter", "decodebin", "avdec_wmav1", "avdec_wmav2"};
    return {pFactory.c_str()};
}

bool EnsureInitialised() {
    static bool ok = [] {
        GError* error = nullptr;
        bool done = gst_init_check(nullptr, nullptr, &error);
        if (error) g_error_free(error);
        return done;
    }();
    return ok;
}

bool FactoryExists(const char* pName) {
    GstElementFactory* factory = gst_element_factory_find(pName);
    if (!factory) return false;
    gst_object_unref(factory);
    return true;
}

bool FactoriesExist(const std::string& pFactory) {
    auto parts = PartsOf(pFactory);
    return std::all_of(parts.begin(), parts.end(), FactoryExists);
}

// An element of the graph: the element itself, the file source inside it (if any) and the
// element whose pad templates describe its outputs.
struct MadeElement {
    GstElement* Element = nullptr;
    GstElement* FileSource = nullptr;
    GstElement* PinSource = nullptr;
};

// Caps owned by this holder.
class Caps {
  public:
    explicit Caps(GstCaps* pCaps = nullptr) : m_Caps(pCaps) {}
    ~Caps() {
        if (m_Caps) gst_caps_unref(m_Caps);
    }
    Caps(const Caps&) = delete;
    Caps& operator=(const Caps&) = delete;
    GstCaps* get() const { return m_Caps; }
    explicit operator bool() const { return m_Caps != nullptr; }

  private:
    GstCaps* m_Caps;
};

// Shows a pad of an element inside a bin on the bin itself, under the same name.
void GhostNewPad(GstElement*, GstPad* pPad, gpointer pBin) {
    gchar* name = gst_pad_get_name(pPad);
    GstPad* ghost = gst_ghost_pad_new(name, pPad);
    g_free(name);
    if (!ghost) return;
    gst_pad_set_active(ghost, TRUE);
    if (!gst_element_add_pad(GST_ELEMENT(pBin), ghost)) gst_object_unref(ghost);
}

// A file source and an ASF demuxer in one bin: a reader that opens the file itself.
MadeElement MakeAsfReader() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* demux = gst_element_factory_make("asfdemux", nullptr);
    if (!source || !demux) {
        for (GstElement* e : {bin, source, demux})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        return {};
    }
    gst_bin_add_many(GST_BIN(bin), source, demux, nullptr);
    gst_element_link(source, demux);
    g_signal_connect(demux, "pad-added", G_CALLBACK(GhostNewPad), bin);
    return {bin, source, demux};
}

// Frees elements that were made but never put into a bin.
void DropElements(std::initializer_list<GstElement*> pElements) {
    for (GstElement* e : pElements)
        if (e) gst_object_unref(gst_object_ref_sink(e));
}

// Shows the element's pad on the bin under the same name.
bool GhostStaticPad(GstElement* pBin, GstElement* pElement, const char* pName) {
    GstPad* pad = gst_element_get_static_pad(pElement, pName);
    if (!pad) return false;
    GstPad* ghost = gst_ghost_pad_new(pName, pad);
    gst_object_unref(pad);
    return ghost && gst_element_add_pad(pBin, ghost);
}

// The wave parser's type finder has seen the data: a RIFF/WAVE, AIFF or AU file gets its
// parser behind it; anything else is left unlinked, so that the graph fails to preroll.
void OnWaveType(GstElement* pTypeFind, guint, GstCaps* pCaps, gpointer pBin) {
    if (gst_caps_is_empty(pCaps) || gst_caps_is_any(pCaps)) return;
    std::string type = gst_structure_get_name(gst_caps_get_structure(pCaps, 0));
    const char* factory = type == "audio/x-wav"    ? "wavparse"
                          : type == "audio/x-aiff" ? "aiffparse"
                          : type == "audio/x-au"   ? "auparse"
                                                   : nullptr;
    GstElement* parser = factory ? gst_element_factory_make(factory, nullptr) : nullptr;
    if (!parser) return;
    GstElement* bin = GST_ELEMENT(pBin);
    gst_bin_add(GST_BIN(bin), parser);
    g_signal_connect(parser, "pad-added", G_CALLBACK(GhostNewPad), bin);
    auto pads = std::vector<GstPad*>();
    GST_OBJECT_LOCK(parser);
    for (GList* l = parser->srcpads; l; l = l->next)
        pads.push_back(GST_PAD(gst_object_ref(GST_PAD(l->data))));
    GST_OBJECT_UNLOCK(parser);
    for (GstPad* pad : pads) {
        GhostNewPad(parser, pad, bin);
        gst_object_unref(pad);
    }
    gst_element_link(pTypeFind, parser);
    gst_element_sync_state_with_parent(parser);
}

// The wave parser: a type finder that puts the parser for the file's kind behind it (the
// wave parser of other systems reads AIFF and AU files too). Its outputs are those of the
// parser, offered under the type finder's output name.
MadeElement MakeWaveParser() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* typeFind = gst_element_factory_make("typefind", nullptr);
    if (!typeFind) {
        DropElements({bin});
        return {};
    }
    gst_bin_add(GST_BIN(bin), typeFind);
    if (!GhostStaticPad(bin, typeFind, "sink")) {
        DropElements({bin});
        return {};
    }
    g_signal_connect(typeFind, "have-type", G_CALLBACK(OnWaveType), bin);
    return {bin, nullptr, typeFind};
}

// The WMA decoder: takes WMA of any version with a decoder here and gives raw audio.
MadeElement MakeWmaDecoder() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* decoder = gst_element_factory_make(kDecoderFactory, nullptr);
    if (!filter || !decoder) {
        DropElements({bin, filter, decoder});
        return {};
    }
    Caps wma(gst_caps_from_string(kWmaCaps));
    g_object_set(filter, "caps", wma.get(), nullptr);
    gst_bin_add_many(GST_BIN(bin), filter, decoder, nullptr);
    gst_element_link(filter, decoder);
    if (!GhostStaticPad(bin, filter, "sink")) {
        DropElements({bin});
        return {};
    }
    g_signal_connect(decoder, "pad-added", G_CALLBACK(GhostNewPad), bin);
    return {bin, nullptr, decoder};
}

MadeElement MakeElement(const std::string& pFactory) {
    if (pFactory == kAsfReaderFactory) return MakeAsfReader();
    if (pFactory == kWaveParserFactory) return MakeWaveParser();
    if (pFactory == kWmaDecoderFactory) return MakeWmaDecoder();
    GstElement* element = nullptr;
    if (pFactory == kRendererFactory || pFactory == kMidiOutFactory) {
        GError* error = nullptr;
        const char* bin = pFactory == kRendererFactory ? kRendererBin : kMidiOutBin;
        element = gst_parse_bin_from_description(bin, TRUE, &error);
        if (error) g_error_free(error);
    } else {
        element = gst_element_factory_make(pFactory.c_str(), nullptr);
    }
    if (!element) return {};
    bool fileSource = g_object_class_find_property(G_OBJECT_GET_CLASS(element), "location") &&
                      GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SOURCE);
    return {element, fileSource ? element : nullptr, element};
}

bool TakesRawAudio(GstCaps* pCaps) {
    Caps raw(gst_caps_from_string("audio/x-raw"));
    return gst_caps_can_intersect(pCaps, raw.get());
}

bool IsAudio(GstCaps* pCaps) {
    if (gst_caps_is_any(pCaps) || gst_caps_get_size(pCaps) == 0) return false;
    return g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(pCaps, 0)), "audio/");
}

// True when the pad was made from the template named pTemplate ("audio_%u" matches
// "audio_0").
bool MatchesTemplate(GstPad* pPad, const std::string& pTemplate) {
    GstPadTemplate* templ = GST_PAD_PAD_TEMPLATE(pPad);
    if (templ && pTemplate == GST_PAD_TEMPLATE_NAME_TEMPLATE(templ)) return true;
    gchar* name = gst_pad_get_name(pPad);
    std::string padName = name ? name : "";
    g_free(name);
    size_t percent = pTemplate.find('%');
    if (percent == std::string::npos) return padName == pTemplate;
    return padName.compare(0, percent, pTemplate, 0, percent) == 0;
}

struct PendingLink;
std::shared_ptr<PendingLink> LinkThroughDecoder(GstElement* pPipeline, GstPad* pUp, GstPad* pDown);

// A link from a source pad still to come to a known input pad. Lives as long as the signal
// handler that holds it; the graph keeps a reference to cancel it.
struct PendingLink {
    GstElement* Pipeline = nullptr; // not owned
    GstPad* Down = nullptr;         // owned reference
    std::string Template;
    bool FromDecoder = false; // the upstream is a decoder this graph put in between
    std::mutex Mutex;
    bool Done = false;
    bool Cancelled = false;
    bool Failed = false; // the pad came and could not be linked

    ~PendingLink() {
        if (Down) gst_object_unref(Down);
    }

    // Called for every pad the upstream element adds.
    void Offer(GstPad* pPad) {
        if (GST_PAD_DIRECTION(pPad) != GST_PAD_SRC || !MatchesTemplate(pPad, Template)) return;
        std::lock_guard<std::mutex> lock(Mutex);
        if (Done || Cancelled || gst_pad_is_linked(Down)) return;
        Caps caps(gst_pad_get_current_caps(pPad));
        Caps downCaps(gst_pad_query_caps(Down, nullptr));
        if (caps && gst_caps_can_intersect(caps.get(), downCaps.get())) {
            Done = gst_pad_link(pPad, Down) == GST_PAD_LINK_OK;
        } else {
            // A decoder's other outputs (video, text) wait for an audio pad.
            if (FromDecoder || (caps && !IsAudio(caps.get()))) return;
            if (TakesRawAudio(downCaps.get()))
                Done = LinkThroughDecoder(Pipeline, pPad, Down) != nullptr;
            else
                Done = gst_pad_link(pPad, Down) == GST_PAD_LINK_OK;
        }
        Failed = !Done;
    }
};

using PendingPtr = std::shared_ptr<PendingLink>;

void OnPadAdded(GstElement*, GstPad* pPad, gpointer pData) {
    (*static_cast<PendingPtr*>(pData))->Offer(pPad);
}

void FreePending(gpointer pData, GClosure*) {
    delete static_cast<PendingPtr*>(pData);
}

PendingPtr WatchPads(GstElement* pPipeline, GstElement* pUp, const std::string& pTemplate,
                     GstPad* pDown, bool pFromDecoder) {
    auto link = std::make_shared<PendingLink>();
    link->Pipeline = pPipeline;
    link->Down = GST_PAD(gst_object_ref(pDown));
    link->Template = pTemplate;
    link->FromDecoder = pFromDecoder;
    g_signal_connect_data(pUp, "pad-added", G_CALLBACK(OnPadAdded), new PendingPtr(link),
                          FreePending, GConnectFlags(0));
    return link;
}

// Puts a decodebin between the two pads; its raw audio output goes to pDown when it appears.
// The link waiting for that output, or nothing when the decoder could not be linked.
PendingPtr LinkThroughDecoder(GstElement* pPipeline, GstPad* pUp, GstPad* pDown) {
    GstElement* decoder = gst_element_factory_make(kDecoderFactory, nullptr);
    if (!decoder) return nullptr;
    gst_bin_add(GST_BIN(pPipeline), decoder);
    PendingPtr link = WatchPads(pPipeline, decoder, "src_%u", pDown, true);
    GstPad* sink = gst_element_get_static_pad(decoder, "sink");
    bool linked = sink && gst_pad_link(pUp, sink) == GST_PAD_LINK_OK;
    if (sink) gst_object_unref(sink);
    gst_element_sync_state_with_parent(decoder);
    return linked ? link : nullptr;
}

// What the type finder makes of the start of the file; "application/octet-stream" when it
// recognises nothing, so that only elements taking any data accept it.
GstCaps* FindFileType(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    std::vector<char> head(static_cast<size_t>(kTypeFindBytes));
    in.read(head.data(), kTypeFindBytes);
    auto got = in.gcount();
    GstCaps* caps = nullptr;
    if (got > 0) {
        size_t dot = pPath.find_last_of("./\\");
        std::string ext =
            dot != std::string::npos && pPath[dot] == '.' ? pPath.substr(dot + 1) : std::string();
        caps = gst_type_find_helper_for_data_with_extension(
            nullptr, reinterpret_cast<const guint8*>(head.data()), gsize(got),
            ext.empty() ? nullptr : ext.c_str(), nullptr);
    }
    return caps ? caps : gst_caps_new_empty_simple("application/octet-stream");
}

std::string PadName(GstPad* pPad) {
    gchar* name = gst_pad_get_name(pPad);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

std::vector<GstPad*> ElementPads(GstElement* pElement) {
    std::vector<GstPad*> pads;
    GST_OBJECT_LOCK(pElement);
    for (GList* l = pElement->pads; l; l = l->next)
        pads.push_back(GST_PAD(gst_object_ref(GST_PAD(l->data))));
    GST_OBJECT_UNLOCK(pElement);
    return pads;
}

void UnrefPads(std::vector<GstPad*>& pPads) {
    for (GstPad* pad : pPads)
        gst_object_unref(pad);
    pPads.clear();
}

} // namespace

std::vector<RegisteredFilter> RegisteredFilters() {
    std::vector<RegisteredFilter> filters;
    if (!EnsureInitialised()) return filters;
    for (const auto& entry : kFilterTable)
        if (FactoriesExist(entry.Factory)) filters.push_back({entry.Name, entry.Factory});
    return filters;
}

struct FilterEntry {
    std::string Name;
    MadeElement Made;            // owned by the pipeline
    GstCaps* FileCaps = nullptr; // owned: what the file source's data is
};

// A link waiting for a pad: from a filter's output template, or from a decoder put behind
// a filter's output pad.
struct PendingEntry {
    int32_t Filter;
    std::string Template; // the output template, or the output pad feeding the decoder
    GstElement* Down;
    PendingPtr Link;
};

struct Graph::Impl {
    GstElement* Pipeline = nullptr;
    std::vector<FilterEntry> Filters;
    std::vector<PendingEntry> Pending;

    GstElement* ElementAt(int32_t pFilter) const {
        if (pFilter < 0 || pFilter >= int32_t(Filters.size())) return nullptr;
        return Filters[size_t(pFilter)].Made.Element;
    }

    bool HasPendingLink(GstElement* pElement) const {
        for (const auto& p : Pending) {
            std::lock_guard<std::mutex> lock(p.Link->Mutex);
            if (p.Link->Cancelled) continue;
            if (ElementAt(p.Filter) == pElement || p.Down == pElement) return true;
        }
        return false;
    }

    int32_t IndexOf(const GstElement* pElement) const {
        for (size_t i = 0; i < Filters.size(); ++i)
            if (Filters[i].Made.Element == pElement) return int32_t(i);
        return -1;
    }

    // The filter an object belongs to (itself or an element inside it); -1 for none.
    int32_t FilterOf(GstObject* pObject) const {
        for (GstObject* o = pObject ? GST_OBJECT(gst_object_ref(pObject)) : nullptr; o;) {
            int32_t index = GST_IS_ELEMENT(o) ? IndexOf(GST_ELEMENT(o)) : -1;
            GstObject* parent = gst_object_get_parent(o);
            gst_object_unref(o);
            if (index >= 0) {
                if (parent) gst_object_unref(parent);
                return index;
            }
            o = parent;
        }
        return -1;
    }

    // Notes a link whose pad came with data the downstream filter does not take.
    void NoteFailedLink(PrerollResult& pResult) const {
        for (const auto& p : Pending) {
            std::lock_guard<std::mutex> lock(p.Link->Mutex);
            if (p.Link->Cancelled || !p.Link->Failed) continue;
            pResult.FailedUp = p.Filter;
            pResult.FailedDown = IndexOf(p.Down);
            return;
        }
    }

    // Filters left unconnected stay idle, like unconnected filters of any graph: an unlinked
    // source would fail the pipeline, an unlinked sink would never preroll.
    void LockIdleFilters() {
        for (const auto& f : Filters) {
            auto pads = ElementPads(f.Made.Element);
            bool linked = std::any_of(pads.begin(), pads.end(),
                                      [](GstPad* p) { return gst_pad_is_linked(p); });
            UnrefPads(pads);
            if (!linked && !HasPendingLink(f.Made.Element))
                gst_element_set_locked_state(f.Made.Element, TRUE);
        }
    }
};

namespace {

// The pipeline's bus with a deadline.
class BusWatch {
  public:
    BusWatch(GstElement* pPipeline, std::chrono::steady_clock::time_point pDeadline)
        : m_Bus(gst_element_get_bus(pPipeline)), m_Deadline(pDeadline) {}
    ~BusWatch() { gst_object_unref(m_Bus); }
    GstBus* Bus() const { return m_Bus; }
    BusWatch(const BusWatch&) = delete;
    BusWatch& operator=(const BusWatch&) = delete;

    GstClockTime Remaining() const {
        auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            m_Deadline - std::chrono::steady_clock::now());
        return GstClockTime(std::max<int64_t>(0, left.count()));
    }

    // The type of the next error or pType message, waiting at most pWait (and never past the
    // deadline); GST_MESSAGE_UNKNOWN when none came. pErrorSource receives a reference to
    // the object that reported an error.
    GstMessageType Next(GstMessageType pType, GstClockTime pWait,
                        GstObject** pErrorSource = nullptr) {
        auto types = GstMessageType(GST_MESSAGE_ERROR | pType);
        GstMessage* msg = gst_bus_timed_pop_filtered(m_Bus, std::min(pWait, Remaining()), types);
        if (!msg) return GST_MESSAGE_UNKNOWN;
        GstMessageType type = GST_MESSAGE_TYPE(msg);
        if (type == GST_MESSAGE_ERROR && pErrorSource && GST_MESSAGE_SRC(msg))
            *pErrorSource = GST_OBJECT(gst_object_ref(GST_MESSAGE_SRC(msg)));
        gst_message_unref(msg);
        return type;
    }

  private:
    GstBus* m_Bus;
    std::chrono::steady_clock::time_point m_Deadline;
};

// The pipeline's duration (or, at the end of the stream, its position) in seconds.
std::optional<double> QueryTime(GstElement* pPipeline, bool pPosition) {
    gint64 value = -1;
    bool ok = pPosition ? gst_element_query_position(pPipeline, GST_FORMAT_TIME, &value)
                        : gst_element_query_duration(pPipeline, GST_FORMAT_TIME, &value);
    if (!ok || value < 0) return std::nullopt;
    return double(value) / double(GST_SECOND);
}

} // namespace

Graph::Graph() : m_Impl(std::make_unique<Impl>()) {
    if (EnsureInitialised()) m_Impl->Pipeline = gst_pipeline_new(nullptr);
    if (m_Impl->Pipeline) gst_object_ref_sink(m_Impl->Pipeline);
}

Graph::~Graph() {
    if (m_Impl->Pipeline) {
        gst_element_set_state(m_Impl->Pipeline, GST_STATE_NULL);
        gst_object_unref(m_Impl->Pipeline);
    }
    for (auto& f : m_Impl->Filters)
        if (f.FileCaps) gst_caps_unref(f.FileCaps);
}

bool Graph::IsValid() const {
    return m_Impl->Pipeline != nullptr;
}

int32_t Graph::AddFilter(const RegisteredFilter& pFilter) {
    if (!m_Impl->Pipeline) return -1;
    MadeElement made = MakeElement(pFilter.Factory);
    if (!made.Element) return -1;
    if (!gst_bin_add(GST_BIN(m_Impl->Pipeline), made.Element)) {
        gst_object_unref(gst_object_ref_sink(made.Element));
        return -1;
    }
    m_Impl->Filters.push_back({pFilter.Name, made, nullptr});
    return int32_t(m_Impl->Filters.size()) - 1;
}

int32_t Graph::FilterCount() const {
    return int32_t(m_Impl->Filters.size());
}

std::string Graph::FilterName(int32_t pFilter) const {
    return m_Impl->ElementAt(pFilter) ? m_Impl->Filters[size_t(pFilter)].Name : std::string();
}

bool Graph::IsFileSource(int32_t pFilter) const {
    return m_Impl->ElementAt(pFilter) && m_Impl->Filters[size_t(pFilter)].Made.FileSource;
}

bool Graph::SetFileName(int32_t pFilter, const std::string& pPath) {
    // Only regular files: a FIFO or a device would block the reader.
    if (!IsFileSource(pFilter) || !g_file_test(pPath.c_str(), G_FILE_TEST_IS_REGULAR)) return false;
    auto& f = m_Impl->Filters[size_t(pFilter)];
    g_object_set(f.Made.FileSource, "location", pPath.c_str(), nullptr);
    if (f.FileCaps) gst_caps_unref(f.FileCaps);
    f.FileCaps = FindFileType(pPath);
    return true;
}

std::vector<PinInfo> Graph::Pins(int32_t pFilter) const {
    std::vector<PinInfo> pins;
    GstElement* element = m_Impl->ElementAt(pFilter);
    if (!element) return pins;
    auto pads = ElementPads(element);
    std::set<std::string> madeTemplates;
    for (GstPad* pad : pads) {
        if (GST_PAD_DIRECTION(pad) == GST_PAD_SINK) pins.push_back({0, PadName(pad), false});
    }
    for (GstPad* pad : pads) {
        if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) continue;
        pins.push_back({1, PadName(pad), false});
        if (GstPadTemplate* t = GST_PAD_PAD_TEMPLATE(pad))
            madeTemplates.insert(GST_PAD_TEMPLATE_NAME_TEMPLATE(t));
        madeTemplates.insert(PadName(pad));
    }
    UnrefPads(pads);
    GstElement* pinSource = m_Impl->Filters[size_t(pFilter)].Made.PinSource;
    GList* templates = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(pinSource));
    for (GList* l = templates; l; l = l->next) {
        auto* t = GST_PAD_TEMPLATE(l->data);
        if (GST_PAD_TEMPLATE_DIRECTION(t) != GST_PAD_SRC ||
            GST_PAD_TEMPLATE_PRESENCE(t) == GST_PAD_REQUEST)
            continue;
        std::string name = GST_PAD_TEMPLATE_NAME_TEMPLATE(t);
        if (!madeTemplates.count(name)) pins.push_back({1, name, true});
    }
    return pins;
}

bool Graph::Connect(int32_t pUpFilter, const PinInfo& pUpPin, int32_t pDownFilter,
                    const PinInfo& pDownPin) {
    GstElement* up = m_Impl->ElementAt(pUpFilter);
    GstElement* down = m_Impl->ElementAt(pDownFilter);
    if (!up || !down || pUpPin.Direction != 1 || pDownPin.Direction != 0) return false;
    GstPad* downPad = gst_element_get_static_pad(down, pDownPin.Id.c_str());
    if (!downPad) return false;
    bool connected = false;
    if (!gst_pad_is_linked(downPad)) {
        Caps downCaps(gst_pad_query_caps(downPad, nullptr));
        if (pUpPin.Pending) {
            GstElement* pinSource = m_Impl->Filters[size_t(pUpFilter)].Made.PinSource;
            GstPadTemplate* t = gst_element_get_pad_template(pinSource, pUpPin.Id.c_str());
            Caps upCaps(t ? gst_pad_template_get_caps(t) : gst_caps_new_any());
            if (gst_caps_can_intersect(upCaps.get(), downCaps.get()) ||
                TakesRawAudio(downCaps.get())) {
                auto link = WatchPads(m_Impl->Pipeline, up, pUpPin.Id, downPad, false);
                m_Impl->Pending.push_back({pUpFilter, pUpPin.Id, down, link});
                connected = true;
            }
        } else if (GstPad* upPad = gst_element_get_static_pad(up, pUpPin.Id.c_str())) {
            const auto& f = m_Impl->Filters[size_t(pUpFilter)];
            Caps upCaps(f.FileCaps ? gst_caps_ref(f.FileCaps) : gst_pad_query_caps(upPad, nullptr));
            // What an unlinked output carries is only known for certain when its caps are
            // fixed; otherwise an input that takes raw audio gets a decoder in front, which
            // passes raw audio through unchanged.
            bool fits = gst_caps_can_intersect(upCaps.get(), downCaps.get());
            bool certain = fits && gst_caps_is_fixed(upCaps.get());
            if (gst_pad_is_linked(upPad))
                connected = false;
            else if (certain || (fits && !TakesRawAudio(downCaps.get())))
                connected = gst_pad_link(upPad, downPad) == GST_PAD_LINK_OK;
            else if (TakesRawAudio(downCaps.get())) {
                if (auto link = LinkThroughDecoder(m_Impl->Pipeline, upPad, downPad)) {
                    m_Impl->Pending.push_back({pUpFilter, pUpPin.Id, down, link});
                    connected = true;
                }
            }
            gst_object_unref(upPad);
        }
    }
    gst_object_unref(downPad);
    return connected;
}

void Graph::Disconnect(int32_t pFilter, const PinInfo& pPin) {
    GstElement* element = m_Impl->ElementAt(pFilter);
    if (!element || pPin.Direction != 1) return;
    for (auto& p : m_Impl->Pending) {
        if (p.Filter != pFilter || p.Template != pPin.Id) continue;
        std::lock_guard<std::mutex> lock(p.Link->Mutex);
        p.Link->Cancelled = true;
    }
    if (pPin.Pending) return;
    GstPad* pad = gst_element_get_static_pad(element, pPin.Id.c_str());
    if (!pad) return;
    if (GstPad* peer = gst_pad_get_peer(pad)) {
        gst_pad_unlink(pad, peer);
        gst_object_unref(peer);
    }
    gst_object_unref(pad);
}

void Graph::Stop() {
    if (m_Impl->Pipeline) gst_element_set_state(m_Impl->Pipeline, GST_STATE_READY);
}

PrerollResult Graph::Preroll(int32_t pTimeoutMs) {
    PrerollResult result;
    if (!m_Impl->Pipeline) return result;
    GstElement* pipeline = m_Impl->Pipeline;
    BusWatch bus(pipeline,
                 std::chrono::steady_clock::now() + std::chrono::milliseconds(pTimeoutMs));
    m_Impl->LockIdleFilters();
    GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    result.Ok = change != GST_STATE_CHANGE_FAILURE && change != GST_STATE_CHANGE_ASYNC;
    while (change == GST_STATE_CHANGE_ASYNC) {
        GstObject* source = nullptr;
        GstMessageType type = bus.Next(GST_MESSAGE_ASYNC_DONE, bus.Remaining(), &source);
        if (source) {
            result.FailedFilter = m_Impl->FilterOf(source);
            gst_object_unref(source);
        }
        if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_UNKNOWN) break;
        result.Ok = type == GST_MESSAGE_ASYNC_DONE;
        if (result.Ok) break;
    }
    if (result.Ok) return result;
    m_Impl->NoteFailedLink(result);
    // Back to a state in which filters can be added and linked again.
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_bus_set_flushing(bus.Bus(), TRUE);
    gst_bus_set_flushing(bus.Bus(), FALSE);
    return result;
}

std::optional<double> Graph::Duration(int32_t pTimeoutMs) {
    if (!m_Impl->Pipeline) return std::nullopt;
    GstElement* pipeline = m_Impl->Pipeline;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(pTimeoutMs);
    BusWatch bus(pipeline, deadline);

    m_Impl->LockIdleFilters();
    GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_FAILURE) return std::nullopt;
    bool prerolled = change != GST_STATE_CHANGE_ASYNC;
    while (!prerolled) {
        GstMessageType type = bus.Next(GST_MESSAGE_ASYNC_DONE, bus.Remaining());
        if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_UNKNOWN) return std::nullopt;
        prerolled = type == GST_MESSAGE_ASYNC_DONE;
    }
    if (auto seconds = QueryTime(pipeline, false)) return seconds;

    // Some parsers learn the duration only from the stream itself: let it run to its end.
    // The renderer has no clock and discards the audio, so this takes the decoding time only.
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return std::nullopt;
    while (bus.Remaining() > 0) {
        GstMessageType type = bus.Next(GST_MESSAGE_EOS, 20 * GST_MSECOND);
        if (type == GST_MESSAGE_ERROR) return std::nullopt;
        if (auto seconds = QueryTime(pipeline, false)) return seconds;
        if (type == GST_MESSAGE_EOS) return QueryTime(pipeline, true);
    }
    return std::nullopt;
}

} // namespace platform::gst
