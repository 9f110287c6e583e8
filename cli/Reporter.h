#pragma once
// What quillan-batch tells the user: one error line per failed file, JSON objects in file
// order, a progress line on a terminal and a one-line summary.

#include "cli/BatchRunner.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace cli {

// A text as a JSON string literal: valid UTF-8 whatever the bytes; control characters are
// escaped and every byte that is not part of a UTF-8 sequence becomes U+FFFD.
std::string JsonString(const std::string& text);
// A text for a message line: control characters as \n, \t, \r or \xHH (C1 controls as \u00HH)
// and every byte that is not part of a UTF-8 sequence as \xHH, so a name can neither break the
// line nor drive the terminal.
std::string PrintableText(const std::string& text);

// Whether a run with these options measures the levels: only a level check, trimming or
// normalising does; other runs show no levels.
bool LevelsMeasured(const Options& options);
// The JSON object of one file (no trailing newline); levels only of a finished job whose
// levels were measured.
std::string JsonLine(const FileResult& result, bool levelsMeasured = true);

// "3 done, 1 failed; written to out" and the like.
std::string SummaryText(const Options& options, const std::vector<FileResult>& results,
                        bool cancelled);

class Reporter : public BatchObserver {
  public:
    Reporter(const Options& options, std::FILE* out, std::FILE* err, bool showProgress);
    ~Reporter() override;

    void FileStarted(size_t index, int64_t sourceBytes) override;
    void FileProgress(size_t index, float rate) override;
    void FileFinished(size_t index, const FileResult& result) override;

    // Ends the progress line, prints the JSON objects not yet printed and the summary.
    void Finish(const std::vector<FileResult>& results, bool cancelled);

  private:
    struct InHand {
        int64_t bytes = 0;
        float rate = 0.0f;
        bool active = false;
    };
    void EmitReadyJson();
    void DrawProgress();
    void ClearProgressLine();
    void TickerLoop();

    const Options& m_options;
    std::FILE* m_out;
    std::FILE* m_err;
    const bool m_showProgress;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finished = false;
    bool m_lineShown = false;
    std::vector<InHand> m_inHand;
    std::vector<FileResult> m_done;
    std::vector<bool> m_isDone;
    size_t m_doneCount = 0;
    size_t m_nextJson = 0;
    int64_t m_doneBytes = 0;
    std::chrono::steady_clock::time_point m_start;
    std::thread m_ticker;
};

} // namespace cli
