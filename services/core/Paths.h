#pragma once

// Path and file helpers.
//
// Paths are split at their last '/', the only separator here; a backslash is an ordinary
// character of a name ("x\y.wav" is one file). A separator that a helper adds is '/'.
// Flags are 0 or 1; results are 0/1 for the tests and file operations and an empty string
// when a string helper fails. Nothing throws.

#include <cstdint>
#include <string>

// The parts of a path, in the order PathPart joins them: folder, separator, base name, dot,
// extension. Combined with |.
enum class PathParts : uint32_t {
    Folder = 1,
    Separator = 2,
    BaseName = 4,
    Dot = 8,
    Extension = 16,
    Suffix = Dot | Extension,          // ".wav"
    Name = BaseName | Dot | Extension, // "take.wav"
    FolderSlash = Folder | Separator,  // "/in/"
};
constexpr PathParts operator|(PathParts pA, PathParts pB) {
    return PathParts(uint32_t(pA) | uint32_t(pB));
}
constexpr bool Has(PathParts pSet, PathParts pPart) {
    return (uint32_t(pSet) & uint32_t(pPart)) != 0;
}

// How PathPart treats letters (ASCII only).
enum class LetterCase { Keep, Lower, Upper };

// The chosen parts of the path, joined in the fixed order folder, separator, base name, dot,
// extension. The separator is appended whenever it is chosen, even when the folder is empty,
// so a bare name gives "/" as its FolderSlash: callers joining a bare name must not take that
// as the root. Empty for an empty path.
std::string PathPart(const std::string& pPath, PathParts pParts,
                     LetterCase pCase = LetterCase::Keep);

// pRemove 0: adds a trailing separator when there is none; pRemove 1: removes one trailing
// separator when there is one; the root "/" stays "/". Empty for a path that is empty or only
// blanks.
std::string SetBackslash(const std::string& pPath, int32_t pRemove);

// The path with ".ext" (extension given with or without its dot, blanks trimmed) appended in
// lower case, unless the path already ends with it (compared without regard to case).
// Unchanged when the extension is empty; empty for an empty path.
std::string EnsureExtension(const std::string& pPath, const std::string& pExtension);

// 1 when the path names an existing object that is not a folder.
int32_t FileExists(const std::string& pPath);
// 1 when the path (one trailing separator removed) names an existing folder.
int32_t FolderExists(const std::string& pPath);
// Creates one folder level (trailing separator removed first); 1 on success.
int32_t MakeFolder(const std::string& pPath);

// Deletes a file, making it writable first when it is read-only. 1 when the file is gone
// (also when it never existed), 0 when the deletion failed (folders are never deleted).
int32_t DeleteFileForced(const std::string& pPath);

// Moves pFrom to pTo; 1 on success. With pDeleteFirst 1 an existing pTo is replaced in one
// atomic rename (there is no moment without a file at pTo); with 0 an existing pTo is left
// alone and the call fails.
int32_t ReplaceFile(const std::string& pFrom, const std::string& pTo, int32_t pDeleteFirst);

// A numbered form of the path that does not exist: the path itself when it does not exist
// and pForce is 0, else folder + base + n (zero-filled to pDigits) + dot + extension for the
// first n = 1, 2, ... whose full candidate does not exist. The folder and the extension are
// left out of the result when pKeepFolder / pKeepExtension are 0. A bare name stays bare
// (relative to the current folder), never placed at the root.
std::string UniqueName(const std::string& pPath, int32_t pKeepFolder, int32_t pKeepExtension,
                       int32_t pDigits, int32_t pForce);

// The folder of the running program (from /proc/self/exe), with a trailing '/'.
std::string AppFolder();
// The system library folder, "/usr/lib/", with a trailing '/'.
std::string SystemFolder();

// The text cut before its first NUL, then trimmed of blanks at both ends.
std::string CutAtNul(const std::string& pText);
