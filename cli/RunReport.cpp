#include "cli/RunReport.h"

#include "cli/Reporter.h"
#include "platform/core/Process.h"
#include "platform/core/SafeFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace cli {

namespace {

std::string Seconds(double pSeconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", pSeconds);
    return buffer;
}

std::string ContextFields(const RunContext& pContext) {
    return "\"host\": " + JsonString(pContext.Host) +
           ", \"shard\": " + (pContext.Shard.empty() ? "null" : JsonString(pContext.Shard));
}

} // namespace

RunContext MakeRunContext(const Options& pOptions) {
    RunContext context;
    context.Host = platform::HostName();
    if (pOptions.Shard.Count > 0) context.Shard = ShardText(pOptions.Shard);
    return context;
}

std::string RunFields(const FileResult& pR, const RunContext& pContext) {
    return std::string("\"skipped\": ") + (pR.Skipped ? "true" : "false") +
           ", \"seconds\": " + Seconds(pR.Seconds) +
           ", \"bytes_read\": " + std::to_string(pR.BytesRead) +
           ", \"bytes_written\": " + std::to_string(pR.BytesWritten) + ", " +
           ContextFields(pContext);
}

std::string WithRunFields(const std::string& pJsonObject, const FileResult& pResult,
                          const RunContext& pContext) {
    std::string line = pJsonObject;
    if (line.empty() || line.back() != '}') return line;
    line.pop_back();
    return line + (line.size() > 1 ? ", " : "") + RunFields(pResult, pContext) + "}";
}

std::string SummaryJson(const std::vector<FileResult>& pResults, const RunContext& pContext,
                        double pSeconds, bool pCancelled) {
    int64_t done = 0, skipped = 0, failed = 0, notStarted = 0, cancelled = 0, bytesRead = 0,
            bytesWritten = 0;
    for (const FileResult& r : pResults) {
        if (!r.Started)
            ++notStarted;
        else if (r.Cancelled)
            ++cancelled;
        else if (r.Skipped)
            ++skipped;
        else if (r.Result == 1)
            ++done;
        else
            ++failed;
        bytesRead += r.BytesRead;
        bytesWritten += r.BytesWritten;
    }
    auto count = [](const char* pName, int64_t pValue) {
        return std::string(", \"") + pName + "\": " + std::to_string(pValue);
    };
    return "{" + ContextFields(pContext) + count("files", int64_t(pResults.size())) +
           count("done", done) + count("skipped", skipped) + count("failed", failed) +
           count("not_started", notStarted) + count("cancelled", cancelled) +
           ", \"stopped\": " + (pCancelled ? "true" : "false") +
           ", \"seconds\": " + Seconds(pSeconds) + count("bytes_read", bytesRead) +
           count("bytes_written", bytesWritten) + "}";
}

namespace {

// True when pPath names a source or a result of the run.
bool IsFileOfTheRun(const std::string& pPath, const std::vector<FileResult>& pResults) {
    platform::FileIdentity at;
    if (platform::ReadIdentity(pPath, at)) return false;
    auto same = [&](const std::string& pOther) {
        platform::FileIdentity id;
        return !pOther.empty() && !platform::ReadIdentity(pOther, id) && id.SameFile(at);
    };
    for (const FileResult& r : pResults)
        if (same(r.Source) || same(r.Target)) return true;
    return false;
}

} // namespace

std::string WriteSummaryFile(const std::string& pPath, const std::string& pText,
                             const std::vector<FileResult>& pResults) {
    if (IsFileOfTheRun(pPath, pResults))
        return "cannot write the summary to " + pPath + ": a source or result of this run";
    const std::string temporary = pPath + ".tmp-" + std::to_string(platform::CurrentProcessId());
    // A fresh file only: whatever is already under the temporary name stays as it is.
    std::FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (!file) return "cannot write " + pPath + ": " + std::strerror(errno);
    const bool written = std::fprintf(file, "%s\n", pText.c_str()) > 0;
    const bool closed = std::fclose(file) == 0;
    std::error_code ec;
    if (written && closed) std::filesystem::rename(temporary, pPath, ec);
    if (!written || !closed || ec) {
        std::filesystem::remove(temporary, ec);
        return "cannot write " + pPath;
    }
    return {};
}

} // namespace cli
