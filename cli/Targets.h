#pragma once
// Where a job's result is written: the hidden work file the engine writes, and the place the
// finished result moves to (a free numbered name, or the source it replaces).

#include "cli/Options.h"

#include <optional>
#include <string>

namespace cli {

struct JobFiles {
    std::string WorkPath;           // the file the engine writes; empty for a level check
    std::string Replaces;           // --overwrite: the file the result replaces (links followed)
    std::string Wanted;             // otherwise the first name of the numbered series
    bool NumberAlways = false;      // beside the source: name01.wav on
    bool ReplaceIncomplete = false; // --skip-existing: a cut-short file of that name gives way
    std::string Error;              // why the job cannot start; nothing was written
};

// Plans the files of one job for source (a path with a folder). Everything that would keep
// the result from landing (a read-only source, a folder where no file can be made) is found
// here, before the edit. Work files of dead runs in the target folder are swept first.
JobFiles PlanJobFiles(const Options& pOptions, const std::string& pSource);

// Moves the finished work file into place: over the source, or under the first free name of
// the series, claimed only now that the result is complete. Returns an error text (empty on
// success) and sets finalPath to where the result is.
std::string PlaceResult(const JobFiles& pFiles, std::string& pFinalPath);

// With an output folder: where the result of pSource goes under its own name (below the
// folder, in the source's folders below the --mirror root). Nothing in other modes, or when
// the source is not below the mirror root.
std::optional<std::string> FolderResultPath(const Options& pOptions, const std::string& pSource);

// The name of a path after its last '/'.
std::string FileNameOf(const std::string& pPath);

} // namespace cli
