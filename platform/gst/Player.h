#pragma once
// Plays interleaved PCM frames through GStreamer: appsrc -> audioconvert -> audioresample ->
// the audio sink (autoaudiosink, or the description in QUILLAN_AUDIO_SINK, e.g. "fakesink
// sync=true" or "appsink"). The pipeline is built, the device opened and the frames fed on
// threads of the player's own; no call waits for the device. An appsink keeps what reaches it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::gst {

struct PcmFormat {
    int32_t Rate = 44100;
    int32_t Channels = 2;
    int32_t BitsPerSample = 16; // 8 unsigned, 16/24/32 signed, little-endian
    bool Float = false;         // 32-bit float
};

// Replaces pOut with the frames [pFirst, pFirst + pFrames); false when they cannot be had
// (pError then says why). Called on a streaming thread.
using PcmFeed = std::function<bool(int64_t pFirst, int64_t pFrames, std::vector<uint8_t>& pOut,
                                   std::string& pError)>;

struct PlayState {
    bool Playing = false;
    int64_t Frame = 0;  // the frame playing now (or where the play ended)
    std::string Error;  // why the last play failed; empty when it did not
    uint64_t Plays = 0; // plays started so far
};

class Player {
  public:
    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays frames [pFirst, pEnd) of pFeed in pFormat; a play in hand stops first.
    void Play(const PcmFormat& pFormat, int64_t pFirst, int64_t pEnd, PcmFeed pFeed);
    void Stop();
    PlayState State() const;
    // What an appsink received in the last play.
    std::vector<uint8_t> Received() const;
    // The sink's description: QUILLAN_AUDIO_SINK, else autoaudiosink.
    static std::string SinkDescription();

    struct Pipeline;

  private:
    struct Command {
        bool Play = false;
        PcmFormat Format;
        int64_t First = 0, End = 0;
        PcmFeed Feed;
    };
    void Run();
    void Start(Command pCommand);
    void Watch();
    void TearDown();
    void Fail(const std::string& pError);

    mutable std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::deque<Command> m_Commands;
    bool m_Quit = false;
    PlayState m_State;
    bool m_Begun = false; // the sink took the play's stream
    std::chrono::steady_clock::time_point m_Asked;
    std::vector<uint8_t> m_Received;
    std::unique_ptr<Pipeline> m_Pipeline; // the worker's only
    std::thread m_Worker;                 // last: ends first
};

} // namespace platform::gst
