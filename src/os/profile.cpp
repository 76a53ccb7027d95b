#include "os/profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/text.h"

namespace tq::os {

namespace {

using profile::cstr;
using profile::Edit;

std::string osPath(std::string_view gbkPath) {
    return text::pathToOs(cstr(gbkPath));
}

int retryOpen(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads the whole open regular file (at most kMaxProfileBytes); false on a read error or when
// the file is too big.
bool readAll(int fd, const struct stat& st, std::string& out) {
    if (static_cast<uint64_t>(st.st_size) > kMaxProfileBytes) return false;
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (out.size() >= kMaxProfileBytes) {
                // Grew past the limit while being read: check there is really more.
                char probe;
                ssize_t n = ::pread(fd, &probe, 1, static_cast<off_t>(got));
                if (n == 0) break;
                if (n < 0 && errno == EINTR) continue;
                return false;
            }
            out.resize(std::min(kMaxProfileBytes, out.size() + 65536));
        }
        ssize_t n = ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

bool writeAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Follows symbolic links in the last component until a path that is not a link (which may not
// exist yet): a write then replaces the link's target and keeps the link.
std::string resolveLinks(std::string path) {
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

void splitPath(const std::string& path, std::string& dir, std::string& base) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        base = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
}

// Temporary files of a target are named ".<name>.tqini-XXXXXX" (the name shortened so that the
// whole stays within the file-name limit).
std::string tempPrefix(const std::string& base) {
    return "." + base.substr(0, 200) + ".tqini-";
}

// Called with the lock held: no writer of this file is between creating and renaming its
// temporary file, so any temporary file of this target is left over from a killed writer.
void removeStaleTemps(const std::string& dir, const std::string& prefix) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    int dfd = ::dirfd(d);
    while (struct dirent* e = ::readdir(d)) {
        std::string_view name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        struct stat st;
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dfd, e->d_name, 0);
    }
    ::closedir(d);
}

// Replaces `target` by a new file holding `data`, with the permission bits and owner of `old`.
bool replaceFile(const std::string& target, const struct stat& old, std::string_view data) {
    std::string dir, base;
    splitPath(target, dir, base);
    const std::string prefix = tempPrefix(base);
    removeStaleTemps(dir, prefix);
    std::string tmp = dir + "/" + prefix + "XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keeping the owner needs privileges; without them the file gets the writer's owner.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);  // chown may have dropped set-id bits
    }
    ok = ok && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dfd = retryOpen(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool wantsCreate(const std::vector<Edit>& edits) {
    for (const Edit& e : edits)
        if (e.kind == Edit::Set && profile::editIsValid(e)) return true;
    return false;
}

}  // namespace

ProfileSnapshot ProfileSnapshot::read(std::string_view path) {
    ProfileSnapshot s;
    std::string os = osPath(path);
    if (os.empty()) return s;
    int fd = retryOpen(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return s;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !readAll(fd, st, s.data_)) s.data_.clear();
    ::close(fd);
    return s;
}

bool editProfile(std::string_view path, const std::vector<Edit>& edits) {
    std::string os = osPath(path);
    if (os.empty() || edits.empty()) return false;
    const bool create = wantsCreate(edits);
    const std::string target = resolveLinks(os);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        int fd =
            retryOpen(target.c_str(),
                      O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (create ? O_CREAT : 0), 0666);
        if (fd < 0) return !create && errno == ENOENT;  // deleting from a missing file: done
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return false;
        }
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        struct stat now;
        if (rc != 0 || ::fstat(fd, &st) != 0 || ::stat(target.c_str(), &now) != 0 ||
            now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
            // Another writer replaced (or removed) the file while we waited: start again on the
            // file the path names now.
            ::close(fd);
            if (rc != 0) return false;
            continue;
        }
        std::string data;
        bool ok = readAll(fd, st, data);
        if (ok) {
            bool changed = false;
            for (const Edit& e : edits) changed = profile::applyEdit(data, e) || changed;
            if (changed) ok = data.size() <= kMaxProfileBytes && replaceFile(target, st, data);
        }
        ::close(fd);  // releases the lock
        return ok;
    }
    return false;
}

uint32_t GetFileAttributesA(const char* path) {
    if (!path || !*path) return INVALID_FILE_ATTRIBUTES_;
    std::string os = osPath(path);
    struct stat st;
    if (::stat(os.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES_;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY_;
    if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_DEVICE_;
    uint32_t a = FILE_ATTRIBUTE_NORMAL_;
    if (::access(os.c_str(), W_OK) != 0) a |= FILE_ATTRIBUTE_READONLY_;
    return a;
}

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buf,
                                  uint32_t size, const char* path) {
    if (!buf || size == 0) return 0;
    ProfileSnapshot s = ProfileSnapshot::read(path ? path : "");
    if (!section) return profile::copyList(s.sectionNames(), buf, size);
    if (!key) return profile::copyList(s.keyNames(section), buf, size);
    String v;
    if (!s.value(section, key, v)) {
        // The default loses trailing blanks, as on Windows.
        std::string_view d = def ? def : "";
        while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
        v.assign(d);
    }
    size_t n = std::min<size_t>(v.size(), size - 1);
    std::memcpy(buf, v.data(), n);
    buf[n] = '\0';
    return static_cast<uint32_t>(n);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
    if (!section || !path) return false;
    Edit e;
    e.section = section;
    if (!key) {
        e.kind = Edit::DeleteSection;
    } else if (!value) {
        e.kind = Edit::DeleteKey;
        e.key = key;
    } else {
        e.kind = Edit::Set;
        e.key = key;
        e.value = value;
        if (!profile::editIsValid(e)) return false;
    }
    return editProfile(path, {e});
}

uint32_t GetPrivateProfileSectionA(const char* section, char* buf, uint32_t size,
                                   const char* path) {
    if (!buf || size == 0) return 0;
    ProfileSnapshot s = ProfileSnapshot::read(path ? path : "");
    return profile::copyList(section ? s.entries(section) : StringArray{}, buf, size);
}

uint32_t GetPrivateProfileSectionNamesA(char* buf, uint32_t size, const char* path) {
    if (!buf || size == 0) return 0;
    ProfileSnapshot s = ProfileSnapshot::read(path ? path : "");
    return profile::copyList(s.sectionNames(), buf, size);
}

}  // namespace tq::os
