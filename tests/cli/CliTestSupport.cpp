#include "CliTestSupport.h"

#include "WavGen.h"
#include "common/WavWriter.h"
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
    m_Path = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_Path, ec);
}

namespace {

std::string Slurp(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

void WriteToneWav(const std::string& pPath, int pChannels, int pRate, int64_t pFrames,
                  int16_t pAmplitude) {
    const double seconds = static_cast<double>(pFrames) / pRate;
    WavGenOptions o;
    o.Rate = pRate;
    o.Channels = pChannels;
    o.Seconds = seconds * 0.8;
    o.LeadSilence = o.TailSilence = seconds * 0.1;
    o.PeakDb = 20.0 * std::log10(pAmplitude / 32768.0);
    o.Seed = static_cast<uint32_t>(pAmplitude);
    if (!GenerateWav(pPath, o)) throw std::runtime_error("cannot write " + pPath);
}

std::vector<char> WavBytes(uint16_t pFormatTag, uint16_t pChannels, uint16_t pBits, uint32_t pRate,
                           uint32_t pDataBytes) {
    std::string ramp(pDataBytes, '\0');
    for (uint32_t i = 0; i < pDataBytes; ++i)
        ramp[i] = char(i * 7);
    const std::string b =
        testwav::Wav({int32_t(pRate), pBits, pChannels, false, false, 0, pFormatTag}, ramp);
    return {b.begin(), b.end()};
}

std::string ReadText(const std::string& pPath) {
    return Slurp(pPath);
}

std::string VectorsDir() {
    const char* v = std::getenv("QUILLAN_VECTORS");
    return v ? v : QUILLAN_VECTORS_DIR;
}

std::optional<std::string> JsonValue(const std::string& pJson, const std::string& pKey) {
    std::smatch m;
    std::regex re("\"" + pKey + "\"\\s*:\\s*(\"(?:[^\"\\\\]|\\\\.)*\"|[^,}\\s]+)");
    if (!std::regex_search(pJson, m, re)) return std::nullopt;
    return m[1].str();
}

std::vector<char> ReadBytes(const std::string& pPath) {
    std::string s = Slurp(pPath);
    return {s.begin(), s.end()};
}

void WriteBytes(const std::string& pPath, const std::vector<char>& pBytes) {
    std::ofstream out(pPath, std::ios::binary);
    out.write(pBytes.data(), static_cast<std::streamsize>(pBytes.size()));
}

std::vector<std::string> Listing(const fs::path& pFolder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(pFolder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string BatchBinary() {
    if (const char* dir = std::getenv("QUILLAN_BINARY_DIR"))
        return std::string(dir) + "/cli/quillan-batch";
    return QUILLAN_BATCH_PATH;
}

Spawned SpawnBatch(const std::vector<std::string>& pArgs, const std::string& pLogFolder,
                   const std::string& pInput) {
    static int counter = 0;
    Spawned s;
    const std::string tag =
        std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter);
    s.OutFile = pLogFolder + "/stdout-" + tag;
    s.ErrFile = pLogFolder + "/stderr-" + tag;
    std::vector<std::string> command{BatchBinary()};
    command.insert(command.end(), pArgs.begin(), pArgs.end());
    std::string error;
    s.Pid = platform::StartProcess(command, {pInput, s.OutFile, s.ErrFile}, error);
    return s;
}

RunResult WaitBatch(const Spawned& pChild) {
    RunResult r;
    r.Status = platform::WaitProcess(pChild.Pid);
    r.Out = Slurp(pChild.OutFile);
    r.Err = Slurp(pChild.ErrFile);
    std::error_code ignored;
    fs::remove(pChild.OutFile, ignored);
    fs::remove(pChild.ErrFile, ignored);
    return r;
}

RunResult RunBatch(const std::vector<std::string>& pArgs) {
    // Logs go to the temp folder, never into a folder a test lists.
    return WaitBatch(SpawnBatch(pArgs, fs::temp_directory_path().string()));
}

namespace {

// A strict reader of one flat JSON object.
class JsonReader {
  public:
    explicit JsonReader(const std::string& pText) : m_S(pText) {}

    std::optional<std::map<std::string, JsonField>> Object(std::string& pError) {
        std::map<std::string, JsonField> fields;
        Space();
        if (!Take('{')) return Fail(pError, "no '{'");
        Space();
        if (!Take('}')) {
            for (;;) {
                Space();
                std::string key;
                if (!String(key)) return Fail(pError, "bad key");
                Space();
                if (!Take(':')) return Fail(pError, "no ':'");
                Space();
                JsonField value;
                if (Peek() == '"') {
                    value.IsString = true;
                    if (!String(value.Text)) return Fail(pError, "bad string for " + key);
                } else if (Peek() == '[' || Peek() == '{') {
                    if (!Nested(value.Text)) return Fail(pError, "bad nested value for " + key);
                } else if (!Scalar(value.Text)) {
                    return Fail(pError, "bad value for " + key);
                }
                if (!fields.emplace(key, value).second) return Fail(pError, "duplicate " + key);
                Space();
                if (Take('}')) break;
                if (!Take(',')) return Fail(pError, "no ','");
            }
        }
        Space();
        if (m_I != m_S.size()) return Fail(pError, "text after the object");
        return fields;
    }

  private:
    std::optional<std::map<std::string, JsonField>> Fail(std::string& pError,
                                                         const std::string& pWhy) {
        pError = pWhy + " at byte " + std::to_string(m_I);
        return std::nullopt;
    }
    char Peek() const { return m_I < m_S.size() ? m_S[m_I] : '\0'; }
    bool Take(char pC) {
        if (Peek() != pC) return false;
        ++m_I;
        return true;
    }
    void Space() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')
            ++m_I;
    }
    unsigned Byte(size_t pK) const {
        return m_I + pK < m_S.size() ? static_cast<unsigned char>(m_S[m_I + pK]) : 0u;
    }
    // Length of the well-formed UTF-8 sequence at the cursor, 0 when there is none.
    size_t Utf8() const {
        const unsigned c = Byte(0);
        auto in = [&](size_t pK, unsigned pLo, unsigned pHi) {
            return Byte(pK) >= pLo && Byte(pK) <= pHi;
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
    bool Hex4(unsigned& pV) {
        pV = 0;
        for (int k = 0; k < 4; ++k, ++m_I) {
            const char c = Peek();
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            pV = pV * 16 + static_cast<unsigned>(std::isdigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        return true;
    }
    static void Append(std::string& pOut, unsigned pCp) {
        if (pCp < 0x80) {
            pOut += static_cast<char>(pCp);
        } else if (pCp < 0x800) {
            pOut += static_cast<char>(0xc0 | (pCp >> 6));
            pOut += static_cast<char>(0x80 | (pCp & 0x3f));
        } else if (pCp < 0x10000) {
            pOut += static_cast<char>(0xe0 | (pCp >> 12));
            pOut += static_cast<char>(0x80 | ((pCp >> 6) & 0x3f));
            pOut += static_cast<char>(0x80 | (pCp & 0x3f));
        } else {
            pOut += static_cast<char>(0xf0 | (pCp >> 18));
            pOut += static_cast<char>(0x80 | ((pCp >> 12) & 0x3f));
            pOut += static_cast<char>(0x80 | ((pCp >> 6) & 0x3f));
            pOut += static_cast<char>(0x80 | (pCp & 0x3f));
        }
    }
    bool String(std::string& pOut) {
        if (!Take('"')) return false;
        for (;;) {
            if (Take('"')) return true;
            if (Take('\\')) {
                const char e = Peek();
                ++m_I;
                static const std::string simple = "\"\\/bfnrt", value = "\"\\/\b\f\n\r\t";
                if (const size_t k = simple.find(e); e != '\0' && k != std::string::npos) {
                    pOut += value[k];
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
                Append(pOut, cp);
                continue;
            }
            const size_t n = Utf8();
            if (n == 0) return false; // a control character, a stray byte or the end
            pOut += m_S.substr(m_I, n);
            m_I += n;
        }
    }
    // An array or object, its brackets balanced and its strings well formed; kept as its text.
    bool Nested(std::string& pOut) {
        const size_t start = m_I;
        int depth = 0;
        do {
            const char c = Peek();
            if (c == '"') {
                std::string text;
                if (!String(text)) return false;
                continue;
            }
            if (c == '\0') return false;
            if (c == '[' || c == '{') ++depth;
            if (c == ']' || c == '}') --depth;
            ++m_I;
        } while (depth > 0);
        pOut = m_S.substr(start, m_I - start);
        return true;
    }
    bool Scalar(std::string& pOut) {
        static const std::regex number("-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][-+]?[0-9]+)?");
        const size_t start = m_I;
        while (m_I < m_S.size() && std::string(",} \t").find(m_S[m_I]) == std::string::npos)
            ++m_I;
        pOut = m_S.substr(start, m_I - start);
        return pOut == "null" || pOut == "true" || pOut == "false" ||
               std::regex_match(pOut, number);
    }

    const std::string& m_S;
    size_t m_I = 0;
};

} // namespace

std::optional<std::map<std::string, JsonField>> ParseJsonObject(const std::string& pLine,
                                                                std::string& pError) {
    return JsonReader(pLine).Object(pError);
}

} // namespace clitest
