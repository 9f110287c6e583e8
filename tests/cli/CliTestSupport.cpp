#include "CliTestSupport.h"

#include "WavGen.h"
#include "platform/core/Process.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace clitest {

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "quillan-cli-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

void WriteToneWav(const std::string& path, int channels, int rate, int64_t frames,
                  int16_t amplitude) {
    const double seconds = static_cast<double>(frames) / rate;
    WavGenOptions o;
    o.Rate = rate;
    o.Channels = channels;
    o.Seconds = seconds * 0.8;
    o.LeadSilence = o.TailSilence = seconds * 0.1;
    o.PeakDb = 20.0 * std::log10(amplitude / 32768.0);
    o.Seed = static_cast<uint32_t>(amplitude);
    if (!GenerateWav(path, o)) throw std::runtime_error("cannot write " + path);
}

std::vector<char> WavBytes(uint16_t formatTag, uint16_t channels, uint16_t bits, uint32_t rate,
                           uint32_t dataBytes) {
    std::vector<char> b;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<char>(v));
        b.push_back(static_cast<char>(v >> 8));
    };
    auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
    const uint16_t align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(formatTag);
    u16(channels);
    u32(rate);
    u32(rate * align);
    u16(align);
    u16(bits);
    tag("data");
    u32(dataBytes);
    for (uint32_t i = 0; i < dataBytes; ++i)
        b.push_back(static_cast<char>(i * 7));
    return b;
}

std::string ReadText(const std::string& path) {
    return Slurp(path);
}

std::string VectorsDir() {
    const char* v = std::getenv("QUILLAN_VECTORS");
    return v ? v : QUILLAN_VECTORS_DIR;
}

std::optional<std::string> JsonValue(const std::string& json, const std::string& key) {
    std::smatch m;
    std::regex re("\"" + key + "\"\\s*:\\s*(\"(?:[^\"\\\\]|\\\\.)*\"|[^,}\\s]+)");
    if (!std::regex_search(json, m, re)) return std::nullopt;
    return m[1].str();
}

std::vector<char> ReadBytes(const std::string& path) {
    std::string s = Slurp(path);
    return {s.begin(), s.end()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BatchBinary() {
    if (const char* dir = std::getenv("QUILLAN_BINARY_DIR"))
        return std::string(dir) + "/cli/quillan-batch";
    return QUILLAN_BATCH_PATH;
}

Spawned SpawnBatch(const std::vector<std::string>& args, const std::string& logFolder) {
    static int counter = 0;
    Spawned s;
    const std::string tag =
        std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter);
    s.outFile = logFolder + "/stdout-" + tag;
    s.errFile = logFolder + "/stderr-" + tag;
    std::vector<std::string> command{BatchBinary()};
    command.insert(command.end(), args.begin(), args.end());
    std::string error;
    s.pid = platform::StartProcess(command, {"/dev/null", s.outFile, s.errFile}, error);
    return s;
}

RunResult WaitBatch(const Spawned& child) {
    RunResult r;
    r.status = platform::WaitProcess(child.pid);
    r.out = Slurp(child.outFile);
    r.err = Slurp(child.errFile);
    std::error_code ignored;
    fs::remove(child.outFile, ignored);
    fs::remove(child.errFile, ignored);
    return r;
}

RunResult RunBatch(const std::vector<std::string>& args) {
    // Logs go to the temp folder, never into a folder a test lists.
    return WaitBatch(SpawnBatch(args, fs::temp_directory_path().string()));
}

namespace {

// A strict reader of one flat JSON object.
class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : m_s(text) {}

    std::optional<std::map<std::string, JsonField>> Object(std::string& error) {
        std::map<std::string, JsonField> fields;
        Space();
        if (!Take('{')) return Fail(error, "no '{'");
        Space();
        if (!Take('}')) {
            for (;;) {
                Space();
                std::string key;
                if (!String(key)) return Fail(error, "bad key");
                Space();
                if (!Take(':')) return Fail(error, "no ':'");
                Space();
                JsonField value;
                if (Peek() == '"') {
                    value.isString = true;
                    if (!String(value.text)) return Fail(error, "bad string for " + key);
                } else if (!Scalar(value.text)) {
                    return Fail(error, "bad value for " + key);
                }
                if (!fields.emplace(key, value).second) return Fail(error, "duplicate " + key);
                Space();
                if (Take('}')) break;
                if (!Take(',')) return Fail(error, "no ','");
            }
        }
        Space();
        if (m_i != m_s.size()) return Fail(error, "text after the object");
        return fields;
    }

  private:
    std::optional<std::map<std::string, JsonField>> Fail(std::string& error,
                                                         const std::string& why) {
        error = why + " at byte " + std::to_string(m_i);
        return std::nullopt;
    }
    char Peek() const { return m_i < m_s.size() ? m_s[m_i] : '\0'; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++m_i;
        return true;
    }
    void Space() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')
            ++m_i;
    }
    unsigned Byte(size_t k) const {
        return m_i + k < m_s.size() ? static_cast<unsigned char>(m_s[m_i + k]) : 0u;
    }
    // Length of the well-formed UTF-8 sequence at the cursor, 0 when there is none.
    size_t Utf8() const {
        const unsigned c = Byte(0);
        auto in = [&](size_t k, unsigned lo, unsigned hi) {
            return Byte(k) >= lo && Byte(k) <= hi;
        };
        if (c >= 0x20 && c < 0x80) return 1;
        if (c >= 0xc2 && c <= 0xdf) return in(1, 0x80, 0xbf) ? 2 : 0;
        if (c >= 0xe0 && c <= 0xef) {
            const unsigned lo = c == 0xe0 ? 0xa0 : 0x80, hi = c == 0xed ? 0x9f : 0xbf;
            return in(1, lo, hi) && in(2, 0x80, 0xbf) ? 3 : 0;
        }
        if (c >= 0xf0 && c <= 0xf4) {
            const unsigned lo = c == 0xf0 ? 0x90 : 0x80, hi = c == 0xf4 ? 0x8f : 0xbf;
            return in(1, lo, hi) && in(2, 0x80, 0xbf) && in(3, 0x80, 0xbf) ? 4 : 0;
        }
        return 0;
    }
    bool Hex4(unsigned& v) {
        v = 0;
        for (int k = 0; k < 4; ++k, ++m_i) {
            const char c = Peek();
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            v = v * 16 + static_cast<unsigned>(std::isdigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    }
    static void Append(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xc0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xe0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        }
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        for (;;) {
            if (Take('"')) return true;
            if (Take('\\')) {
                const char e = Peek();
                ++m_i;
                static const std::string simple = "\"\\/bfnrt", value = "\"\\/\b\f\n\r\t";
                if (const size_t k = simple.find(e); e != '\0' && k != std::string::npos) {
                    out += value[k];
                    continue;
                }
                unsigned cp = 0;
                if (e != 'u' || !Hex4(cp)) return false;
                if (cp >= 0xdc00 && cp <= 0xdfff) return false; // a lone low surrogate
                if (cp >= 0xd800 && cp <= 0xdbff) {
                    unsigned low = 0;
                    if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xdc00 || low > 0xdfff)
                        return false;
                    cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
                }
                Append(out, cp);
                continue;
            }
            const size_t n = Utf8();
            if (n == 0) return false; // a control character, a stray byte or the end
            out += m_s.substr(m_i, n);
            m_i += n;
        }
    }
    bool Scalar(std::string& out) {
        static const std::regex number("-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][-+]?[0-9]+)?");
        const size_t start = m_i;
        while (m_i < m_s.size() && std::string(",} \t").find(m_s[m_i]) == std::string::npos)
            ++m_i;
        out = m_s.substr(start, m_i - start);
        return out == "null" || out == "true" || out == "false" || std::regex_match(out, number);
    }

    const std::string& m_s;
    size_t m_i = 0;
};

} // namespace

std::optional<std::map<std::string, JsonField>> ParseJsonObject(const std::string& line,
                                                                std::string& error) {
    return JsonReader(line).Object(error);
}

} // namespace clitest
