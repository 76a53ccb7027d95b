// Atomic replacement of a file: every file the library writes (INI files, workbooks, documents,
// CSV) is written to a temporary file beside its target and renamed over the target only when it
// is complete, so the old file stays whole on every failure and a reader never sees half a file.
//
// Paths are file-system paths (UTF-8, '/').
#pragma once

#include <sys/types.h>

#include <string>

namespace tq::os {

/// One replacement of a target file. Begin() checks the target and creates the temporary file;
/// the writer fills tempPath() (through fd(), or by opening the path itself); Commit() gives the
/// temporary file the target's permission bits (and owner where allowed), flushes it and renames
/// it over the target. A replacement that is destroyed without a successful Commit() removes its
/// temporary file and leaves the target untouched.
class FileReplacement {
  public:
    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    FileReplacement(FileReplacement&& o) noexcept;
    FileReplacement& operator=(FileReplacement&& o) noexcept;
    ~FileReplacement();

    /// Prepares the replacement of `target`. Symbolic links are followed: the file a link names
    /// is replaced and the link stays. A target that exists and is not a regular file (a folder,
    /// a device, a pipe, a socket) is refused. False with a reason in `why` (English, naming no
    /// path) when the replacement cannot start.
    bool begin(const std::string& target, std::string& why);

    /// The file the replacement will be renamed to (the target with its links followed).
    const std::string& finalPath() const { return final_; }
    /// The temporary file, in the same folder as finalPath().
    const std::string& tempPath() const { return temp_; }
    /// The temporary file's descriptor, open for writing (-1 after closeFd() or Commit()).
    int fd() const { return fd_; }
    /// Closes the descriptor, for writers that open tempPath() themselves.
    void closeFd();

    /// Writes all of `data` to fd(). False (errno set) on a write error.
    bool write(const void* data, size_t size);

    /// Flushes the temporary file and renames it over the target, then flushes the folder. False
    /// with a reason in `why` when that fails; the temporary file is then removed and the target
    /// is unchanged.
    bool commit(std::string& why);

    /// Removes the temporary files that killed writers of exactly this target left behind. Only
    /// safe while the caller holds a lock that every writer of the target takes before begin()
    /// (the INI store's lock); other writers never call it.
    void removeStaleTemporaries() const;

  private:
    void discard();
    std::string final_;
    std::string dir_;
    std::string prefix_;  // temporary names: prefix_ + 6 random characters
    std::string temp_;
    int fd_ = -1;
    bool hasOld_ = false;
    mode_t oldMode_ = 0;
    uid_t oldUid_ = 0;
    gid_t oldGid_ = 0;
};

/// Follows symbolic links in the last component of `path` until a path that is not a link (it may
/// not exist yet). At most 40 hops; a longer chain gives the path reached.
std::string ResolveLinks(std::string path);

/// Test hook: the named moments of a replacement, in order. A test installs a hook to stop or
/// kill a writer at one of them; the library never installs one.
enum class ReplacePoint { TempCreated, ContentsWritten, Flushed, BeforeRename, AfterRename };
using ReplaceHook = void (*)(ReplacePoint point, const std::string& tempPath);
void SetReplaceHook(ReplaceHook hook);

}  // namespace tq::os
