#include "platform/gst/Player.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform::gst {

namespace {

// How long the sink may take to open its device before the play is given up.
constexpr auto kOpenLimit = std::chrono::seconds(5);
// Frames fed per buffer: a tenth of a second.
constexpr int64_t kBuffersPerSecond = 10;

bool Initialised() {
    static const bool ok = [] {
        GError* error = nullptr;
        const bool done = gst_init_check(nullptr, nullptr, &error);
        if (error) g_error_free(error);
        return done;
    }();
    return ok;
}

GstAudioFormat FormatOf(const PcmFormat& pF) {
    if (pF.Float) return GST_AUDIO_FORMAT_F32LE;
    switch (pF.BitsPerSample) {
    case 8:
        return GST_AUDIO_FORMAT_U8;
    case 16:
        return GST_AUDIO_FORMAT_S16LE;
    case 24:
        return GST_AUDIO_FORMAT_S24LE;
    case 32:
        return GST_AUDIO_FORMAT_S32LE;
    default:
        return GST_AUDIO_FORMAT_UNKNOWN;
    }
}

std::string TakeError(GError* pError) {
    std::string text = pError && pError->message ? pError->message : "unknown error";
    if (pError) g_error_free(pError);
    return text;
}

} // namespace

// One play: the pipeline, its source and what the feed has done.
struct Player::Pipeline {
    Player* Owner = nullptr;
    GstElement* Bin = nullptr;
    GstElement* Source = nullptr;
    PcmFormat Format;
    int64_t First = 0, End = 0, Next = 0;
    PcmFeed Feed;
    std::string FeedError; // set on the streaming thread before the stream ends
    std::mutex FeedMutex;
    bool Started = false;
    std::chrono::steady_clock::time_point Opened;

    ~Pipeline() {
        if (!Bin) return;
        gst_element_set_state(Bin, GST_STATE_NULL);
        if (Source) gst_object_unref(Source);
        gst_object_unref(Bin);
    }

    static void NeedData(GstAppSrc* pSrc, guint, gpointer pSelf) {
        auto* p = static_cast<Pipeline*>(pSelf);
        const int64_t frames =
            std::min(p->End - p->Next, std::max<int64_t>(p->Format.Rate / kBuffersPerSecond, 1));
        if (frames <= 0) {
            gst_app_src_end_of_stream(pSrc);
            return;
        }
        std::vector<uint8_t> data;
        std::string error;
        if (!p->Feed(p->Next, frames, data, error) || data.empty()) {
            std::lock_guard<std::mutex> lock(p->FeedMutex);
            p->FeedError = error.empty() ? "the audio could not be read" : error;
            gst_app_src_end_of_stream(pSrc);
            return;
        }
        GstBuffer* buffer = gst_buffer_new_memdup(data.data(), data.size());
        const int64_t done = p->Next - p->First;
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(done, GST_SECOND, p->Format.Rate);
        GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(frames, GST_SECOND, p->Format.Rate);
        p->Next += frames;
        gst_app_src_push_buffer(pSrc, buffer);
    }

    static GstFlowReturn NewSample(GstAppSink* pSink, gpointer pSelf) {
        auto* p = static_cast<Pipeline*>(pSelf);
        GstSample* sample = gst_app_sink_pull_sample(pSink);
        if (!sample) return GST_FLOW_EOS;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            std::lock_guard<std::mutex> lock(p->Owner->m_Mutex);
            p->Owner->m_Received.insert(p->Owner->m_Received.end(), map.data, map.data + map.size);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
};

Player::Player() : m_Worker([this] { Run(); }) {}

Player::~Player() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Quit = true;
    }
    m_Wake.notify_all();
    m_Worker.join();
}

std::string Player::SinkDescription() {
    const char* env = std::getenv("QUILLAN_AUDIO_SINK");
    return env && *env ? env : "autoaudiosink";
}

void Player::Play(const PcmFormat& pFormat, int64_t pFirst, int64_t pEnd, PcmFeed pFeed) {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Commands.push_back({true, pFormat, pFirst, pEnd, std::move(pFeed)});
        // Shown as playing at once; the worker says otherwise when the play fails.
        m_State.Playing = true;
        m_State.Frame = pFirst;
        m_State.Error.clear();
        ++m_State.Plays;
        m_Begun = false;
        m_Asked = std::chrono::steady_clock::now();
    }
    m_Wake.notify_all();
}

void Player::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Commands.push_back({});
        m_State.Playing = false;
    }
    m_Wake.notify_all();
}

PlayState Player::State() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    PlayState s = m_State;
    // A device whose opening holds the player's thread is given up here as well.
    if (s.Playing && !m_Begun && std::chrono::steady_clock::now() - m_Asked > kOpenLimit * 2) {
        s.Playing = false;
        s.Error = "cannot play: no audio device answered";
    }
    return s;
}

std::vector<uint8_t> Player::Received() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Received;
}

void Player::Run() {
    for (;;) {
        std::optional<Command> command;
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Wake.wait_for(lock, std::chrono::milliseconds(m_Pipeline ? 30 : 1000),
                            [this] { return m_Quit || !m_Commands.empty(); });
            if (m_Quit) break;
            if (!m_Commands.empty()) {
                command = std::move(m_Commands.front());
                m_Commands.pop_front();
            }
        }
        if (command) {
            TearDown();
            if (command->Play) Start(std::move(*command));
        }
        if (m_Pipeline) Watch();
    }
    TearDown();
}

void Player::Fail(const std::string& pError) {
    TearDown();
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Commands.empty()) return; // a newer play or stop is asked for: it tells the state
    m_State.Playing = false;
    m_State.Error = pError;
}

void Player::TearDown() {
    m_Pipeline.reset();
}

void Player::Start(Command pCommand) {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Received.clear();
    }
    if (!Initialised()) return Fail("the media framework could not be started");
    GstAudioInfo info;
    gst_audio_info_init(&info);
    const GstAudioFormat format = FormatOf(pCommand.Format);
    if (format == GST_AUDIO_FORMAT_UNKNOWN || pCommand.Format.Channels < 1 ||
        pCommand.Format.Channels > 64 || pCommand.Format.Rate < 1)
        return Fail("this audio format cannot be played");
    gst_audio_info_set_format(&info, format, pCommand.Format.Rate, pCommand.Format.Channels,
                              nullptr);

    auto p = std::make_unique<Pipeline>();
    p->Owner = this;
    p->Format = pCommand.Format;
    p->First = p->Next = pCommand.First;
    p->End = pCommand.End;
    p->Feed = std::move(pCommand.Feed);

    const std::string description = SinkDescription();
    GError* error = nullptr;
    GstElement* sink = description == "appsink"
                           ? gst_element_factory_make("appsink", nullptr)
                           : gst_parse_bin_from_description(description.c_str(), TRUE, &error);
    if (!sink) return Fail("no audio output \"" + description + "\": " + TakeError(error));
    if (error) g_error_free(error);
    p->Bin = gst_pipeline_new("quillan-play");
    p->Source = gst_element_factory_make("appsrc", nullptr);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    if (!p->Source || !convert || !resample) {
        for (GstElement* e : {p->Source, convert, resample, sink})
            if (e) gst_object_unref(e);
        p->Source = nullptr;
        return Fail("the audio converters of the media framework are missing");
    }
    gst_object_ref(p->Source);
    gst_bin_add_many(GST_BIN(p->Bin), p->Source, convert, resample, sink, nullptr);
    if (!gst_element_link_many(p->Source, convert, resample, sink, nullptr))
        return Fail("the audio output does not take this audio");

    GstCaps* caps = gst_audio_info_to_caps(&info);
    g_object_set(p->Source, "caps", caps, "format", GST_FORMAT_TIME, nullptr);
    gst_caps_unref(caps);
    GstAppSrcCallbacks sourceCalls{};
    sourceCalls.need_data = &Pipeline::NeedData;
    gst_app_src_set_callbacks(GST_APP_SRC(p->Source), &sourceCalls, p.get(), nullptr);
    if (description == "appsink") {
        g_object_set(sink, "sync", FALSE, nullptr);
        GstAppSinkCallbacks sinkCalls{};
        sinkCalls.new_sample = &Pipeline::NewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &sinkCalls, p.get(), nullptr);
    }
    p->Opened = std::chrono::steady_clock::now();
    m_Pipeline = std::move(p);
    if (gst_element_set_state(m_Pipeline->Bin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        Watch(); // the error message on the bus tells why
}

// Reads the bus, moves the play's frame on and ends a play that failed, finished or never
// started.
void Player::Watch() {
    Pipeline& p = *m_Pipeline;
    GstBus* bus = gst_element_get_bus(p.Bin);
    while (GstMessage* m = gst_bus_pop_filtered(
               bus, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS | GST_MESSAGE_ASYNC_DONE))) {
        const GstMessageType type = GST_MESSAGE_TYPE(m);
        if (type == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(m, &error, nullptr);
            gst_message_unref(m);
            gst_object_unref(bus);
            return Fail("cannot play: " + TakeError(error));
        }
        if (type == GST_MESSAGE_EOS) {
            gst_message_unref(m);
            gst_object_unref(bus);
            std::string feedError;
            {
                std::lock_guard<std::mutex> lock(p.FeedMutex);
                feedError = p.FeedError;
            }
            const int64_t end = p.End;
            if (!feedError.empty()) return Fail(feedError);
            TearDown();
            std::lock_guard<std::mutex> lock(m_Mutex);
            if (m_Commands.empty()) m_State.Playing = false;
            m_State.Frame = end;
            return;
        }
        p.Started = true; // the sink took the stream
        gst_message_unref(m);
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Begun = true;
    }
    gst_object_unref(bus);
    if (!p.Started && std::chrono::steady_clock::now() - p.Opened > kOpenLimit)
        return Fail("cannot play: no audio device answered");
    gint64 position = 0;
    if (gst_element_query_position(p.Bin, GST_FORMAT_TIME, &position) && position >= 0) {
        const int64_t frame =
            p.First + int64_t(gst_util_uint64_scale(uint64_t(position), p.Format.Rate, GST_SECOND));
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_Commands.empty()) m_State.Frame = std::min(frame, p.End);
    }
}

} // namespace platform::gst
