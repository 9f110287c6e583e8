#pragma once
// A scratch file for the fuzz harnesses that lives in memory only (memfd) and is reached by a
// path (/proc/self/fd/N), so the code under test opens it like any file and nothing is left
// on disk however the process ends.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class MemoryFile {
  public:
    MemoryFile() : m_fd(::memfd_create("quillan-fuzz", MFD_CLOEXEC)) {
        if (m_fd < 0) std::abort();
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the content with the bytes.
    void Fill(const uint8_t* pData, size_t pSize) {
        if (::ftruncate(m_fd, 0) != 0) std::abort();
        for (size_t done = 0; done < pSize;) {
            const ssize_t n = ::pwrite(m_fd, pData + done, pSize - done, off_t(done));
            if (n <= 0) std::abort();
            done += size_t(n);
        }
    }
    const std::string& Path() const { return m_path; }
    // The descriptor, for code that writes through an open handle.
    int Handle() const { return m_fd; }

  private:
    int m_fd;
    std::string m_path;
};
