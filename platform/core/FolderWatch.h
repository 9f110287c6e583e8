#pragma once

// Kernel notification (inotify) of files that land in a folder: written and closed, or moved
// in. With recursion every folder below is watched, new ones as they appear; hidden folders
// and links to folders are not followed.

#include <map>
#include <string>
#include <vector>

namespace platform {

struct FolderEvent {
    enum class Kind {
        FileLanded,  // Path was closed after writing, or moved in
        FolderAdded, // Path is a new folder below the root (now watched); scan it
        Overflow,    // events were lost: scan everything again
        RootGone,    // the watched folder was deleted, moved or unmounted (Reason)
    };
    Kind What = Kind::FileLanded;
    std::string Path;
    std::string Reason;
};

class FolderWatch {
  public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts watching pRoot (and, recursive, every folder below). The reason on failure.
    std::string Open(const std::string& pRoot, bool pRecursive);

    // Events that arrive within pTimeoutMs; none after the timeout or a signal.
    std::vector<FolderEvent> Wait(int pTimeoutMs);

  private:
    void WatchTree(const std::string& pFolder);
    int AddWatch(const std::string& pFolder);
    void Parse(const char* pBuffer, long pLength, std::vector<FolderEvent>& pEvents);

    int m_Fd = -1;
    int m_RootWd = -1;
    bool m_Recursive = false;
    std::map<int, std::string> m_Folders; // watch descriptor -> folder path
};

} // namespace platform
