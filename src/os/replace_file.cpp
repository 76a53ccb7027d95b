// Atomic file replacement (see replace_file.h): temporary file beside the target, fsync, rename,
// fsync of the folder.
#include "os/replace_file.h"
#include "os/posix_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>
#include <utility>

namespace tq::os {

namespace {

std::atomic<ReplaceHook> g_hook{nullptr};

void at(ReplacePoint p, const std::string& temp) {
    if (ReplaceHook h = g_hook.load(std::memory_order_acquire)) h(p, temp);
}

// The process's file-creation mask, read without changing it (umask() would, for every thread).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

// 64-bit FNV-1a of the whole file name: temporary names carry it, so two targets whose names
// share a long beginning never take each other's temporaries for their own.
uint64_t nameHash(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string errnoText(const char* what, int e) {
    return std::string(what) + ": " + std::strerror(e);
}

}  // namespace

std::string ResolveLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) return path;
        target.resize(static_cast<size_t>(n));
        if (target.empty()) return path;
        if (target[0] == '/') {
            path = target;
        } else {
            size_t slash = path.rfind('/');
            path = slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
        }
    }
    return path;
}

void SetReplaceHook(ReplaceHook hook) {
    g_hook.store(hook, std::memory_order_release);
}

FileReplacement::FileReplacement(FileReplacement&& o) noexcept {
    *this = std::move(o);
}

FileReplacement& FileReplacement::operator=(FileReplacement&& o) noexcept {
    if (this != &o) {
        discard();
        final_ = std::move(o.final_);
        dir_ = std::move(o.dir_);
        prefix_ = std::move(o.prefix_);
        temp_ = std::move(o.temp_);
        fd_ = o.fd_;
        hasOld_ = o.hasOld_;
        oldMode_ = o.oldMode_;
        oldUid_ = o.oldUid_;
        oldGid_ = o.oldGid_;
        o.fd_ = -1;
        o.temp_.clear();
    }
    return *this;
}

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::discard() {
    closeFd();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void FileReplacement::closeFd() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileReplacement::begin(const std::string& target, std::string& why) {
    discard();
    if (target.empty()) {
        why = "no file name";
        return false;
    }
    final_ = ResolveLinks(target);
    struct stat st;
    if (::stat(final_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            why = "it is a folder";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            why = "it is not a regular file (a device, pipe or socket)";
            return false;
        }
        hasOld_ = true;
        oldMode_ = st.st_mode & 07777;
        oldUid_ = st.st_uid;
        oldGid_ = st.st_gid;
    } else if (errno != ENOENT) {
        why = errnoText("cannot look at the file", errno);
        return false;
    } else {
        hasOld_ = false;
        oldMode_ = 0666 & ~currentUmask();
    }
    size_t slash = final_.rfind('/');
    dir_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : final_.substr(0, slash));
    const std::string base = slash == std::string::npos ? final_ : final_.substr(slash + 1);
    if (base.empty()) {
        why = "no file name";
        return false;
    }
    // ".<name>.<hash>.tq-XXXXXX": the name shortened to stay within the file-name limit, the hash
    // of the whole name to keep temporaries of different targets apart, six random characters
    // to keep concurrent writers of one target apart.
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(nameHash(base)));
    prefix_ = "." + base.substr(0, 160) + "." + hash + ".tq-";
    std::string tmpl = dir_ + "/" + prefix_ + "XXXXXX";
    fd_ = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd_ < 0) {
        why = errnoText("cannot create a file in its folder", errno);
        return false;
    }
    temp_ = std::move(tmpl);
    at(ReplacePoint::TempCreated, temp_);
    return true;
}

bool FileReplacement::write(const void* data, size_t size) {
    return posix::WriteAll(fd_, data, size);
}

bool FileReplacement::commit(std::string& why) {
    if (temp_.empty()) {
        why = "nothing to save";
        return false;
    }
    at(ReplacePoint::ContentsWritten, temp_);
    // The writer may have replaced the temporary file by its own (libraries that write through a
    // file of their own and rename it): open the path again rather than trusting fd_.
    closeFd();
    int fd = posix::OpenRetry(temp_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    bool ok = fd >= 0;
    int err = ok ? 0 : errno;
    if (ok) {
        if (hasOld_ && (oldUid_ != ::geteuid() || oldGid_ != ::getegid())) {
            // Keeping the owner needs privileges; without them the file gets the writer's owner
            // and, where allowed, the old group.
            if (::fchown(fd, oldUid_, oldGid_) != 0)
                (void)::fchown(fd, static_cast<uid_t>(-1), oldGid_);
        }
        // After chown, which may drop set-id bits.
        if (::fchmod(fd, oldMode_) != 0 || ::fsync(fd) != 0) {
            ok = false;
            err = errno;
        }
        if (::close(fd) != 0 && ok) {
            ok = false;
            err = errno;
        }
    }
    if (ok) at(ReplacePoint::Flushed, temp_);
    if (ok) at(ReplacePoint::BeforeRename, temp_);
    if (ok && ::rename(temp_.c_str(), final_.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        why = errnoText("cannot write the file", err);
        discard();
        return false;
    }
    const std::string done = std::move(temp_);
    temp_.clear();
    at(ReplacePoint::AfterRename, done);
    // Make the rename itself durable.
    int dfd = posix::OpenRetry(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void FileReplacement::removeStaleTemporaries() const {
    DIR* d = ::opendir(dir_.c_str());
    if (!d) return;
    int dfd = ::dirfd(d);
    while (struct dirent* e = ::readdir(d)) {
        std::string_view name = e->d_name;
        if (name.size() != prefix_.size() + 6 || name.compare(0, prefix_.size(), prefix_) != 0)
            continue;
        if (!temp_.empty() && temp_.size() >= name.size() &&
            temp_.compare(temp_.size() - name.size(), name.size(), name) == 0)
            continue;  // our own
        struct stat st;
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dfd, e->d_name, 0);
    }
    ::closedir(d);
}

}  // namespace tq::os
