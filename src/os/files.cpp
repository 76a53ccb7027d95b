// Files and folders on Linux: existence tests, the library's own module file, copying a folder
// tree and emptying one without ever leaving it, and the host name.
//
// The tree walks work on open folder descriptors (openat/unlinkat with O_NOFOLLOW), so an entry
// swapped for a link while the walk runs is never followed out of the tree.
#include "os/files.h"
#include "os/posix_io.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace tq::os {

namespace {

std::string stripTrailingSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string baseName(const std::string& p) {
    size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string dirName(const std::string& p) {
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return p.substr(0, slash);
}

std::string join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string realPath(const std::string& p) {
    char* r = ::realpath(p.c_str(), nullptr);
    if (!r) return {};
    std::string out(r);
    std::free(r);
    return out;
}

// The canonical form of a path that may not exist yet: its nearest existing ancestor resolved
// with realpath, the missing rest appended with "." and ".." applied to the text. Empty (errno
// set) when the existing part cannot be resolved.
std::string canonicalTarget(const std::string& path) {
    std::string head = stripTrailingSlashes(path);
    std::vector<std::string> rest;
    std::string real;
    for (;;) {
        real = realPath(head);
        if (!real.empty()) break;
        if ((errno != ENOENT && errno != ENOTDIR) || head == "/" || head == ".") return {};
        rest.push_back(baseName(head));
        head = dirName(head);
    }
    for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
        if (*it == "." || it->empty()) continue;
        if (*it == "..") {
            real = dirName(real);
            continue;
        }
        real = join(real, *it);
    }
    return real;
}

// True when the canonical path `path` is `folder` or lies below it (everything lies below "/").
bool isInside(const std::string& path, const std::string& folder) {
    return folder == "/" || path == folder || path.compare(0, folder.size() + 1, folder + "/") == 0;
}

bool makeFolders(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = dirName(path);
    if (parent != path && !makeFolders(parent)) return false;
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

// The identity of a file: type, device, inode and mount (bind mounts of one file system share
// the device but not the mount id).
struct Node {
    mode_t mode = 0;
    dev_t dev = 0;
    ino_t ino = 0;
    uint64_t mount = 0;
    bool hasMount = false;
};

bool nodeAt(int dirFd, const char* name, int flags, Node& n) {
    struct statx sx;
    if (::statx(dirFd, name, flags, STATX_TYPE | STATX_MODE | STATX_INO | STATX_MNT_ID, &sx) == 0) {
        n.mode = sx.stx_mode;
        n.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        n.ino = sx.stx_ino;
        n.hasMount = (sx.stx_mask & STATX_MNT_ID) != 0;
        n.mount = sx.stx_mnt_id;
        return true;
    }
    if (errno != ENOSYS) return false;
    struct stat st;
    if (::fstatat(dirFd, name, &st, flags) != 0) return false;
    n = Node{st.st_mode, st.st_dev, st.st_ino, 0, false};
    return true;
}

bool nodeOf(int fd, Node& n) {
    return nodeAt(fd, "", AT_EMPTY_PATH, n);
}

bool sameFileSystem(const Node& a, const Node& b) {
    return a.dev == b.dev && (!a.hasMount || !b.hasMount || a.mount == b.mount);
}

bool sameFile(const Node& a, const Node& b) {
    return a.dev == b.dev && a.ino == b.ino;
}

// True when `n` is the root folder of the file system: the same folder as "/" (every spelling
// of the root, links to it and bind mounts of it included).
bool isRootFolder(const Node& n) {
    Node root;
    return nodeAt(AT_FDCWD, "/", 0, root) && sameFile(root, n);
}

// The names in the open folder `fd` (without "." and ".."); `fd` stays open.
bool listNames(int fd, std::vector<std::string>& names) {
    int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return false;
    }
    ::rewinddir(dir);
    while (struct dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(dir);
    return true;
}

// Collects what a walk leaves undone.
class Report {
  public:
    explicit Report(TreeResult& r) : r_(r) {}
    void leave(const std::string& path, const std::string& why) {
        if (r_.count == 0) r_.error = path + ": " + why;
        ++r_.count;
        if (r_.left.size() < TreeResult::kMaxListedPaths) r_.left.push_back(path);
    }
    void leaveErrno(const std::string& path) { leave(path, std::strerror(errno)); }
    size_t count() const { return r_.count; }

  private:
    TreeResult& r_;
};

TreeResult refused(const std::string& why) {
    TreeResult r;
    r.refused = true;
    r.error = why;
    return r;
}

// ---- Emptying ----

class Emptier {
  public:
    Emptier(TreeResult& r, const Node& top) : report_(r), top_(top) {}

    // Deletes the entries of the open folder `fd` (named `path` in reports); closes `fd`.
    void empty(int fd, const std::string& path) {
        std::vector<std::string> names;
        if (!listNames(fd, names)) report_.leaveErrno(path);
        for (const std::string& name : names) removeEntry(fd, name, join(path, name));
        ::close(fd);
    }

  private:
    void removeEntry(int fd, const std::string& name, const std::string& path) {
        Node n;
        if (!nodeAt(fd, name.c_str(), AT_SYMLINK_NOFOLLOW, n)) {
            if (errno != ENOENT) report_.leaveErrno(path);
            return;
        }
        if (!sameFileSystem(n, top_)) {
            report_.leave(path, "on another file system");
            return;
        }
        if (!S_ISDIR(n.mode)) {
            if (::unlinkat(fd, name.c_str(), 0) != 0 && errno != ENOENT) report_.leaveErrno(path);
            return;
        }
        int sub =
            posix::OpenAtRetry(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        Node opened;
        if (sub < 0 || !nodeOf(sub, opened) || !sameFile(opened, n) ||
            !sameFileSystem(opened, top_)) {
            // Gone, or swapped for something else since it was looked at: not entered.
            if (sub >= 0) ::close(sub);
            report_.leave(path, sub < 0 ? std::strerror(errno) : "changed while being deleted");
            return;
        }
        size_t before = report_.count();
        empty(sub, path);
        // A folder whose contents were left cannot be removed; those entries say why.
        if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT &&
            report_.count() == before)
            report_.leaveErrno(path);
    }

    Report report_;
    Node top_;
};

// ---- Copying ----

// Opens the target file `name` in `dirFd` for writing: anything but a folder that is in the way
// (a link, a read-only file, a FIFO ...) is replaced, as a copy without prompts does.
int openTargetFile(int dirFd, const char* name) {
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    Node n;
    if (nodeAt(dirFd, name, AT_SYMLINK_NOFOLLOW, n) && !S_ISREG(n.mode) && !S_ISDIR(n.mode))
        ::unlinkat(dirFd, name, 0);
    int out = posix::OpenAtRetry(dirFd, name, flags, 0600);
    if (out < 0 && (errno == ELOOP || errno == EACCES || errno == EPERM || errno == ENXIO)) {
        ::unlinkat(dirFd, name, 0);
        out = posix::OpenAtRetry(dirFd, name, flags | O_EXCL, 0600);
    }
    struct stat st;
    if (out >= 0 && (::fstat(out, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(out);
        errno = EEXIST;
        return -1;
    }
    return out;
}

class Copier {
  public:
    explicit Copier(TreeResult& r) : report_(r) {}

    // Copies the entries of the open source folder `src` into the open target folder `dst`;
    // closes both.
    void copyFolder(int src, const std::string& srcPath, int dst, const std::string& dstPath) {
        std::vector<std::string> names;
        if (!listNames(src, names)) report_.leaveErrno(srcPath);
        for (const std::string& name : names)
            copyEntry(src, dst, name, join(srcPath, name), join(dstPath, name));
        ::close(src);
        ::close(dst);
    }

    // Opens (making it when missing) the target folder `name` in `dirFd`; -1 when a non-folder
    // is in the way.
    static int openTargetFolder(int dirFd, const char* name) {
        if (::mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) return -1;
        return posix::OpenAtRetry(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }

  private:
    void copyEntry(int src, int dst, const std::string& name, const std::string& srcPath,
                   const std::string& dstPath) {
        Node n;
        if (!nodeAt(src, name.c_str(), AT_SYMLINK_NOFOLLOW, n)) {
            report_.leaveErrno(srcPath);
        } else if (S_ISDIR(n.mode)) {
            copySubfolder(src, dst, name, srcPath, dstPath, n);
        } else if (S_ISLNK(n.mode)) {
            if (!copyLink(src, dst, name.c_str())) report_.leaveErrno(srcPath);
        } else if (S_ISREG(n.mode)) {
            if (!copyFile(src, dst, name.c_str())) report_.leaveErrno(srcPath);
        } else {
            report_.leave(srcPath, "not a regular file, folder or link");
        }
    }

    void copySubfolder(int src, int dst, const std::string& name, const std::string& srcPath,
                       const std::string& dstPath, const Node& n) {
        int from =
            posix::OpenAtRetry(src, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (from < 0) return report_.leaveErrno(srcPath);
        if (OnPseudoFileSystem(from)) {
            ::close(from);
            return report_.leave(srcPath, "on a pseudo-file system");
        }
        int to = openTargetFolder(dst, name.c_str());
        if (to < 0) {
            ::close(from);
            return report_.leave(dstPath, "cannot be made a folder");
        }
        ::fchmod(to, (n.mode & 07777) | S_IRWXU);
        copyFolder(from, srcPath, to, dstPath);
    }

    static bool copyLink(int src, int dst, const char* name) {
        std::vector<char> buf(PATH_MAX + 1);
        ssize_t n = ::readlinkat(src, name, buf.data(), buf.size() - 1);
        if (n < 0) return false;
        std::string target(buf.data(), static_cast<size_t>(n));
        Node existing;
        if (nodeAt(dst, name, AT_SYMLINK_NOFOLLOW, existing)) {
            if (S_ISDIR(existing.mode)) {
                errno = EISDIR;
                return false;
            }
            ::unlinkat(dst, name, 0);
        }
        return ::symlinkat(target.c_str(), dst, name) == 0;
    }

    static bool copyFile(int src, int dst, const char* name) {
        // O_NONBLOCK and the type check: a file swapped for a FIFO is refused, never waited on.
        int in = posix::OpenAtRetry(src, name,
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (in < 0) return false;
        struct stat st;
        if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(in);
            errno = EINVAL;
            return false;
        }
        ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
        int out = openTargetFile(dst, name);
        if (out < 0) {
            ::close(in);
            return false;
        }
        bool ok = true;
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(in, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            if (!posix::WriteAll(out, buf, static_cast<size_t>(n))) {
                ok = false;
                break;
            }
        }
        int saved = errno;
        ::fchmod(out, st.st_mode & 07777);
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        if (::close(out) != 0 && ok) {
            ok = false;
            saved = errno;
        }
        ::close(in);
        errno = saved;
        return ok;
    }

    Report report_;
};

}  // namespace

bool CanOpenForReading(const std::string& path) {
    if (path.empty()) return false;
    int fd = posix::OpenRetry(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path, unsigned mode) {
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        std::string cur = path.substr(0, next);
        if (!cur.empty() && ::mkdir(cur.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            return false;
        pos = next + 1;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateNewFile(const std::string& path) {
    int fd = posix::OpenRetry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool ModuleFile(std::string& path) {
    static const int anchor = 0;
    Dl_info info;
    struct link_map* map = nullptr;
    if (::dladdr1(&anchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 && map &&
        map->l_name && *map->l_name) {
        path = realPath(map->l_name);
        if (!path.empty()) return true;
    }
    // The main program (the library linked in statically) has no name in the link map.
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return false;
    path.assign(buf.data(), static_cast<size_t>(n));
    return true;
}

bool OnPseudoFileSystem(int fd) {
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case SELINUX_MAGIC:
        case SMACK_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case PSTOREFS_MAGIC:
        case EFIVARFS_MAGIC:
        case BPF_FS_MAGIC:
        case BINFMTFS_MAGIC:
        case NSFS_MAGIC:
        case 0x62656570UL:  // configfs
        case 0x65735543UL:  // fusectl
            return true;
        default:
            return false;
    }
}

TreeResult CopyFolderTree(const std::string& sourceIn, const std::string& targetIn) {
    if (sourceIn.empty() || targetIn.empty()) return refused("no source or target folder given");
    const std::string target = stripTrailingSlashes(targetIn);
    const std::string source = realPath(sourceIn);
    if (source.empty()) return refused(sourceIn + ": " + std::strerror(errno));
    int src = posix::OpenRetry(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (src < 0) return refused(sourceIn + ": " + std::strerror(errno));
    Node top;
    std::string why;
    if (!nodeOf(src, top))
        why = std::strerror(errno);
    else if (isRootFolder(top))
        why = "the root folder cannot be copied: every target lies inside it";
    else if (OnPseudoFileSystem(src))
        why = "on a pseudo-file system (proc, sysfs ...), whose files are not data";
    // Into an existing folder under the source's own name, otherwise as the target itself.
    const std::string dest = IsFolder(target) ? join(target, baseName(source)) : target;
    const std::string realDest = why.empty() ? canonicalTarget(dest) : std::string();
    if (why.empty() && realDest.empty()) why = dest + ": " + std::strerror(errno);
    if (why.empty() && isInside(realDest, source))
        why = "the target " + targetIn + " lies inside the source";
    if (!why.empty()) {
        ::close(src);
        return refused(sourceIn + ": " + why);
    }
    TreeResult r;
    int dst = -1;
    if (makeFolders(dirName(dest))) {
        int parent = posix::OpenRetry(dirName(dest).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parent >= 0) {
            dst = Copier::openTargetFolder(parent, baseName(dest).c_str());
            ::close(parent);
        }
    }
    if (dst < 0) {
        ::close(src);
        Report(r).leave(dest, "cannot be made a folder");
        return r;
    }
    ::fchmod(dst, (top.mode & 07777) | S_IRWXU);
    Copier(r).copyFolder(src, sourceIn, dst, dest);
    return r;
}

TreeResult EmptyFolder(const std::string& folder) {
    if (folder.empty()) return refused("no folder given");
    // A link to a folder is followed: the folder it names is emptied.
    int fd = posix::OpenRetry(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return refused(folder + ": " + std::strerror(errno));
    Node top;
    const bool known = nodeOf(fd, top);
    if (!known || isRootFolder(top)) {
        std::string why =
            known ? "the root folder of the file system is never emptied" : std::strerror(errno);
        ::close(fd);
        return refused(folder + ": " + why);
    }
    if (OnPseudoFileSystem(fd)) {
        ::close(fd);
        return refused(folder + ": on a pseudo-file system (proc, sysfs, cgroup ...)");
    }
    TreeResult r;
    Emptier(r, top).empty(fd, folder);
    return r;
}

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

}  // namespace tq::os
