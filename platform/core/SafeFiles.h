#pragma once

// The system calls behind replacing a file safely and claiming a free name for a finished
// result: file identity, ownership, links that never replace, folder flushes, live processes.

#include <cstdint>
#include <string>
#include <system_error>

namespace platform {

// What stat() tells about a file (links followed).
struct FileIdentity {
    uint32_t Uid = 0;
    uint32_t Gid = 0;
    uint32_t Mode = 0; // permission bits, set-id and sticky bits (07777)
    bool Regular = false;
    bool Folder = false;
    uint64_t Links = 0;
    uint64_t Device = 0; // device and inode: the same file under any path
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNs = 0; // modification time in nanoseconds

    bool SameFile(const FileIdentity& pOther) const {
        return Device == pOther.Device && Inode == pOther.Inode;
    }
    // The same file with the same length and modification time: nothing wrote to it.
    bool Unchanged(const FileIdentity& pOther) const {
        return SameFile(pOther) && Size == pOther.Size && ModifiedNs == pOther.ModifiedNs;
    }
};

// The identity of path, links followed.
std::error_code ReadIdentity(const std::string& pPath, FileIdentity& pIdentity);

// The path with every link, "." and ".." resolved (realpath); the file must exist.
std::error_code ResolvePath(const std::string& pPath, std::string& pResolved);

// Gives the file at path the owner, group and mode of identity, then flushes it to disk.
// An owner or group this process may not give is left as it is (ownerKept false); any other
// failure is returned, std::errc::no_space_on_device when the flush found the disk full.
std::error_code TakeOverIdentity(const std::string& pPath, const FileIdentity& pIdentity,
                                 bool& pOwnerKept);

// Makes a second name `to` for the file `from` (link()); std::errc::file_exists when `to`
// is taken by anything, a dangling link included.
std::error_code LinkNoReplace(const std::string& pFrom, const std::string& pTo);

// Flushes a folder's entries (a rename in it) to disk; failures are returned.
std::error_code SyncFolder(const std::string& pFolder);

// True when a process with this id exists (also one this process may not signal).
bool ProcessExists(int pPid);

// This machine's host name; empty when it cannot be read.
std::string HostName();

// What tells this boot and this process's pid namespace apart from any other: the kernel's
// boot id and the namespace's inode ("pid:[4026531836]"); empty parts where unreadable.
std::string ProcessSpace();

// An advisory lock (flock) on a file made for it; released when the object goes. Several
// processes, or several opens in one process, exclude each other; a killed holder's lock is
// gone with it.
class FileLock {
  public:
    enum class State { Taken, Busy, Failed };
    // Creates the file when needed and tries once to take the lock without waiting.
    explicit FileLock(const std::string& pPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    State Result() const { return m_State; }

  private:
    std::string m_Path;
    int m_Fd = -1;
    State m_State = State::Failed;
};

// Empty when this process may write to the file at path (access W_OK), else the reason.
std::error_code CheckCanWrite(const std::string& pPath);

// The effective user id of this process.
uint32_t EffectiveUserId();

} // namespace platform
