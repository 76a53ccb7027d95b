// Helpers for the file, process and message-box tests: temporary folders, small files and
// executable scripts, reports of started programs, isolated children, and environment variables
// that are restored afterwards.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostest {

// GBK texts whose trail bytes are ASCII, and their UTF-8 forms as they appear on disk.
inline const std::string kGbkFan = "\xb5\x5c", kUtf8Fan = "\xe7\xa4\xac";  // 礬 (trail '\')
inline const std::string kGbkKan = "\xb4\x7c", kUtf8Kan = "\xe7\xa3\xa1";  // 磡 (trail '|')
inline const std::string kGbkHou = "\xb3\x40";                             // 矦 (trail '@')
inline const std::string kGbkData = "\xca\xfd\xbe\xdd", kUtf8Data = "\xe6\x95\xb0\xe6\x8d\xae";

/// A fresh folder, removed with everything in it at the end: the one temporary-folder helper of
/// the tests. kInMemory: on /dev/shm when it is writable (tests that flush often); kOpenToAll:
/// mode 0777, for tests that drop privileges inside it.
class TempDir {
  public:
    enum Option : unsigned { kInMemory = 1, kOpenToAll = 2 };
    explicit TempDir(unsigned options = 0);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    /// The folder's path (ASCII, so it reads the same as UTF-8 and as GBK), without trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

/// Writes `content` to the file-system path `path` (creating or replacing it); writeScript makes
/// it executable.
void writeFile(const std::string& path, const std::string& content);
void writeScript(const std::string& path, const std::string& content);
/// The content of a file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
/// An ASCII file-system path in Windows form (backslashes), as callers of the library write it.
std::string win(std::string path);

/// A named pipe at `path()` into which a started program writes its report in one redirection
/// (`... > "$pipe"`). read() waits on the pipe's own events: what was written once the writer
/// has closed the pipe, or nothing when no writer came and went within `seconds` (the program
/// did not start, or hangs).
class ReportPipe {
  public:
    explicit ReportPipe(std::string path);
    ~ReportPipe();
    const std::string& path() const { return path_; }
    std::optional<std::string> read(int seconds = 60);

  private:
    std::string path_;
    int fd_ = -1;
};

/// Runs `body` in a forked child inside a private mount namespace (a user namespace too when not
/// root), chrooted into `root` unless it is empty, so that mounts and a stand-in root folder
/// touch nothing of the machine. The body records its checks in `Checks`, whose failures come
/// back in `Isolated`; `ran` is false when the namespace could not be set up.
struct Checks {
    std::string failures;
    void operator()(bool ok, const std::string& what) { failures += ok ? "" : what + "\n"; }
};
struct Isolated {
    bool ran = false;
    std::string failures;
};
Isolated RunIsolated(const std::string& root, const std::function<void(Checks&)>& body);

/// Sets (or, with nullptr, unsets) an environment variable until the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace ostest
