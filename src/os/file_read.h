// Reading files the library does not control (workbooks, CSV, tree files, table JSON): only
// regular files are opened, and never more than a caller's bound is read. A FIFO, device, socket
// or folder is refused at once instead of blocking in open() or reading without end.
//
// Paths are file-system paths (UTF-8, '/').
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tq::os {

/// Opens `path` read-only when it names a regular file (links followed). Returns the descriptor,
/// or -1 with a reason in `why` (English, naming no path): missing, a folder, not a regular file,
/// no permission ...
int OpenRegularFile(const std::string& path, std::string& why);

/// Reads the whole regular file `path` into `out`, refusing files larger than `maxBytes` (also
/// one that grows past it while being read). False with a reason in `why`.
bool ReadRegularFile(const std::string& path, uint64_t maxBytes, std::string& out,
                     std::string& why);

/// A regular file open for reading at any offset (opened as OpenRegularFile opens), closed when
/// the object goes.
class RegularFile {
  public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    /// Opens `path` (closing the file held before). False with a reason in `why`.
    bool open(const std::string& path, std::string& why);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    /// The file's size when it was opened.
    uint64_t size() const { return size_; }
    /// Reads `n` bytes at `offset`; fewer at the end of the file or on a read error (errno tells
    /// which).
    size_t readAt(uint64_t offset, void* buf, size_t n) const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

/// Reads an open file from its current position to its end into `out` (for a caller that must
/// read through a descriptor it holds, e.g. one it locked), refusing more than `maxBytes`. False
/// with a reason in `why`.
bool ReadOpenFile(int fd, uint64_t maxBytes, std::string& out, std::string& why);

}  // namespace tq::os
