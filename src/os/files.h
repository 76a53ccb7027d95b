// Files and folders: the counterparts of CreateFileA (open for reading), the folder search,
// GetModuleFileNameA, the shell's folder copy, DeleteFileA/RemoveDirectoryA over a tree,
// GetComputerNameA and the text-file reader. Every path here is a file-system path (UTF-8, '/').
#pragma once

#include <string>

namespace tq::os {

/// True when `path` names an existing file that can be opened for reading (a folder, a missing
/// or an unreadable file gives false). Never blocks on a FIFO or device.
bool CanOpenForReading(const std::string& path);

/// True when `path` names an existing folder (a symbolic link to a folder counts).
bool IsFolder(const std::string& path);

/// The file of the module that holds this library's code (the shared library, or the program
/// when the library is linked in statically), as an absolute path. False when it cannot be found.
bool ModuleFile(std::string& path);

/// Copies the folder `source` recursively as the shell does without asking: into `target` (as
/// target/<name of source>) when `target` is an existing folder, otherwise as `target` itself
/// (its missing parent folders are created). Existing files are overwritten; symbolic links are
/// copied as links; file modes are kept. A target inside the source is refused. True when
/// everything was copied.
bool CopyFolderTree(const std::string& source, const std::string& target);

/// Deletes everything inside the folder `folder`, recursively; the folder itself stays. Symbolic
/// links inside it are removed as links and never followed, so nothing outside the tree is
/// touched. Entries that cannot be deleted stay; nothing is reported.
void EmptyFolder(const std::string& folder);

/// The host's name (empty when it cannot be read).
std::string HostName();

/// Reads the whole file into `content`. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);

}  // namespace tq::os
