// Private-profile operations: INI files read the way the Windows profile functions read them, and
// written safely.
//
// Paths are GBK Windows paths (converted with text::pathToOs: '\' is a separator). An empty path
// names no file: reads find nothing, writes do nothing.
//
// Reading needs no lock: a file is only ever replaced whole, so a reader sees the old or the new
// file. Only regular files are read (folders, devices and pipes read as missing files), and at
// most GetLimits().maxIniBytes of them. A file the process may not read looks missing. A file
// saved as UTF-16 (with its byte order mark) is read as its GBK form.
//
// Writing rewrites only the lines it must and replaces the file atomically through
// FileReplacement: the new text goes to a temporary file in the same folder, is flushed to disk
// and renamed over the old file, which keeps the old file's permission bits (and owner, where
// the process may set it). A symbolic link is followed, so the link stays and its target is
// replaced. Writers serialize on an advisory lock of the file itself and re-check, once they
// hold it, that the path still names the file they locked. A file the process may not write is
// left alone. Temporary files left behind by a writer of the same file that was killed are
// removed, under the lock, by the next write.
//
// The text rules are in profile_text.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/profile_text.h"
#include "tqtool/types.h"

namespace tq::os {

inline constexpr uint32_t INVALID_FILE_ATTRIBUTES_ = 0xFFFFFFFFu;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY_ = 0x01u;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY_ = 0x10u;
inline constexpr uint32_t FILE_ATTRIBUTE_DEVICE_ = 0x40u;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL_ = 0x80u;

/// Attribute bits of the path: FILE_ATTRIBUTE_DIRECTORY_ for a folder, FILE_ATTRIBUTE_DEVICE_
/// for a device, pipe or socket, FILE_ATTRIBUTE_NORMAL_ for a regular file (with
/// FILE_ATTRIBUTE_READONLY_ when the process may not write it); INVALID_FILE_ATTRIBUTES_ when the
/// path does not exist or is empty.
uint32_t GetFileAttributesA(const char* path);

/// With a key: copies the value (quotes stripped) or `def` (null: "") into the buffer, cut to
/// size - 1 bytes and NUL-terminated; returns the bytes copied. With no key: the key names of
/// the section as a NUL-separated list; with no section: the section names. Lists are cut as
/// copyList says.
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buf,
                                  uint32_t size, const char* path);
/// key and value: sets key=value (creating section and file); value null: removes the entry;
/// key null: removes the section. True when the file was written or already was as asked (a
/// delete of something missing); false when the names would not read back or the file cannot be
/// read, written or replaced.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);
/// The entries of the section ("key=value") as a NUL-separated list.
uint32_t GetPrivateProfileSectionA(const char* section, char* buf, uint32_t size, const char* path);
/// The names of all sections as a NUL-separated list.
uint32_t GetPrivateProfileSectionNamesA(char* buf, uint32_t size, const char* path);

/// One read of a profile file; the queries need no buffers and cut nothing.
class ProfileSnapshot {
  public:
    /// Reads the file (GBK path); a missing or unreadable file gives an empty snapshot.
    static ProfileSnapshot read(std::string_view path);

    bool value(std::string_view section, std::string_view key, String& out) const {
        return view().value(section, key, out);
    }
    StringArray sectionNames() const { return view().sectionNames(); }
    StringArray keyNames(std::string_view section) const { return view().keyNames(section); }
    StringArray entries(std::string_view section) const { return view().entries(section); }
    profile::ProfileText view() const { return profile::ProfileText(data_); }

  private:
    std::string data_;
};

/// Applies the edits in order as one write: one lock, one read, at most one replacement (none
/// when nothing changes). Edits whose names would not read back are skipped. True when every
/// edit is in the file, written now or there already; false when one was refused or the file
/// could not be written (also for a special file: a folder, device, pipe or socket).
bool editProfile(std::string_view path, const std::vector<profile::Edit>& edits);

/// Test hook: called by a writer once it holds the file's lock (and has checked that the path
/// still names the locked file), before it reads the file. A test installs one to stop or kill a
/// writer there; the library never installs one. The moments after it are FileReplacement's
/// (SetReplaceHook).
using ProfileLockHook = void (*)(const std::string& path);
void SetProfileLockHook(ProfileLockHook hook);

}  // namespace tq::os
