// Bounded reading of regular files (see file_read.h).
#include "os/file_read.h"
#include "os/posix_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tq::os {

namespace {

// OpenRegularFile, also giving the file's size.
int openRegular(const std::string& path, std::string& why, uint64_t& size) {
    if (path.empty()) {
        why = "no file name";
        return -1;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type check below refuses it.
    int fd = posix::OpenRetry(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
    size = static_cast<uint64_t>(st.st_size);
    return fd;
}

}  // namespace

int OpenRegularFile(const std::string& path, std::string& why) {
    uint64_t size = 0;
    return openRegular(path, why, size);
}

namespace {
std::string tooLarge(uint64_t maxBytes) {
    return "the file is larger than the limit of " + std::to_string(maxBytes) + " bytes";
}
}  // namespace

bool ReadOpenFile(int fd, uint64_t maxBytes, std::string& out, std::string& why) {
    out.clear();
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        why = tooLarge(maxBytes);
        return false;
    }
    // Read straight into `out`, one byte more than the file's size so that a file that grew
    // meanwhile is noticed; never more than one byte past the limit.
    const uint64_t room = maxBytes < UINT64_MAX ? maxBytes + 1 : maxBytes;
    out.resize(static_cast<size_t>(std::min<uint64_t>(room, uint64_t(st.st_size) + 1)));
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (got >= room) {
                why = tooLarge(maxBytes);
                out.clear();
                return false;
            }
            out.resize(static_cast<size_t>(std::min<uint64_t>(room, uint64_t(got) * 2 + 65536)));
        }
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            why = std::strerror(errno);
            out.clear();
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    if (got > maxBytes) {
        why = tooLarge(maxBytes);
        out.clear();
        return false;
    }
    out.resize(got);
    return true;
}

bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::string& out,
                     std::string& why) {
    out.clear();
    int fd = OpenRegularFile(path, why);
    if (fd < 0) return false;
    bool ok = ReadOpenFile(fd, maxBytes, out, why);
    ::close(fd);
    return ok;
}

RegularFile::~RegularFile() {
    close();
}

bool RegularFile::open(const std::string& path, std::string& why) {
    close();
    fd_ = openRegular(path, why, size_);
    return fd_ >= 0;
}

void RegularFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

size_t RegularFile::readAt(uint64_t offset, void* buf, size_t n) const {
    return fd_ < 0 ? 0 : posix::ReadAllAt(fd_, offset, buf, n);
}

}  // namespace tq::os
