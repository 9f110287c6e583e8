#include "cli/Reporter.h"

#include "services/core/Paths.h"

#include <cmath>
#include <cstdint>

namespace cli {

namespace {

std::string FloatText(float value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

std::string Field(const char* name, const std::string& jsonValue) {
    return std::string("\"") + name + "\": " + jsonValue;
}

std::string NameOf(const std::string& path) {
    return PathPart(path, 0, 0, 1, 1, 1);
}

// Length of the well-formed UTF-8 sequence that starts at text[i], or 0 when the bytes there
// are not one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(const std::string& text, size_t i) {
    auto at = [&](size_t k) -> unsigned {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    auto cont = [&](size_t k, unsigned lo = 0x80, unsigned hi = 0xbf) {
        return at(k) >= lo && at(k) <= hi;
    };
    const unsigned c = at(0);
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf) return cont(1) ? 2 : 0;
    if (c == 0xe0) return cont(1, 0xa0) && cont(2) ? 3 : 0;
    if (c == 0xed) return cont(1, 0x80, 0x9f) && cont(2) ? 3 : 0;
    if (c >= 0xe1 && c <= 0xef) return cont(1) && cont(2) ? 3 : 0;
    if (c == 0xf0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (c >= 0xf1 && c <= 0xf3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (c == 0xf4) return cont(1, 0x80, 0x8f) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t n = Utf8SequenceLength(text, i);
            out += n == 0 ? std::string("\\ufffd") : text.substr(i, n);
            i += n == 0 ? 1 : n;
            continue;
        }
        ++i;
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string PrintableText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c >= 0x80 ? Utf8SequenceLength(text, i) : 1;
        if (n == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            // C1 control characters: some terminals act on them.
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x",
                          static_cast<unsigned char>(text[i + 1]));
            out += buffer;
            i += 2;
            continue;
        }
        if (n > 1) {
            out += text.substr(i, n);
            i += n;
            continue;
        }
        ++i;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool LevelsMeasured(const Options& options) {
    return options.check || options.edit.Trim || options.edit.Normalize;
}

std::string JsonLine(const FileResult& r, bool levelsMeasured) {
    const bool levels = levelsMeasured && r.hasLevels && r.result == 1;
    auto level = [&](int32_t v) { return levels ? std::to_string(v) : std::string("null"); };
    auto db = [&](float v) { return levels ? FloatText(v) : std::string("null"); };
    std::string s = "{";
    s += Field("source", JsonString(r.source)) + ", ";
    s += Field("target", r.target.empty() ? "null" : JsonString(r.target)) + ", ";
    s += Field("result", std::to_string(r.result)) + ", ";
    s += Field("error", r.error.empty() ? "null" : JsonString(r.error)) + ", ";
    s += Field("warning", r.warning.empty() ? "null" : JsonString(r.warning)) + ", ";
    s += Field("max_peak", level(r.levels.maxPeak)) + ", ";
    s += Field("max_rms", level(r.levels.maxRms)) + ", ";
    s += Field("norm_rms", level(r.levels.normRms)) + ", ";
    s += Field("max_peak_db", db(r.levels.maxPeakDb)) + ", ";
    s += Field("max_rms_db", db(r.levels.maxRmsDb)) + ", ";
    s += Field("norm_rms_db", db(r.levels.normRmsDb));
    return s + "}";
}

std::string SummaryText(const Options& options, const std::vector<FileResult>& results,
                        bool cancelled) {
    size_t done = 0, failed = 0, notStarted = 0;
    for (const auto& r : results) {
        if (!r.started)
            ++notStarted;
        else if (r.result == 1)
            ++done;
        else
            ++failed;
    }
    std::string s = cancelled ? "cancelled; " : "";
    s += std::to_string(done) + " done, " + std::to_string(failed) + " failed";
    if (notStarted > 0) s += ", " + std::to_string(notStarted) + " not started";
    if (options.check) return s + "; level check only, nothing written";
    if (done == 0) return s + "; nothing written";
    switch (options.output) {
    case OutputMode::Overwrite:
        return s + "; sources replaced";
    case OutputMode::Folder:
        return s + "; written to " + options.outputDir;
    case OutputMode::BesideSource:
        break;
    }
    return s + "; written beside the sources";
}

Reporter::Reporter(const Options& options, std::FILE* out, std::FILE* err, bool showProgress)
    : m_options(options), m_out(out), m_err(err), m_showProgress(showProgress),
      m_inHand(options.files.size()), m_done(options.files.size()),
      m_isDone(options.files.size(), false), m_start(std::chrono::steady_clock::now()) {
    if (m_showProgress) m_ticker = std::thread([this] { TickerLoop(); });
}

Reporter::~Reporter() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_all();
    if (m_ticker.joinable()) m_ticker.join();
}

void Reporter::FileStarted(size_t index, int64_t sourceBytes) {
    std::lock_guard lock(m_mutex);
    m_inHand[index] = {sourceBytes, 0.0f, true};
}

void Reporter::FileProgress(size_t index, float rate) {
    std::lock_guard lock(m_mutex);
    m_inHand[index].rate = rate;
}

void Reporter::FileFinished(size_t index, const FileResult& result) {
    std::lock_guard lock(m_mutex);
    m_doneBytes += m_inHand[index].bytes;
    m_inHand[index].active = false;
    m_done[index] = result;
    m_isDone[index] = true;
    ++m_doneCount;
    if (!result.error.empty()) {
        ClearProgressLine();
        std::fprintf(m_err, "quillan-batch: %s: %s\n", PrintableText(result.source).c_str(),
                     PrintableText(result.error).c_str());
        std::fflush(m_err);
    } else if (!result.warning.empty() && !m_options.quiet) {
        ClearProgressLine();
        std::fprintf(m_err, "quillan-batch: %s: warning: %s\n",
                     PrintableText(result.source).c_str(), PrintableText(result.warning).c_str());
        std::fflush(m_err);
    }
    EmitReadyJson();
}

void Reporter::EmitReadyJson() {
    if (!m_options.json) return;
    while (m_nextJson < m_isDone.size() && m_isDone[m_nextJson]) {
        std::fprintf(m_out, "%s\n",
                     JsonLine(m_done[m_nextJson], LevelsMeasured(m_options)).c_str());
        ++m_nextJson;
    }
    std::fflush(m_out);
}

void Reporter::ClearProgressLine() {
    if (!m_lineShown) return;
    std::fputs("\r\x1b[K", m_err);
    m_lineShown = false;
}

void Reporter::DrawProgress() {
    int64_t bytes = m_doneBytes;
    size_t current = m_inHand.size();
    for (size_t i = 0; i < m_inHand.size(); ++i) {
        if (!m_inHand[i].active) continue;
        bytes += static_cast<int64_t>(static_cast<double>(m_inHand[i].bytes) * m_inHand[i].rate);
        if (current == m_inHand.size()) current = i;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double mbps = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    std::fprintf(m_err, "\r\x1b[K[%zu/%zu]", m_doneCount, m_inHand.size());
    if (current < m_inHand.size())
        std::fprintf(m_err, " %s %3d%%", PrintableText(NameOf(m_options.files[current])).c_str(),
                     static_cast<int>(std::lround(m_inHand[current].rate * 100.0f)));
    std::fprintf(m_err, " %.1f MB/s", mbps);
    std::fflush(m_err);
    m_lineShown = true;
}

void Reporter::TickerLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_finished) {
        DrawProgress();
        m_wake.wait_for(lock, std::chrono::milliseconds(200));
    }
    ClearProgressLine();
}

void Reporter::Finish(const std::vector<FileResult>& results, bool cancelled) {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_all();
    if (m_ticker.joinable()) m_ticker.join();
    std::lock_guard lock(m_mutex);
    if (m_options.json) {
        for (; m_nextJson < results.size(); ++m_nextJson)
            if (results[m_nextJson].started)
                std::fprintf(m_out, "%s\n",
                             JsonLine(results[m_nextJson], LevelsMeasured(m_options)).c_str());
        std::fflush(m_out);
    }
    if (!m_options.quiet) {
        std::fprintf(m_err, "quillan-batch: %s\n",
                     PrintableText(SummaryText(m_options, results, cancelled)).c_str());
        std::fflush(m_err);
    }
}

} // namespace cli
