#include "services/core/Paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Only '/' separates; a backslash belongs to the name.
constexpr char kSeparator = '/';

bool IsSeparator(char pC) {
    return pC == kSeparator;
}

bool HasSeparator(const std::string& pPath) {
    return pPath.find(kSeparator) != std::string::npos;
}

// A NUL inside a path would make the file system see a shorter, different path.
bool HasNul(const std::string& pPath) {
    return pPath.find('\0') != std::string::npos;
}

bool IsBlank(const std::string& pText) {
    return std::all_of(pText.begin(), pText.end(), [](char pC) { return pC == ' '; });
}

std::string TrimBlanks(const std::string& pText) {
    const auto first = pText.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = pText.find_last_not_of(' ');
    return pText.substr(first, last - first + 1);
}

std::string ToCase(std::string pText, LetterCase pCase) {
    if (pCase == LetterCase::Lower)
        for (char& c : pText)
            c = char(std::tolower(static_cast<unsigned char>(c)));
    else if (pCase == LetterCase::Upper)
        for (char& c : pText)
            c = char(std::toupper(static_cast<unsigned char>(c)));
    return pText;
}

bool EndsWithNoCase(const std::string& pText, const std::string& pTail) {
    if (pTail.size() > pText.size()) return false;
    return std::equal(pTail.rbegin(), pTail.rend(), pText.rbegin(), [](char pA, char pB) {
        return std::tolower(static_cast<unsigned char>(pA)) ==
               std::tolower(static_cast<unsigned char>(pB));
    });
}

struct SplitPath {
    std::string Folder;
    std::string Base;
    std::string Dot;
    std::string Extension;
};

// Folder before the last separator; within the name, the extension after the last dot.
SplitPath Split(const std::string& pPath) {
    SplitPath s;
    std::string name = pPath;
    const auto sep = std::find_if(pPath.rbegin(), pPath.rend(), IsSeparator);
    if (sep != pPath.rend()) {
        const auto at = size_t(pPath.rend() - sep) - 1;
        s.Folder = pPath.substr(0, at);
        name = pPath.substr(at + 1);
    }
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        s.Base = name;
    } else {
        s.Base = name.substr(0, dot);
        s.Dot = ".";
        s.Extension = name.substr(dot + 1);
    }
    return s;
}

std::string ZeroFilled(int64_t pNumber, int32_t pDigits) {
    std::string digits = std::to_string(pNumber);
    if (pDigits > 0 && digits.size() < size_t(pDigits))
        digits.insert(0, size_t(pDigits) - digits.size(), '0');
    return digits;
}

} // namespace

std::string PathPart(const std::string& pPath, PathParts pParts, LetterCase pCase) {
    if (pPath.empty()) return {};
    const SplitPath s = Split(pPath);
    std::string out;
    if (Has(pParts, PathParts::Folder)) out += s.Folder;
    if (Has(pParts, PathParts::Separator)) out += kSeparator;
    if (Has(pParts, PathParts::BaseName)) out += s.Base;
    if (Has(pParts, PathParts::Dot)) out += s.Dot;
    if (Has(pParts, PathParts::Extension)) out += s.Extension;
    return ToCase(out, pCase);
}

std::string SetBackslash(const std::string& pPath, int32_t pRemove) {
    if (IsBlank(pPath)) return {};
    const bool hasTrailing = IsSeparator(pPath.back());
    // The root is a folder of its own; taking its '/' away would leave no path at all.
    if (pRemove) return hasTrailing && pPath.size() > 1 ? pPath.substr(0, pPath.size() - 1) : pPath;
    return hasTrailing ? pPath : pPath + kSeparator;
}

std::string EnsureExtension(const std::string& pPath, const std::string& pExtension) {
    if (pPath.empty()) return {};
    std::string ext = TrimBlanks(pExtension);
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    if (ext.empty()) return pPath;
    const std::string tail = "." + ToCase(ext, LetterCase::Lower);
    return EndsWithNoCase(pPath, tail) ? pPath : pPath + tail;
}

int32_t FileExists(const std::string& pPath) {
    if (IsBlank(pPath) || HasNul(pPath)) return 0;
    std::error_code ec;
    const auto st = fs::status(pPath, ec);
    return !ec && fs::exists(st) && !fs::is_directory(st) ? 1 : 0;
}

int32_t FolderExists(const std::string& pPath) {
    const std::string folder = SetBackslash(pPath, 1);
    if (folder.empty() || HasNul(folder)) return 0;
    std::error_code ec;
    return fs::is_directory(folder, ec) ? 1 : 0;
}

int32_t MakeFolder(const std::string& pPath) {
    const std::string folder = SetBackslash(pPath, 1);
    if (folder.empty() || HasNul(folder)) return 0;
    std::error_code ec;
    return fs::create_directory(folder, ec) && !ec ? 1 : 0;
}

int32_t DeleteFileForced(const std::string& pPath) {
    if (pPath.empty()) return 1;
    if (HasNul(pPath)) return 0;
    std::error_code ec;
    const auto st = fs::symlink_status(pPath, ec);
    if (ec || !fs::exists(st)) return ec && ec != std::errc::no_such_file_or_directory ? 0 : 1;
    if (fs::is_directory(st)) return 0;
    // Read-only means no write bit for anyone; give the owner write access back first.
    const auto writeBits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (!fs::is_symlink(st) && (st.permissions() & writeBits) == fs::perms::none)
        fs::permissions(pPath, fs::perms::owner_write, fs::perm_options::add, ec);
    ec.clear();
    return fs::remove(pPath, ec) && !ec ? 1 : 0;
}

int32_t ReplaceFile(const std::string& pFrom, const std::string& pTo, int32_t pDeleteFirst) {
    if (pFrom.empty() || pTo.empty() || HasNul(pFrom) || HasNul(pTo)) return 0;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(pFrom, ec))) return 0;
    const auto toStatus = fs::symlink_status(pTo, ec);
    if (fs::exists(toStatus)) {
        // rename() replaces the destination atomically, so it is never deleted beforehand.
        if (!pDeleteFirst || fs::is_directory(toStatus)) return 0;
    }
    ec.clear();
    fs::rename(pFrom, pTo, ec);
    return ec ? 0 : 1;
}

std::string UniqueName(const std::string& pPath, int32_t pKeepFolder, int32_t pKeepExtension,
                       int32_t pDigits, int32_t pForce) {
    if (pPath.empty()) return {};
    // A bare name has no folder: its "/" from PathPart would put it at the root.
    const std::string prefix =
        HasSeparator(pPath) ? PathPart(pPath, PathParts::FolderSlash) : std::string();
    const std::string base = PathPart(pPath, PathParts::BaseName);
    const std::string suffix = PathPart(pPath, PathParts::Suffix);
    if (!pForce && !FileExists(pPath))
        return (pKeepFolder ? prefix : std::string()) + base +
               (pKeepExtension ? suffix : std::string());
    // Bounded so that a folder where every name answers "exists" cannot hang the caller.
    for (int64_t n = 1; n <= 2147483647; ++n) {
        const std::string number = ZeroFilled(n, pDigits);
        if (FileExists(prefix + base + number + suffix)) continue;
        return (pKeepFolder ? prefix : std::string()) + base + number +
               (pKeepExtension ? suffix : std::string());
    }
    return {};
}

std::string AppFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return SetBackslash(exe.parent_path().string(), 0);
}

std::string SystemFolder() {
    return "/usr/lib/";
}

std::string CutAtNul(const std::string& pText) {
    const auto nul = pText.find('\0');
    return TrimBlanks(nul == std::string::npos ? pText : pText.substr(0, nul));
}
