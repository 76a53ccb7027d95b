// The small POSIX steps the rest of src/os repeats (internal to src/os): opening a file again
// when a signal interrupts the call, writing a whole buffer, and reading a whole range at an
// offset.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace tq::os::posix {

/// open(2), again while a signal interrupts it.
inline int OpenRetry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

/// openat(2), again while a signal interrupts it.
inline int OpenAtRetry(int dirFd, const char* name, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::openat(dirFd, name, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

/// Writes all `n` bytes; false (errno set) on an error.
inline bool WriteAll(int fd, const void* data, size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

/// Reads `n` bytes at `offset`; fewer at the end of the file or on an error (errno set).
inline size_t ReadAllAt(int fd, uint64_t offset, void* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd, static_cast<char*>(buf) + done, n - done,
                              static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

}  // namespace tq::os::posix
