#pragma once

// The desktop's Trash: the home trash ($XDG_DATA_HOME/Trash) for files on the home file
// system, $topdir/.Trash/$uid or $topdir/.Trash-$uid on other mounts. Each entry is a file
// under files/ and a NAME.trashinfo under info/ holding its original path and deletion date,
// so any file manager lists and restores it.

#include <string>

namespace platform {

struct TrashEntry {
    std::string File;  // the entry's name for the file, under files/
    std::string Info;  // its .trashinfo, under info/
    std::string Error; // why no entry was made; File and Info are then empty
};

// Gives the file at pPath (an absolute path, links resolved) a second name in the trash of its
// file system, with its .trashinfo. The file itself stays where it is: whoever replaces it
// next renames over it, so the path is never missing. Nothing is made on failure.
TrashEntry LinkIntoTrash(const std::string& pPath);

// Removes an entry made by LinkIntoTrash (a replace that failed after all).
void RemoveTrashEntry(const TrashEntry& pEntry);

// The home trash folder: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::string HomeTrash();

// The path as a .trashinfo holds it: bytes outside A-Z a-z 0-9 and -_.~/ as %XX.
std::string TrashPathText(const std::string& pPath);

} // namespace platform
