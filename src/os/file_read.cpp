// Bounded reading of regular files (see file_read.h).
#include "os/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tq::os {

int OpenRegularFile(const std::string& path, std::string& why) {
    if (path.empty()) {
        why = "no file name";
        return -1;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type check below refuses it.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? "it is a folder"
                                  : "it is not a regular file (a device, pipe or socket)";
        ::close(fd);
        return -1;
    }
    // Back to blocking reads for the regular file.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::string& out,
                     std::string& why) {
    out.clear();
    int fd = OpenRegularFile(path, why);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && static_cast<uint64_t>(st.st_size) > maxBytes) {
        why = "the file is larger than the limit of " + std::to_string(maxBytes) + " bytes";
        ::close(fd);
        return false;
    }
    if (ok) out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    while (ok) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            why = std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0) break;
        if (out.size() + static_cast<uint64_t>(n) > maxBytes) {
            why = "the file is larger than the limit of " + std::to_string(maxBytes) + " bytes";
            ok = false;
            break;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) out.clear();
    return ok;
}

}  // namespace tq::os
