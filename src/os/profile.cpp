// The private-profile operations on files: reading snapshots, and locked, atomic edits.
#include "os/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "os/file_read.h"
#include "os/posix_io.h"
#include "os/replace_file.h"
#include "text/text.h"
#include "tqtool/limits.h"

namespace tq::os {

namespace {

using profile::cstr;
using profile::Edit;

std::atomic<ProfileLockHook> g_lockHook{nullptr};

std::string osPath(std::string_view gbkPath) {
    return text::pathToOs(cstr(gbkPath));
}

// Replaces the target (links already followed) by a file holding `data`. Called with the lock
// held, so any temporary file of this target is one that a killed writer left behind.
bool replaceWith(const std::string& target, std::string_view data) {
    FileReplacement r;
    std::string why;
    if (!r.begin(target, why)) return false;
    r.removeStaleTemporaries();
    return r.write(data.data(), data.size()) && r.commit(why);
}

// The file could not be opened for writing (errno `err`): the edits hold only if they would
// change nothing, e.g. deleting a key that a read-only file does not have.
bool alreadyAsAsked(const std::string& target, int err, const std::vector<Edit>& edits) {
    std::string data, why;
    if (err != ENOENT) {
        if (err != EACCES && err != EPERM && err != EROFS && err != ETXTBSY) return false;
        int fd = OpenRegularFile(target, why);
        if (fd < 0) return false;
        bool read = ReadOpenFile(fd, GetLimits().maxIniBytes, data, why);
        ::close(fd);
        if (!read) return false;
    }
    return !profile::editFile(data, edits).changed;
}

// Removes a file that this writer created empty and then could not fill (it still holds the
// lock, so no other writer has written it).
void removeCreated(const std::string& target, const struct stat& locked) {
    struct stat now;
    if (::stat(target.c_str(), &now) == 0 && now.st_ino == locked.st_ino &&
        now.st_dev == locked.st_dev && now.st_size == 0)
        ::unlink(target.c_str());
}

}  // namespace

void SetProfileLockHook(ProfileLockHook hook) {
    g_lockHook.store(hook, std::memory_order_release);
}

ProfileSnapshot ProfileSnapshot::read(std::string_view path) {
    ProfileSnapshot s;
    std::string os = osPath(path), data, why;
    if (!os.empty() && ReadRegularFile(os, GetLimits().maxIniBytes, data, why))
        s.data_ = profile::decodeFile(std::move(data));
    return s;
}

// Open, lock, check, read, edit, replace. Bounded: the path is opened again only when another
// writer replaced the file while this one waited for the lock.
bool editProfile(std::string_view path, const std::vector<Edit>& edits) {
    bool refused = false, create = false, any = false;
    for (const Edit& e : edits) {
        const bool valid = profile::editIsValid(e);
        refused = refused || (!valid && e.kind == Edit::Set);
        create = create || (valid && e.kind == Edit::Set);
        any = any || valid;
    }
    const std::string os = osPath(path);
    if (!any || os.empty()) return !refused && !create;  // nothing to do, or no file to do it in
    const std::string target = ResolveLinks(os);
    const int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        bool created = false;
        int fd = posix::OpenRetry(target.c_str(), flags);
        if (fd < 0 && errno == ENOENT && create) {
            fd = posix::OpenRetry(target.c_str(), flags | O_CREAT | O_EXCL, 0666);
            if (fd < 0 && errno == EEXIST) continue;  // another writer created it meanwhile
            created = fd >= 0;
        }
        if (fd < 0) return alreadyAsAsked(target, errno, edits) && !refused;
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
        if (ProfileLockHook h = g_lockHook.load(std::memory_order_acquire)) h(target);
        const uint64_t limit = GetLimits().maxIniBytes;
        std::string data, why;
        bool ok = ReadOpenFile(fd, limit, data, why);
        profile::FileEdit r;
        if (ok) {
            r = profile::editFile(data, edits);
            if (r.changed) ok = data.size() <= limit && replaceWith(target, data);
        }
        if (created && (!ok || !r.changed)) removeCreated(target, st);
        ::close(fd);  // releases the lock
        return ok && !r.refused;
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
