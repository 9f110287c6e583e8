#pragma once
// What lets the reports of many workers be merged: each JSON line names the host and the
// shard and carries the file's seconds and bytes; --summary-json writes the run's totals.

#include "cli/BatchRunner.h"

#include <string>
#include <vector>

namespace cli {

struct RunContext {
    std::string Host;  // this machine's name
    std::string Shard; // "K/N"; empty when the run has no shard
};

RunContext MakeRunContext(const Options& pOptions);

// The fields a JSON line gets for the merge, without braces: skipped, seconds, bytes_read,
// bytes_written, host, shard.
std::string RunFields(const FileResult& pResult, const RunContext& pContext);

// A JSON object (no braces) with the RunFields after the object's own fields.
std::string WithRunFields(const std::string& pJsonObject, const FileResult& pResult,
                          const RunContext& pContext);

// The run's totals as one JSON object: host, shard, files, done, skipped, failed,
// not_started, cancelled, seconds, bytes_read, bytes_written.
std::string SummaryJson(const std::vector<FileResult>& pResults, const RunContext& pContext,
                        double pSeconds, bool pCancelled);

// Writes the text (and a newline) to pPath through a fresh temporary name, so a reader never
// sees half of it. A file at pPath that is a source or a result of the run (pResults) is
// refused, whatever path leads to it. An error text, empty on success.
std::string WriteSummaryFile(const std::string& pPath, const std::string& pText,
                             const std::vector<FileResult>& pResults);

} // namespace cli
