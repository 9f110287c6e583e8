#include "platform/core/Trash.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

std::string ErrnoText(int pErr) {
    return std::error_code(pErr, std::generic_category()).message();
}

std::string FolderOf(const std::string& pPath) {
    const auto slash = pPath.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : pPath.substr(0, slash);
}

// Makes pPath a folder of this user (0700) unless it is one already; a link never counts.
bool OwnFolder(const std::string& pPath) {
    if (mkdir(pPath.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    return lstat(pPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

// Makes every missing folder of pPath (for the home trash, whose parents may be missing).
bool MakeFolders(const std::string& pPath) {
    for (size_t at = pPath.find('/', 1); at != std::string::npos; at = pPath.find('/', at + 1))
        if (mkdir(pPath.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return false;
    return OwnFolder(pPath);
}

// The top folder of the mount that holds pFolder: the highest folder on the same device.
std::string TopFolder(const std::string& pFolder, dev_t pDevice) {
    std::string top = pFolder;
    while (top != "/") {
        const std::string up = FolderOf(top);
        struct stat st {};
        if (stat(up.c_str(), &st) != 0 || st.st_dev != pDevice) break;
        top = up;
    }
    return top;
}

// The trash for a file on device pDevice in pFolder; empty with pError set when none works.
std::string TrashFor(const std::string& pFolder, dev_t pDevice, std::string& pError) {
    const std::string home = HomeTrash();
    struct stat st {};
    if (MakeFolders(home) && stat(home.c_str(), &st) == 0 && st.st_dev == pDevice) return home;
    const std::string top = TopFolder(pFolder, pDevice);
    const std::string base = top == "/" ? "" : top;
    const std::string uid = std::to_string(geteuid());
    // An admin-made .Trash: a real folder with the sticky bit, never a link.
    const std::string shared = base + "/.Trash";
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        OwnFolder(shared + "/" + uid))
        return shared + "/" + uid;
    const std::string own = base + "/.Trash-" + uid;
    if (OwnFolder(own)) return own;
    pError = "no trash can be made on the file system of " + pFolder + " (" + own + ": " +
             ErrnoText(errno) + ")";
    return {};
}

// "take.wav", "take.2.wav", "take.3.wav", ...
std::string EntryName(const std::string& pName, int pN) {
    if (pN == 1) return pName;
    const auto dot = pName.rfind('.');
    if (dot == std::string::npos || dot == 0) return pName + "." + std::to_string(pN);
    return pName.substr(0, dot) + "." + std::to_string(pN) + pName.substr(dot);
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int pFd, const std::string& pText) {
    size_t done = 0;
    while (done < pText.size()) {
        const ssize_t n = write(pFd, pText.data() + done, pText.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return fsync(pFd) == 0;
}

void SyncFolderOf(const std::string& pPath) {
    const int fd = open(FolderOf(pPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)fsync(fd);
    close(fd);
}

} // namespace

std::string HomeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

std::string TrashPathText(const std::string& pPath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : pPath) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            text += char(c);
        } else {
            text += '%';
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text;
}

TrashEntry LinkIntoTrash(const std::string& pPath) {
    TrashEntry entry;
    struct stat st {};
    if (pPath.empty() || pPath[0] != '/' || stat(pPath.c_str(), &st) != 0) {
        entry.Error = "cannot read " + pPath + ": " + ErrnoText(errno ? errno : ENOENT);
        return entry;
    }
    const std::string trash = TrashFor(FolderOf(pPath), st.st_dev, entry.Error);
    if (trash.empty()) return entry;
    if (!OwnFolder(trash + "/files") || !OwnFolder(trash + "/info")) {
        entry.Error = "cannot make the trash folders in " + trash + ": " + ErrnoText(errno);
        return entry;
    }
    const std::string name = pPath.substr(pPath.rfind('/') + 1);
    const std::string text =
        "[Trash Info]\nPath=" + TrashPathText(pPath) + "\nDeletionDate=" + DeletionDate() + "\n";
    for (int n = 1; n < 10000; ++n) {
        // The .trashinfo claims the name first; only then the file gets it.
        const std::string entryName = EntryName(name, n);
        const std::string info = trash + "/info/" + entryName + ".trashinfo";
        const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            entry.Error = "cannot write " + info + ": " + ErrnoText(errno);
            return entry;
        }
        const bool written = WriteAll(fd, text);
        const int writeErr = errno;
        close(fd);
        const std::string file = trash + "/files/" + entryName;
        if (written && link(pPath.c_str(), file.c_str()) == 0) {
            SyncFolderOf(info);
            SyncFolderOf(file);
            entry.File = file;
            entry.Info = info;
            return entry;
        }
        const int err = written ? errno : writeErr;
        unlink(info.c_str());
        if (written && err == EEXIST) continue; // a file without its info: another name
        entry.Error = (written ? "cannot link the original into " + trash + "/files: "
                               : "cannot write " + info + ": ") +
                      ErrnoText(err);
        return entry;
    }
    entry.Error = "no free name in " + trash + " for " + name;
    return entry;
}

void RemoveTrashEntry(const TrashEntry& pEntry) {
    if (!pEntry.File.empty()) unlink(pEntry.File.c_str());
    if (!pEntry.Info.empty()) unlink(pEntry.Info.c_str());
}

} // namespace platform
