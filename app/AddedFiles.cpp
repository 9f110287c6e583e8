#include "app/AddedFiles.h"

#include "services/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace app {

namespace {

bool IsDigit(char pC) {
    return pC >= '0' && pC <= '9';
}

// -1, 0 or 1 as the natural order of the two names; 0 when they differ only in
// leading zeros.
int NaturalCompare(const std::string& pA, const std::string& pB) {
    size_t i = 0, j = 0;
    while (i < pA.size() && j < pB.size()) {
        if (IsDigit(pA[i]) && IsDigit(pB[j])) {
            while (i < pA.size() && pA[i] == '0')
                ++i;
            while (j < pB.size() && pB[j] == '0')
                ++j;
            size_t endA = i, endB = j;
            while (endA < pA.size() && IsDigit(pA[endA]))
                ++endA;
            while (endB < pB.size() && IsDigit(pB[endB]))
                ++endB;
            // Without leading zeros, the longer run is the larger number.
            if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
            const int digits = pA.compare(i, endA - i, pB, j, endB - j);
            if (digits != 0) return digits < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        const auto a = static_cast<unsigned char>(pA[i]), b = static_cast<unsigned char>(pB[j]);
        if (a != b) return a < b ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < pA.size()) return 1;
    if (j < pB.size()) return -1;
    return 0;
}

bool IsRegularFile(const fs::path& pPath) {
    std::error_code ec;
    return fs::is_regular_file(pPath, ec);
}

bool IsFolder(const fs::path& pPath) {
    std::error_code ec;
    return fs::is_directory(pPath, ec);
}

class FolderWalk {
  public:
    explicit FolderWalk(std::vector<std::string>& pOut) : m_Out(pOut) {}

    void Add(const fs::path& pPath) {
        if (IsFolder(pPath)) {
            AddFolder(pPath);
        } else if (HasWavExtension(pPath.string()) && IsRegularFile(pPath)) {
            m_Out.push_back(pPath.string());
        }
    }

  private:
    void AddFolder(const fs::path& pFolder) {
        std::error_code ec;
        // The folder a chain of links ends in: a loop leads back to one already walked.
        const fs::path real = fs::canonical(pFolder, ec);
        if (ec || !m_Walked.insert(real.string()).second) return;
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(pFolder, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        std::sort(entries.begin(), entries.end(), [](const fs::path& pA, const fs::path& pB) {
            return NaturalLess(pA.filename().string(), pB.filename().string());
        });
        for (const fs::path& entry : entries)
            Add(entry);
    }

    std::vector<std::string>& m_Out;
    std::set<std::string> m_Walked;
};

} // namespace

bool NaturalLess(const std::string& pA, const std::string& pB) {
    const int natural = NaturalCompare(pA, pB);
    return natural != 0 ? natural < 0 : pA < pB;
}

bool HasWavExtension(const std::string& pPath) {
    return PathPart(pPath, PathParts::Extension) == "wav";
}

std::vector<std::string> WavFilesIn(const std::vector<std::string>& pPaths) {
    std::vector<std::string> files;
    FolderWalk walk(files);
    for (const std::string& path : pPaths)
        if (!path.empty()) walk.Add(fs::path(path));
    return files;
}

std::vector<std::string> PathsFromArguments(const QStringList& pArguments,
                                            const QString& pCurrentDir) {
    std::vector<std::string> paths;
    const QDir current(pCurrentDir);
    for (const QString& argument : pArguments) {
        if (argument.isEmpty() || argument == QStringLiteral("--")) continue;
        QString path = argument;
        // Addresses ("file:///x.wav", "https://...") give local files only.
        if (argument.startsWith(QStringLiteral("file:")) ||
            argument.contains(QStringLiteral("://"))) {
            const QUrl url(argument);
            if (!url.isLocalFile()) continue;
            path = url.toLocalFile();
        }
        if (!path.startsWith(QLatin1Char('/'))) path = current.absoluteFilePath(path);
        paths.push_back(QFile::encodeName(path).toStdString());
    }
    return paths;
}

} // namespace app
