// Helpers for the file, process and message-box tests: temporary folders, small files and
// executable scripts, and environment variables that are restored afterwards.
#pragma once

#include <optional>
#include <string>

namespace ostest {

// GBK texts whose trail bytes are ASCII, and their UTF-8 forms as they appear on disk.
inline const std::string kGbkFan = "\xb5\x5c";  // 礬 (trail byte '\')
inline const std::string kUtf8Fan = "\xe7\xa4\xac";
inline const std::string kGbkKan = "\xb4\x7c";  // 磡 (trail byte '|')
inline const std::string kUtf8Kan = "\xe7\xa3\xa1";
inline const std::string kGbkHou = "\xb3\x40";  // 矦 (trail byte '@')
inline const std::string kUtf8Hou = "\xe7\x9f\xa6";
inline const std::string kGbkData = "\xca\xfd\xbe\xdd";  // 数据
inline const std::string kUtf8Data = "\xe6\x95\xb0\xe6\x8d\xae";

/// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    /// The folder's path (ASCII, so it reads the same as UTF-8 and as GBK), without trailing '/'.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

/// Writes `content` to the file-system path `path` (creating or replacing it).
void writeFile(const std::string& path, const std::string& content);
/// Writes an executable script (mode 0755).
void writeScript(const std::string& path, const std::string& content);
/// The content of a file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
/// Polls for `path` to exist for up to `seconds`; true when it does.
bool waitForFile(const std::string& path, double seconds = 10.0);

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
