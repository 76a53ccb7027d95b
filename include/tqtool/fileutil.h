// Files, folders and processes: testing files and folders, splitting a path, the library's own
// folder, copying and emptying folders, starting programs and the computer's name.
//
// Paths are GBK text in Windows form; '\' and '/' are both taken as separators (a trail byte 0x5C
// of a double-byte character never is). They reach the file system as UTF-8, and names read from
// the system come back as GBK. Functions report failures by their result (0 or the empty string)
// and never throw.
#pragma once

#include "tqtool/types.h"

namespace tq {

/// 1 when `path` names an existing file that can be opened for reading; 0 for the empty path, a
/// folder, a missing file or one that cannot be read.
TQTOOL_API int IsFileExist(const String& path);

/// 1 when `path` names an existing folder, with or without one trailing separator; else 0.
TQTOOL_API int IsDirectory(const String& path);

/// For an existing file: returns its folder up to and including the last separator and sets
/// `name` to the file name, with its extension or without it (the text up to the last point;
/// empty when the name has no point). For the empty path, a missing file or a path without a
/// separator: returns the empty string and leaves `name` as it was.
TQTOOL_API String GetFileDir(const String& path, String& name, bool withExtension);

/// The folder of the library's own file, ending in '/' (the empty string when it cannot be found).
TQTOOL_API String GetCurPath();

/// Copies the folder `source` recursively, without asking: into `target` when that is an
/// existing folder, otherwise as `target`. Existing files are overwritten; links are copied as
/// links. Only regular files, links and folders are copied (no sockets, FIFOs, devices, nor
/// folders of pseudo-file systems such as /proc). 1 when everything was copied; 0 when anything
/// was not, and 0 at once, with nothing created, when `source` is not a folder, is the root
/// folder or lies on a pseudo-file system, or when the target lies inside the source.
TQTOOL_API int CopyFolder(const char* source, const char* target);

/// Deletes every file and subfolder inside `folder`, recursively; the folder itself stays.
/// Symbolic links are removed, never followed. Entries on another file system (mount points,
/// bind mounts) are neither entered nor removed; entries that cannot be deleted stay. The empty
/// path and the root folder of the file system, however it is written, are never emptied.
TQTOOL_API void DeleteAllFile(const String& folder);

/// Starts the command line (GBK, split with the Windows rules: quotes, backslashes before
/// quotes) without waiting. The program is executed directly, never through a shell; a bare
/// program name is looked up on PATH. It keeps the standard streams; other open files are closed
/// in it. Non-zero when the program was started, 0 when it could not be (e.g. missing).
TQTOOL_API int CmdExec(char* commandLine);

/// As CmdExec, but the program inherits the caller's open files.
TQTOOL_API int Cmd(char* commandLine);

/// Opens `file` and waits until the started process ends: an executable file (or a bare program
/// name found on PATH) is started directly; any other existing file or folder is opened with the
/// desktop's default application (xdg-open). 1 when it was started and has ended (whatever the
/// program's exit code); 0 at once when the file is missing or nothing could be started, and 0
/// when the desktop has no application for the file (xdg-open fails).
TQTOOL_API int WaitCmdExec(const String& file);

/// The computer's name (at most 199 bytes; the empty string when it cannot be read).
TQTOOL_API String GetComputerNameA();

}  // namespace tq
