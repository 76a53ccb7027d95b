#include "os/files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace tq::os {

namespace {

int openRetry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

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

std::string realPath(const std::string& p) {
    char* r = ::realpath(p.c_str(), nullptr);
    if (!r) return {};
    std::string out(r);
    std::free(r);
    return out;
}

bool makeFolders(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = dirName(path);
    if (parent != path && !makeFolders(parent)) return false;
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const char* p, size_t n) {
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

bool copyFile(const std::string& src, const std::string& dst, const struct stat& st) {
    int in = openRetry(src.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return false;
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW;
    int out = openRetry(dst.c_str(), flags, 0600);
    if (out < 0 && (errno == ELOOP || errno == EACCES || errno == EPERM)) {
        // A link or a read-only file in the way is replaced, as a copy without prompts does.
        ::unlink(dst.c_str());
        out = openRetry(dst.c_str(), flags, 0600);
    }
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!writeAll(out, buf, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::fchmod(out, st.st_mode & 07777);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    if (::close(out) != 0) ok = false;
    ::close(in);
    return ok;
}

bool copyLink(const std::string& src, const std::string& dst) {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink(src.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) return false;
    std::string target(buf.data(), static_cast<size_t>(n));
    struct stat st;
    if (::lstat(dst.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return false;
        ::unlink(dst.c_str());
    }
    return ::symlink(target.c_str(), dst.c_str()) == 0;
}

bool copyTree(const std::string& src, const std::string& dst, mode_t mode) {
    struct stat st;
    if (::lstat(dst.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return false;
    } else if (::mkdir(dst.c_str(), 0700) != 0) {
        return false;
    }
    DIR* dir = ::opendir(src.c_str());
    if (!dir) return false;
    std::vector<std::string> names;
    while (struct dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(dir);
    bool ok = true;
    for (const std::string& name : names) {
        std::string s = src + "/" + name, d = dst + "/" + name;
        struct stat est;
        if (::lstat(s.c_str(), &est) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(est.st_mode))
            ok = copyTree(s, d, est.st_mode) && ok;
        else if (S_ISLNK(est.st_mode))
            ok = copyLink(s, d) && ok;
        else if (S_ISREG(est.st_mode))
            ok = copyFile(s, d, est) && ok;
        // Sockets, pipes and devices are not copied, as a file copy cannot read them.
    }
    ::chmod(dst.c_str(), (mode & 07777) | S_IRWXU);
    return ok;
}

// Empties the folder open as `dirFd` (takes ownership of the descriptor).
void emptyAt(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    std::vector<std::string> names;
    while (struct dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    int fd = ::dirfd(dir);
    for (const std::string& name : names) {
        struct stat st;
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            // O_NOFOLLOW: should the entry have been swapped for a link since, it is not entered.
            int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) emptyAt(sub);
            ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(fd, name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

bool CanOpenForReading(const std::string& path) {
    if (path.empty()) return false;
    int fd = openRetry(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

bool CopyFolderTree(const std::string& sourceIn, const std::string& targetIn) {
    if (sourceIn.empty() || targetIn.empty()) return false;
    std::string source = stripTrailingSlashes(sourceIn);
    std::string target = stripTrailingSlashes(targetIn);
    struct stat sst;
    if (::stat(source.c_str(), &sst) != 0 || !S_ISDIR(sst.st_mode)) return false;
    std::string dest;
    if (IsFolder(target)) {
        std::string name = baseName(realPath(source));
        if (name.empty()) return false;  // the root folder has no name to copy under
        dest = target + "/" + name;
    } else {
        dest = target;
        if (!makeFolders(dirName(dest))) return false;
    }
    // Refuse to copy a folder into itself or below itself: the copy would never end.
    std::string realSource = realPath(source);
    std::string realParent = realPath(dirName(dest));
    if (realSource.empty() || realParent.empty()) return false;
    std::string realDest = (realParent == "/" ? "" : realParent) + "/" + baseName(dest);
    if (realDest == realSource || realDest.compare(0, realSource.size() + 1, realSource + "/") == 0)
        return false;
    return copyTree(source, dest, sst.st_mode);
}

void EmptyFolder(const std::string& folder) {
    if (folder.empty()) return;
    int fd = openRetry(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) emptyAt(fd);
}

std::string HostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    if (path.empty()) return false;
    int fd = openRetry(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        content.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

}  // namespace tq::os
