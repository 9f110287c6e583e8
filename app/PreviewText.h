#pragma once
// The words of the preview strip and of the levels report: plain std code, no widgets.

#include "app/PreviewMeasurer.h"
#include "engine/EditJob.h"
#include "engine/WaveOverview.h"
#include "services/job/SetRun.h"

#include <string>
#include <vector>

namespace app {

// "trim 1.50 s / 2.00 s · Peak → 0 dB: +3.2 dB · result 000'07.300": what the job cuts at
// either end, the gain of its mode and the length it writes (the file list's format).
std::string PreviewLine(const JobPreview& pPreview, const EditJob& pJob, const WaveOverview& pO);

// "album: -3.2 dB": the gain a file takes as one of its set.
std::string AlbumGainText(double pGainDb);
// The run's note on its set: "album of 3 files at -20.0 LUFS: -3.2 dB", and the files left out
// or why the set was not written.
std::string AlbumText(const job::SetFigures& pSet, bool pLufs);

// A row's tooltip after Measure: "peak -3.0 dB · RMS(Max) ... · true peak -2.9 dBTP".
std::string LevelsTip(const FileLevels& pLevels);

// The levels of files as CSV with a header line; names quoted, levels with two decimals,
// an empty field where a level is not a finite number (minus infinity for silence), the reason
// where a file could not be measured.
struct LevelsRow {
    std::string Name;
    FileLevels Levels;
};
std::string LevelsCsv(const std::vector<LevelsRow>& pRows);

} // namespace app
