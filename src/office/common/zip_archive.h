// Read-only access to the parts of a zip package (.xlsx, .xlsm, .docx) through libzip.
//
// Only regular files are opened (a FIFO, device or folder is refused at once). Parts are read as
// streams, inflated in chunks: the sizes a zip directory claims are never trusted. The bytes
// actually inflated are capped per part and per package, and a part that inflates far more than
// the compressed bytes it was read from is refused as a likely compression bomb, so hostile
// packages stop with an error instead of exhausting memory or time. The bounds are those of
// tq::Limits (maxPartBytes, maxPackageBytes, maxInflateRatio, inflateRatioFloorBytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tqtool/limits.h"

struct zip;
struct zip_file;

namespace tq::office {

/// Raised for every failure of the package layer and of the readers built on it; `what()` is a
/// short English reason without the file name (the caller adds it).
class ZipError : public std::exception {
  public:
    explicit ZipError(std::string reason) : reason_(std::move(reason)) {}
    const char* what() const noexcept override { return reason_.c_str(); }

  private:
    std::string reason_;
};

/// Anything that yields bytes in chunks.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    /// Reads up to `n` bytes; returns 0 at the end. Throws ZipError on damage or over a limit.
    virtual size_t read(char* buf, size_t n) = 0;
};

class ZipArchive;
struct ZipInput;

/// One part opened for reading.
class ZipPartStream : public ByteSource {
  public:
    ~ZipPartStream() override;
    ZipPartStream(const ZipPartStream&) = delete;
    ZipPartStream& operator=(const ZipPartStream&) = delete;
    size_t read(char* buf, size_t n) override;
    /// The size the directory claims for the part: a hint for buffer sizes, never a limit.
    uint64_t claimedSize() const { return claimed_; }
    const std::string& name() const { return name_; }

  private:
    friend class ZipArchive;
    ZipPartStream(ZipArchive& owner, std::string name);
    ZipArchive& owner_;
    zip_file* file_ = nullptr;
    std::string name_;
    uint64_t inflated_ = 0;
    uint64_t compressed_ = 0;  // archive bytes read while this part was being inflated
    uint64_t claimed_ = 0;
};

class ZipArchive {
  public:
    /// Opens a package file (UTF-8 path). Throws ZipError.
    explicit ZipArchive(const std::string& utf8Path, const Limits& limits = GetLimits());
    /// Opens a package held in memory (the bytes must outlive the archive). Throws ZipError.
    ZipArchive(const void* data, size_t size, const Limits& limits = GetLimits());
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    /// True when a part of that name exists (names compared ignoring ASCII case, as packages
    /// require; a leading '/' is ignored).
    bool has(std::string_view partName) const;
    /// Opens a part for streaming. Throws ZipError when it is missing or cannot be read.
    std::unique_ptr<ZipPartStream> open(std::string_view partName);

  private:
    friend class ZipPartStream;
    void openFrom(std::unique_ptr<ZipInput> input);
    int64_t locate(std::string_view partName) const;
    zip* zip_ = nullptr;
    ZipInput* input_ = nullptr;  // owned by the libzip source once the archive is open
    Limits limits_;
    uint64_t totalInflated_ = 0;
};

}  // namespace tq::office
