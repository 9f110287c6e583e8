#pragma once
// What quillan-batch tells the user: one error line per failed file, JSON objects in file
// order, a progress line on a terminal and a one-line summary.

#include "cli/BatchRunner.h"
#include "cli/RunReport.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace cli {

// A text as a JSON string literal: valid UTF-8 whatever the bytes; control characters are
// escaped and every byte that is not part of a UTF-8 sequence becomes U+FFFD.
std::string JsonString(const std::string& pText);
// A text for a message line: control characters as \n, \t, \r or \xHH (C1 controls as \u00HH)
// and every byte that is not part of a UTF-8 sequence as \xHH, so a name can neither break the
// line nor drive the terminal.
std::string PrintableText(const std::string& pText);

// Whether a run with these options measures the levels: only a level check, trimming or
// normalising does; other runs show no levels.
bool LevelsMeasured(const Options& pOptions);
// Whether a run reports loudness: --loudness, or normalising by loudness.
bool LoudnessReported(const Options& pOptions);
// The JSON object of one file (no trailing newline); levels only of a finished job whose
// levels were measured; the loudness fields only when the run reports loudness.
std::string JsonLine(const FileResult& pResult, bool pLevelsMeasured = true,
                     bool pLoudness = false);
// The loudness of one finished file as a tab-separated line (no trailing newline): name,
// integrated loudness, loudness range, true peak and, for a written result, the gain.
std::string LoudnessLine(const FileResult& pResult);

// A set of album mode as one line: "album", its label, its files, its level and gain, parted by
// pSeparator (tabs: fields for scripts; no trailing newline).
std::string AlbumLine(const AlbumSet& pSet, const job::SetFigures& pFigures, bool pLufs,
                      const char* pSeparator);

// "3 done, 1 failed; written to out" and the like.
std::string SummaryText(const Options& pOptions, const std::vector<FileResult>& pResults,
                        bool pCancelled);

class Reporter : public BatchObserver {
  public:
    Reporter(const Options& pOptions, std::FILE* pOut, std::FILE* pErr, bool pShowProgress);
    ~Reporter() override;

    void FileStarted(size_t pIndex, int64_t pSourceBytes) override;
    void FileProgress(size_t pIndex, float pRate) override;
    void FileFinished(size_t pIndex, const FileResult& pResult) override;
    void PhaseStarted(job::SetPhase pPhase) override;
    void SetPooled(const AlbumSet& pSet, const job::SetFigures& pFigures,
                   const std::vector<std::string>& pLeftOut) override;

    // Ends the progress line, prints the JSON objects not yet printed and the summary.
    void Finish(const std::vector<FileResult>& pResults, bool pCancelled);

  private:
    struct InHand {
        int64_t Bytes = 0;
        float Rate = 0.0f;
        bool Active = false;
    };
    void EmitReadyJson();
    // The line a file gets on stdout in file order (JSON, or loudness text), or none.
    std::optional<std::string> OrderedLine(const FileResult& pResult) const;
    void DrawProgress();
    void ClearProgressLine();
    void TickerLoop();

    const Options& m_Options;
    const RunContext m_Context;
    std::FILE* m_Out;
    std::FILE* m_Err;
    const bool m_ShowProgress;
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_Finished = false;
    bool m_LineShown = false;
    bool m_Measuring = false; // album mode's measure phase
    std::vector<InHand> m_InHand;
    std::vector<FileResult> m_Done;
    std::vector<bool> m_IsDone;
    size_t m_DoneCount = 0;
    size_t m_NextJson = 0;
    int64_t m_DoneBytes = 0;
    std::chrono::steady_clock::time_point m_Start;
    std::thread m_Ticker;
};

} // namespace cli
