#pragma once

// What becomes of an original that a result replaces: it goes to the desktop's Trash, is
// copied into a backup folder, or is simply replaced. The original is kept before the result
// takes its name, so at no moment is the source path missing or lost.

#include <string>

namespace results {

enum class KeepOriginal {
    Trash,  // a second name in the Trash of the file's own file system
    Backup, // a copy in a folder that mirrors the absolute path
    None,   // replaced as it is
};

struct OriginalsRule {
    KeepOriginal Keep = KeepOriginal::Trash;
    std::string BackupDir; // Backup: the folder the copies go into
};

// Where an original was kept; all empty for KeepOriginal::None.
struct KeptOriginal {
    std::string Path;      // the trashed or copied original
    std::string TrashInfo; // its .trashinfo (trash only)
};

// The backup path of pFile (absolute) under pBackupDir: the folder mirrors the absolute path.
std::string BackupPathFor(const std::string& pBackupDir, const std::string& pFile);

// Keeps the original pFile as the rule says, then renames the work file over it
// (ReplaceWithResult). An error text when the original could not be kept ("not replaced:
// ...") or the rename failed; nothing is kept then and pFile is untouched.
std::string KeepAndReplace(const std::string& pWorkFile, const std::string& pFile,
                           const OriginalsRule& pRule, KeptOriginal& pKept);

} // namespace results
